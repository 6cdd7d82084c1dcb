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
    if (!checkRadioId())
        return;
    // A chain that was interrupted is over: the reply to this request must not go on
    // with it.
    readAllItem = 0;
    writeAllItem = 0;
    readSetting(tag);
}

void TMainForm::btnWrite1Click(int tag) {
    if (!checkRadioId())
        return;
    readAllItem = 0;
    writeAllItem = 0;
    writeSetting(tag);
}

void TMainForm::connectSettingEntries() {
    // A value the user sets on the page is chosen: All Write sends it without asking.
    for (const SettingItems::Item& row : SettingItems::items) {
        const std::size_t index = SettingItems::rowIndex(row);
        const auto entered = [this, index] { settingValueKnown[index] = true; };
        const SettingControls& c = settingControls[size_t(row.tag)];
        switch (row.control) {
        case Control::RadioPair:
            connect(c.first, &QRadioButton::clicked, this, entered);
            connect(c.second, &QRadioButton::clicked, this, entered);
            break;
        case Control::Tick:
            connect(c.tick, &QCheckBox::clicked, this, entered);
            break;
        case Control::Number:
            connect(c.edit, &QLineEdit::textEdited, this, entered);
            connect(c.upDown, &UpDown::stepped, this, entered);
            break;
        case Control::KEntry:
            connect(c.edit, &QLineEdit::textEdited, this, entered);
            break;
        case Control::PulseFactor:
            for (QRadioButton* b : rabPulse)
                connect(b, &QRadioButton::clicked, this, entered);
            break;
        case Control::Display:
            break;
        }
    }
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
        settingValueKnown[SettingItems::rowIndex(*row)] = false;
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

QString TMainForm::writeCommandFor(const SettingItems::Item& row) const {
    const SettingControls& c = settingControls[size_t(row.tag)];
    switch (row.control) {
    case Control::RadioPair:
        // Neither button chosen: there is no value to write.
        if (!c.first->isChecked() && !c.second->isChecked())
            return {};
        return SettingCommands::choiceCommand(row.tag, c.first->isChecked());
    case Control::Tick:
        return SettingCommands::choiceCommand(row.tag, c.tick->isChecked());
    case Control::Number:
        return SettingCommands::valueCommand(row.tag, c.edit->text());
    case Control::KEntry:
        return SettingCommands::checkKEntry(c.edit->text()).ok
                   ? SettingCommands::kCommand(c.edit->text())
                   : QString();
    case Control::PulseFactor:
        for (QRadioButton* b : rabPulse)
            if (b->isChecked())
                return SettingCommands::diameterCommand(b->property("Tag").toInt());
        return {};
    case Control::Display:
        break;
    }
    return {};
}

bool TMainForm::allWriteConfirmed() {
    // Every value is checked before the first is sent: a value that cannot be written
    // stops All Write with the items named, and values neither read from the lap timer
    // nor entered in this run are written only when the user says so.
    QList<SettingCommands::PendingWrite> writes;
    for (int tag = SettingItems::firstInChain(deviceModel, true); tag != 0;
         tag = SettingItems::nextInChain(tag, deviceModel, true)) {
        const SettingItems::Item& row = *SettingItems::find(tag, deviceModel);
        writes.append({tag, writeCommandFor(row), settingValueKnown[SettingItems::rowIndex(row)]});
    }
    const SettingCommands::WriteCheck check = SettingCommands::checkWrites(writes);
    if (!check.invalid.isEmpty()) {
        prompts.message(SettingCommands::invalidValuesMessage(check.invalid, deviceModel),
                        currentCaption(), Prompts::Icon::Warning);
        return false;
    }
    if (check.unconfirmed.isEmpty())
        return true;
    return prompts.message(
               SettingCommands::unconfirmedValuesQuestion(check.unconfirmed, deviceModel),
               currentCaption(), Prompts::Icon::Question,
               Prompts::Buttons::YesNo) == Prompts::Answer::Yes;
}

void TMainForm::writeSetting(int item) {
    const SettingItems::Item* row = SettingItems::find(item, deviceModel);
    if (item == SettingItems::AllItems) {
        if (!allWriteConfirmed())
            return;
        writeAllItem = SettingItems::firstInChain(deviceModel, true);
        writeSetting(writeAllItem);
    } else if (row && !row->writeKey.empty()) {
        const QString command = writeCommandFor(*row);
        if (command.isEmpty()) {
            // Nothing is sent for a value that cannot be written, and nothing else in its
            // place: the user is told which item it is, and a chain ends here.
            if (writeAllItem != 0) {
                writeAllItem = 0;
                endBusy();
                enableDeviceButtons(true);
            }
            prompts.message(SettingCommands::invalidValuesMessage({item}, deviceModel),
                            currentCaption(), Prompts::Icon::Warning);
            return;
        }
        // The value area is emptied; the reply fills it again. The K entry keeps its text.
        const SettingControls& c = settingControls[size_t(item)];
        switch (row->control) {
        case Control::RadioPair:
            selectRadio(nullptr, std::array{c.first, c.second});
            break;
        case Control::Tick:
            c.tick->setChecked(false);
            break;
        case Control::Number:
            c.edit->clear();
            break;
        case Control::PulseFactor:
            selectRadio(nullptr, rabPulse);
            break;
        case Control::KEntry:
        case Control::Display:
            break;
        }
        lastCommand = command;
        sendLogged(lastCommand);
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
