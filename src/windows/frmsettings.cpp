#include "windows/frmsettings.h"

#include "serial/portlist.h"
#include "windows/fixeddialog.h"
#include "windows/placedwidget.h"
#include "windows/plaintooltips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Index of the first item whose number equals value, -1 (no selection) when none does.
int indexOfNumber(const QComboBox* box, int value) {
    for (int i = 0; i < box->count(); ++i) {
        bool ok = false;
        if (box->itemText(i).toInt(&ok) == value && ok)
            return i;
    }
    return -1;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& area) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(area);
    return l;
}

QComboBox* dropDown(QWidget* parent, const char* name, const QStringList& items,
                    const QRect& area) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    box->setGeometry(area);
    return box;
}

QRadioButton* radio(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

TSettingsForm::TSettingsForm(QWidget* owner, int& comPort, DeviceModel& deviceModel,
                             CommSettings& settings, const QStringList& portList)
    : QDialog(owner, kFixedDialogFlags), comPort_(comPort), deviceModel_(deviceModel),
      settings_(settings) {
    setObjectName(QStringLiteral("TSettingsForm"));
    setWindowTitle(QStringLiteral("通信ポートのプロパティ"));
    setModal(true);
    setFixedSize(clientSize);

    GroupBox = placedWidget<QGroupBox>(QStringLiteral("GroupBox"), QRect(8, 4, 200, 206),
                                       QStringLiteral("接続設定"), this);
    const int labelX = 10, boxX = 96, boxW = 94, rowH = 22;
    auto row = [](int i) { return 20 + i * 27; };

    Label1 = label(GroupBox, "Label1", QStringLiteral("ポート"), QRect(labelX, row(0), 84, rowH));
    cmbComCh = dropDown(GroupBox, "cmbComCh", {}, QRect(boxX, row(0), boxW, rowH));
    const QString portHint = QStringLiteral("* が付いているポートは使用できません。");
    cmbComCh->setToolTip(portHint);
    cmbComCh->setStatusTip(portHint);
    // Each entry's tooltip names its device path and why it cannot be used.
    showItemToolTipsAsPlainText(cmbComCh->view());

    Label2 = label(GroupBox, "Label2", QStringLiteral("通信速度"), QRect(labelX, row(1), 84, rowH));
    cmbBaudrate = dropDown(GroupBox, "cmbBaudrate",
                           {QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                            QStringLiteral("38400")},
                           QRect(boxX, row(1), boxW, rowH));
    cmbBaudrate->setEnabled(false);

    Label3 =
        label(GroupBox, "Label3", QStringLiteral("データビット"), QRect(labelX, row(2), 84, rowH));
    edtDataBits = new QLineEdit(QStringLiteral("8"), GroupBox);
    edtDataBits->setObjectName(QStringLiteral("edtDataBits"));
    edtDataBits->setReadOnly(true);
    edtDataBits->setGeometry(boxX, row(2), boxW, rowH);

    Label5 = label(GroupBox, "Label5", QStringLiteral("パリティ"), QRect(labelX, row(3), 84, rowH));
    cmbParity = dropDown(GroupBox, "cmbParity",
                         {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even")},
                         QRect(boxX, row(3), boxW, rowH));
    cmbParity->setEnabled(false);

    Label4 = label(GroupBox, "Label4", QStringLiteral("ストップビット"),
                   QRect(labelX, row(4), 84, rowH));
    cmbStopBits = dropDown(GroupBox, "cmbStopBits", {QStringLiteral("1"), QStringLiteral("2")},
                           QRect(boxX, row(4), boxW, rowH));
    cmbStopBits->setEnabled(false);

    GroupBox1 = placedWidget<QGroupBox>(QStringLiteral("GroupBox1"), QRect(216, 4, 97, 72),
                                        QStringLiteral("フロー制御"), this);
    lblFlow1 = label(GroupBox1, "lblFlow1", QString(), QRect(10, 22, 80, 18));
    lblFlow2 = label(GroupBox1, "lblFlow2", QString(), QRect(10, 44, 80, 18));

    // The lap-timer model is chosen here: an RK-12 on the cable talks plain text, an RK-13
    // radio frames, and nothing else tells the program which one is attached.
    GroupBox2 = placedWidget<QGroupBox>(QStringLiteral("GroupBox2"), QRect(216, 80, 97, 64),
                                        QStringLiteral("Rin Koda Model"), this);
    rbtRK12 = radio(GroupBox2, "rbtRK12", QStringLiteral("RK-12"));
    rbtRK12->setGeometry(10, 20, 80, 18);
    rbtRK13 = radio(GroupBox2, "rbtRK13", QStringLiteral("RK-13"));
    rbtRK13->setGeometry(10, 40, 80, 18);
    connect(rbtRK12, &QRadioButton::clicked, this, &TSettingsForm::rbtRK12Click);
    connect(rbtRK13, &QRadioButton::clicked, this, &TSettingsForm::rbtRK13Click);

    const OkCancelButtons buttons =
        addOkCancelButtons(this, QRect(226, 152, 80, 25), QRect(226, 185, 80, 25));
    bbtnOk = buttons.ok;
    bbtnNg = buttons.cancel;
    connect(bbtnOk, &QPushButton::clicked, this, &TSettingsForm::bbtnOkClick);

    // The controls the user does not see: created hidden, they keep their values.
    auto* flowArea = new QWidget(this);
    flowArea->setObjectName(QStringLiteral("flowArea"));
    flowArea->hide();
    rdbFlowNon = radio(flowArea, "rdbFlowNon", QStringLiteral("なし"));
    rdbFlowXonXoff = radio(flowArea, "rdbFlowXonXoff", QStringLiteral("Xon/Xoff"));
    rdbFlowRtsCts = radio(flowArea, "rdbFlowRtsCts", QStringLiteral("RTS/CTS"));
    flowGroup_ = new QButtonGroup(this);
    flowGroup_->addButton(rdbFlowNon);
    flowGroup_->addButton(rdbFlowXonXoff);
    flowGroup_->addButton(rdbFlowRtsCts);

    cmbDataBits = dropDown(this, "cmbDataBits",
                           {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                            QStringLiteral("7"), QStringLiteral("8")},
                           QRect(0, 0, 60, rowH));
    cmbDataBits->hide();

    // Tab goes from the port to the model and on to the buttons; the arrow keys move
    // between the two models.
    setTabOrder(cmbComCh, edtDataBits);
    setTabOrder(edtDataBits, rbtRK12);
    setTabOrder(rbtRK12, rbtRK13);
    setTabOrder(rbtRK13, bbtnOk);
    setTabOrder(bbtnOk, bbtnNg);

    // 1. Port: "自動" unless an entry carries the configured number.
    cmbComCh->addItems(portList);
    cmbComCh->setCurrentIndex(cmbComCh->count() > 0 ? 0 : -1);
    for (int i = 0; i < cmbComCh->count(); ++i) {
        if (portNumberOfEntry(i, cmbComCh->itemText(i)) == comPort) {
            cmbComCh->setCurrentIndex(i);
            break;
        }
    }
    // 2.-4. Line parameters.
    cmbBaudrate->setCurrentIndex(indexOfNumber(cmbBaudrate, settings.baudRate));
    cmbDataBits->setCurrentIndex(indexOfNumber(cmbDataBits, settings.byteSize));
    cmbStopBits->setCurrentIndex(settings.stopBits == 2 ? 1 : 0);
    // 5. The model decides the parity shown; the configured parity is not shown.
    if (deviceModel == DeviceModel::RK13) {
        rbtRK13->setChecked(true);
        rbtRK13Click();
    } else {
        rbtRK12->setChecked(true);
        rbtRK12Click();
    }
    // Tab enters the model choice at the model chosen, as in any radio group.
    for (QRadioButton* model : {rbtRK12, rbtRK13})
        model->setFocusPolicy(model->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    // 6. Flow control.
    switch (settings.flowControl) {
    case 1:
        rdbFlowXonXoff->setChecked(true);
        lblFlow1->setText(QStringLiteral("ソフトウェア"));
        lblFlow2->setText(QStringLiteral("[Xon/Xoff]"));
        break;
    case 2:
        rdbFlowRtsCts->setChecked(true);
        lblFlow1->setText(QStringLiteral("ハードウェア"));
        lblFlow2->setText(QStringLiteral("[RTS/CTS]"));
        break;
    default:
        rdbFlowNon->setChecked(true);
        lblFlow1->setText(QStringLiteral("なし"));
        lblFlow2->clear();
        break;
    }
}

void TSettingsForm::rbtRK12Click() {
    cmbParity->setCurrentIndex(0);
}

void TSettingsForm::rbtRK13Click() {
    cmbParity->setCurrentIndex(2);
}

void TSettingsForm::bbtnOkClick() {
    // 1. A port marked "*" is taken like any other; its open simply fails later.
    if (const int i = cmbComCh->currentIndex(); i >= 0)
        comPort_ = portNumberOfEntry(i, cmbComCh->itemText(i));
    // 2.-3.
    bool ok = false;
    if (cmbBaudrate->currentIndex() >= 0) {
        const int baud = cmbBaudrate->currentText().toInt(&ok);
        if (ok)
            settings_.baudRate = baud;
    }
    if (cmbDataBits->currentIndex() >= 0) {
        const int bits = cmbDataBits->currentText().toInt(&ok);
        if (ok)
            settings_.byteSize = quint8(bits);
    }
    // 4. One and a half stop bits cannot be chosen here and become one.
    settings_.stopBits = cmbStopBits->currentIndex() == 1 ? 2 : 0;
    // 5.
    switch (cmbParity->currentIndex()) {
    case 1:
        settings_.parity = 1;
        break;
    case 2:
        settings_.parity = 2;
        break;
    default:
        settings_.parity = 0;
        break;
    }
    // 6.
    if (rdbFlowXonXoff->isChecked())
        settings_.flowControl = 1;
    else if (rdbFlowRtsCts->isChecked())
        settings_.flowControl = 2;
    else
        settings_.flowControl = 0;
    // 7.
    deviceModel_ = rbtRK12->isChecked() ? DeviceModel::RK12 : DeviceModel::RK13;
    accept();
}
