#pragma once
// What the side dialogs share: the fixed-size window frame of all of them, and the
// OK and Cancel buttons of the property dialogs.
#include <QRect>
#include <Qt>

class QDialog;
class QPushButton;

// A modal dialog of fixed size with a title bar, a system menu and a close button.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

struct OkCancelButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// Creates "OK" (bbtnOk, the default button) and then "キャンセル" (bbtnNg, which
// rejects the dialog) at the given places. What OK does is the caller's to connect.
OkCancelButtons addOkCancelButtons(QDialog* dialog, const QRect& okArea, const QRect& cancelArea);
