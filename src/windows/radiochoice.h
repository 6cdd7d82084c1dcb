#pragma once
// A radio group of the settings page can show "no value": every button unselected.
#include <QRadioButton>

// Checks chosen and clears the others of the group; nullptr clears them all.
template <typename Group> void selectRadio(QRadioButton* chosen, const Group& group) {
    for (QRadioButton* b : group) {
        b->setAutoExclusive(false);
        b->setChecked(b == chosen);
        b->setAutoExclusive(true);
    }
}
