#include "windows/fixeddialog.h"

#include <QDialog>
#include <QPushButton>

OkCancelButtons addOkCancelButtons(QDialog* dialog, const QRect& okArea, const QRect& cancelArea) {
    OkCancelButtons buttons;
    buttons.ok = new QPushButton(QStringLiteral("OK"), dialog);
    buttons.ok->setObjectName(QStringLiteral("bbtnOk"));
    buttons.ok->setDefault(true);
    buttons.ok->setGeometry(okArea);

    buttons.cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    buttons.cancel->setObjectName(QStringLiteral("bbtnNg"));
    buttons.cancel->setGeometry(cancelArea);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}
