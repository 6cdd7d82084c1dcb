// The device settings page: Read and Write of each item, the All Read / All Write
// chains, the device buttons and the layout switch between the lap-timer models.
#include "app/frmmain.h"
#include "protocol/replyparser.h"
#include "protocol/settingcommands.h"
#include "windows/radiochoice.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using SettingItems::Control;

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
    // The item's value is cleared first, so that what the reply brings shows.
    if (const SettingItems::Item* row = SettingItems::find(item, deviceModel)) {
        const SettingControls& c = settingControls[size_t(item)];
        switch (row->control) {
        case Control::RadioPair:
            selectRadio(nullptr, std::array{c.first, c.second});
            break;
        case Control::Tick:
            c.tick->setChecked(false);
            break;
        case Control::Number:
        case Control::KEntry:
            c.edit->clear();
            break;
        case Control::PulseFactor:
            selectRadio(nullptr, rabPulse);
            break;
        case Control::Display:
            c.display->clear();
            break;
        }
    }
    if (item == SettingItems::AllItems) {
        readAllItem = SettingItems::firstInChain(deviceModel, false);
        readSetting(readAllItem);
    } else {
        lastCommand = SettingCommands::readCommand(item, deviceModel);
        sendLogged(lastCommand);
    }
    enableDeviceButtons(false);
    showBusy();
    retryCount = 0;
    awaitReply(3000);
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
    const SettingItems::Item* row = SettingItems::find(item, deviceModel);
    if (item == SettingItems::AllItems) {
        writeAllItem = SettingItems::firstInChain(deviceModel, true);
        writeSetting(writeAllItem);
    } else if (row && !row->writeKey.empty()) {
        const SettingControls& c = settingControls[size_t(item)];
        switch (row->control) {
        case Control::RadioPair: {
            const QString command = SettingCommands::choiceCommand(item, c.first->isChecked());
            selectRadio(nullptr, std::array{c.first, c.second});
            send(command);
            break;
        }
        case Control::Tick: {
            const QString command = SettingCommands::choiceCommand(item, c.tick->isChecked());
            c.tick->setChecked(false);
            send(command);
            break;
        }
        case Control::Number: {
            const QString text = c.edit->text();
            if (!text.isEmpty()) {
                bool ok = false;
                parseDecimalInt(text.toLatin1(), &ok);
                if (!ok) {
                    refuse();
                    return;
                }
                const QString command = SettingCommands::valueCommand(item, text);
                if (!command.isEmpty()) {
                    c.edit->clear();
                    send(command);
                }
            }
            break;
        }
        case Control::KEntry: {
            const QString command = SettingCommands::kCommand(c.edit->text());
            if (command.isEmpty()) {
                refuse();
                return;
            }
            send(command);
            break;
        }
        case Control::PulseFactor: {
            int tag = 0;
            for (QRadioButton* b : rabPulse)
                if (b->isChecked())
                    tag = b->property("Tag").toInt();
            selectRadio(nullptr, rabPulse);
            if (tag != 0)
                send(SettingCommands::diameterCommand(tag));
            break;
        }
        case Control::Display:
            break;
        }
    }
    enableDeviceButtons(false);
    showBusy();
    retryCount = 0;
    awaitReply(3000);
}

void TMainForm::settingReplyDone() {
    const auto finish = [this] {
        endBusy();
        enableDeviceButtons(true);
    };
    // An All Write or All Read chain goes on with its next item, or ends after its last.
    const auto chainStep = [this, &finish](qint32& item, bool writing) {
        item = SettingItems::nextInChain(item, deviceModel, writing);
        if (item == 0)
            finish();
        else if (writing)
            writeSetting(item);
        else
            readSetting(item);
    };
    if (writeAllItem != 0)
        chainStep(writeAllItem, true);
    else if (readAllItem != 0)
        chainStep(readAllItem, false);
    else if (lapTable.lapReadStep == 0) // the RK-12 lap read handles the busy state itself
        finish();
}

void TMainForm::enableDeviceButtons(bool on) {
    // Nothing can be asked of a device that has gone.
    on = on && !portLost;
    for (int tag = 0; tag < SettingItems::TagLimit; ++tag) {
        if (btnRead[tag])
            btnRead[tag]->setEnabled(on);
        if (btnWrite[tag])
            btnWrite[tag]->setEnabled(on);
    }
    spbRead->setEnabled(on);
    spbClear->setEnabled(on);
}

void TMainForm::applyModelLayout() {
    const SettingItems::Item* pulse = SettingItems::find(SettingItems::PulseItem, deviceModel);
    lblPLS->setText(SettingCommands::caption(*pulse));
    for (QRadioButton* b : rabPulse)
        b->setVisible(pulse->control == Control::PulseFactor);
    edtK->setVisible(pulse->control == Control::KEntry);
    lblK->setVisible(pulse->control == Control::KEntry);
    edtID->setVisible(deviceTraits(deviceModel).radioFrames);
    lblID->setVisible(deviceTraits(deviceModel).radioFrames);
    for (const SettingItems::Item& row : SettingItems::items) {
        // The pulse item has a row per model and is always shown; its controls switch above.
        if (SettingItems::find(row.tag, deviceModel) == &row)
            settingRow[row.tag]->setVisible(SettingItems::shownFor(row, deviceModel));
    }
    // The pulse buttons need a tall row; the K entry a short one, and its caption wraps
    // to three lines, which need the whole height of the row.
    const bool kEntry = pulse->control == Control::KEntry;
    settingRow[SettingItems::PulseItem]->setFixedHeight(kEntry ? 50 : 81);
    lblPLS->setGeometry(lblPLS->x(), kEntry ? 0 : 29, lblPLS->width(), kEntry ? 50 : 42);
    btnRead[SettingItems::PulseItem]->move(btnRead[SettingItems::PulseItem]->x(), kEntry ? 16 : 32);
    btnWrite[SettingItems::PulseItem]->move(btnWrite[SettingItems::PulseItem]->x(),
                                            kEntry ? 16 : 32);
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
