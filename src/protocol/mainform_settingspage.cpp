// The device settings page: Read and Write of each item, the All Read / All Write
// chains, the device buttons and the layout switch between the lap-timer models.
#include "app/frmmain.h"
#include "protocol/replyparser.h"
#include "protocol/settingcommands.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

void unselect(std::initializer_list<QRadioButton*> group) {
    for (QRadioButton* b : group) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

} // namespace

void TMainForm::btnRead1Click(int tag) {
    if (checkRadioId())
        readSetting(tag);
}

void TMainForm::btnWrite1Click(int tag) {
    if (checkRadioId())
        writeSetting(tag);
}

void TMainForm::readSetting(int item) {
    switch (item) {
    case 1:
        unselect({rabRealMode, rabLapMode});
        break;
    case 2:
        edtLapDispTime->clear();
        break;
    case 3:
        edtCP->clear();
        break;
    case 4:
        edtPass->clear();
        break;
    case 5:
        unselect({rabColon, rabDash});
        break;
    case 6:
        if (deviceModel == DeviceModel::RK13)
            edtK->clear();
        else
            unselect({rabPulse[0], rabPulse[1], rabPulse[2], rabPulse[3], rabPulse[4], rabPulse[5],
                      rabPulse[6]});
        break;
    case 7:
        edtSensorMarkTime->clear();
        break;
    case 8:
        pnlOdo->clear();
        break;
    case 9:
        pnlVersion->clear();
        break;
    case 11:
        chkGAP->setChecked(false);
        break;
    default:
        break;
    }
    if (item == SettingCommands::AllItems) {
        readAllItem = 1;
        readSetting(1);
    } else {
        lastCommand = SettingCommands::readCommand(item, deviceModel);
        sendLogged(lastCommand);
    }
    enableDeviceButtons(false);
    showBusy();
    retryCount = 0;
    replyWaitMs = 3000;
    startReplyTimer(3000);
}

void TMainForm::writeSetting(int item) {
    auto send = [this](const QString& command) {
        lastCommand = command;
        sendLogged(lastCommand);
    };
    // A value that is no number cannot be written; the user is told so.
    auto refuse = [this] {
        prompts.message(QStringLiteral("正しい値を入力してください。"), currentCaption(),
                        Prompts::Icon::Warning);
    };
    switch (item) {
    case 1: {
        const QString command = SettingCommands::displayTypeCommand(rabRealMode->isChecked());
        unselect({rabRealMode, rabLapMode});
        send(command);
        break;
    }
    case 5: {
        const QString command = SettingCommands::separatorCommand(rabColon->isChecked());
        unselect({rabColon, rabDash});
        send(command);
        break;
    }
    case 2:
    case 3:
    case 4:
    case 7: {
        QLineEdit* edit = item == 2   ? edtLapDispTime
                          : item == 3 ? edtCP
                          : item == 4 ? edtPass
                                      : edtSensorMarkTime;
        const QString text = edit->text();
        if (!text.isEmpty()) {
            bool ok = false;
            parseDecimalInt(text.toLatin1(), &ok);
            if (!ok) {
                refuse();
                return;
            }
            const QString command = SettingCommands::valueCommand(item, text);
            if (!command.isEmpty()) {
                edit->clear();
                send(command);
            }
        }
        break;
    }
    case 6:
        if (deviceModel == DeviceModel::RK13) {
            const QString command = SettingCommands::kCommand(edtK->text());
            if (command.isEmpty()) {
                refuse();
                return;
            }
            send(command);
        } else {
            int tag = 0;
            for (QRadioButton* b : rabPulse)
                if (b->isChecked())
                    tag = b->property("Tag").toInt();
            unselect({rabPulse[0], rabPulse[1], rabPulse[2], rabPulse[3], rabPulse[4], rabPulse[5],
                      rabPulse[6]});
            if (tag != 0)
                send(SettingCommands::diameterCommand(tag));
        }
        break;
    case SettingCommands::AllItems:
        writeAllItem = 1;
        writeSetting(1);
        break;
    case 11: {
        const QString command = SettingCommands::gapCommand(chkGAP->isChecked());
        chkGAP->setChecked(false);
        send(command);
        break;
    }
    default:
        break;
    }
    enableDeviceButtons(false);
    showBusy();
    retryCount = 0;
    replyWaitMs = 3000;
    startReplyTimer(3000);
}

void TMainForm::settingReplyDone() {
    if (writeAllItem != 0) {
        ++writeAllItem;
        if (writeAllItem <= SettingCommands::LastWriteInChain) {
            writeSetting(writeAllItem);
        } else {
            endBusy();
            enableDeviceButtons(true);
            writeAllItem = 0;
        }
    } else if (readAllItem != 0) {
        ++readAllItem;
        if (readAllItem <= SettingCommands::LastReadInChain) {
            readSetting(readAllItem);
        } else {
            endBusy();
            enableDeviceButtons(true);
            readAllItem = 0;
        }
    } else if (lapTable.lapReadStep != 0) {
        // The RK-12 lap read handles the busy state itself.
    } else {
        endBusy();
        enableDeviceButtons(true);
    }
}

void TMainForm::enableDeviceButtons(bool on) {
    // Nothing can be asked of a device that has gone.
    on = on && !portLost;
    for (int tag = 1; tag <= 11; ++tag) {
        if (btnRead[tag])
            btnRead[tag]->setEnabled(on);
        if (btnWrite[tag])
            btnWrite[tag]->setEnabled(on);
    }
    spbRead->setEnabled(on);
    spbClear->setEnabled(on);
}

void TMainForm::applyModelLayout() {
    const bool rk13 = deviceModel == DeviceModel::RK13;
    lblPLS->setText(rk13 ? QStringLiteral("車速センサパルス幅 0.00001～         9.99999   （K）")
                         : QStringLiteral("車速センサパルス倍率   （PLS）"));
    for (QRadioButton* b : rabPulse)
        b->setVisible(!rk13);
    edtK->setVisible(rk13);
    lblK->setVisible(rk13);
    edtID->setVisible(rk13);
    lblID->setVisible(rk13);
    settingRow[11]->setVisible(rk13);
    // The pulse buttons need a tall row; the K entry a short one.
    settingRow[6]->setFixedHeight(rk13 ? 50 : 81);
    // The RK-13 caption wraps to three lines, which need the whole height of the row.
    lblPLS->setGeometry(lblPLS->x(), rk13 ? 0 : 29, lblPLS->width(), rk13 ? 50 : 42);
    btnRead[6]->move(btnRead[6]->x(), rk13 ? 16 : 32);
    btnWrite[6]->move(btnWrite[6]->x(), rk13 ? 16 : 32);
}

void TMainForm::edtKExit() {
    if (edtK->text().isEmpty())
        return; // nothing typed yet: nothing to check
    const SettingCommands::KCheck check = SettingCommands::checkKEntry(edtK->text());
    if (!check.ok) {
        prompts.message(QStringLiteral("正しい値を入力してください。"), currentCaption(),
                        Prompts::Icon::Warning);
        edtK->setFocus();
        return;
    }
    edtK->setText(check.formatted);
}
