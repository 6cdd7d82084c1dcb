// The QK-11 row of the bottom panel: showing or hiding it, the elapsed-time display
// and the fuel log's stop at close.
#include "app/frmmain.h"

#include <QAction>
#include <QFrame>

void TMainForm::mnuQkodaMessageClick(bool fromMenu) {
    // A menu click has already toggled the tick of the checkable item.
    Q_UNUSED(fromMenu);
    const bool shown = mnuQkodaMessage->isChecked();
    grpLine->setVisible(shown);
    // The panel keeps its controls; the lower 60 pixels hold the QK-11 row, which is
    // cut off when the row is hidden. The main panel takes the space.
    pnlMonitor->setFixedHeight(shown ? 122 : 62);
}

void TMainForm::showElapsedTime() {}

void TMainForm::stopFuelLog() { fuelLogging = false; }

void TMainForm::showFuelData(quint32 distance, float remaining, float used, float economy) {
    Q_UNUSED(distance);
    Q_UNUSED(remaining);
    Q_UNUSED(used);
    Q_UNUSED(economy);
}
