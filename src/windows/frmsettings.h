#pragma once
// The port properties dialog "通信ポートのプロパティ". The user chooses the COM
// port and the lap-timer model; baud rate, parity and stop bits are shown but fixed,
// and the flow control and data bits travel through controls the user does not see.
// On OK the chosen values are written back into the caller's variables; on
// Cancel nothing changes.
#include "protocol/devicemodel.h"
#include "serial/commsettings.h"

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize clientSize{321, 214};

    // A deviceModel other than RK-13 is shown as RK-12; OK writes back one of the two.
    TSettingsForm(QWidget* owner, int& comPort, DeviceModel& deviceModel, CommSettings& settings,
                  const QStringList& portList);

    // Visible controls.
    QGroupBox* GroupBox = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cmbComCh = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbBaudrate = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtDataBits = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbParity = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cmbStopBits = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* lblFlow1 = nullptr;
    QLabel* lblFlow2 = nullptr;
    QPushButton* bbtnOk = nullptr;
    QPushButton* bbtnNg = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Rin Koda Model"
    QRadioButton* rbtRK12 = nullptr;
    QRadioButton* rbtRK13 = nullptr;

    // Controls outside the visible area: they only carry values in and out.
    QRadioButton* rdbFlowNon = nullptr;
    QRadioButton* rdbFlowXonXoff = nullptr;
    QRadioButton* rdbFlowRtsCts = nullptr;
    QComboBox* cmbDataBits = nullptr;

public slots:
    void bbtnOkClick();
    void rbtRK12Click();
    void rbtRK13Click();

private:
    int& comPort_;
    DeviceModel& deviceModel_;
    CommSettings& settings_;
    QButtonGroup* flowGroup_ = nullptr;
};
