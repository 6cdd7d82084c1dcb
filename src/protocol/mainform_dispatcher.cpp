// The receive dispatcher: takes each completed reception over, logs it and routes it
// to the port search, the radio-frame scan or the text-reply parser.
#include "app/frmmain.h"
#include "laps/lapdecoders.h"
#include "protocol/replyparser.h"
#include "protocol/settingcommands.h"
#include "windows/radiochoice.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

void TMainForm::dispatchReception() {
    if (!reception.rxComplete) {
        dispatchDueMs = -1;
        return;
    }
    // The reception is taken over 100 ms after it came in, so that a reply arriving
    // in several receptions is taken as one. The wait does not block the window.
    if (dispatchDueMs < 0)
        dispatchDueMs = tickCounter.elapsed() + 100;
    if (tickCounter.elapsed() < dispatchDueMs)
        return;
    dispatchDueMs = -1;

    reception.rxComplete = false;
    replyText = reception.rxText;
    reception.rxText.clear();
    pendingLength = reception.rxLength;
    const QByteArray pending = reception.rxBytes.left(pendingLength);
    reception.rxBytes.clear();
    reception.rxLength = 0;
    emit eventFeed.lineEvent({QDateTime::currentDateTimeUtc(), QStringLiteral("reception"),
                              QString::number(pending.size())});
    if (replyText.isEmpty()) {
        pendingLength = 0;
        return;
    }
    appendMonitorLine(QStringLiteral("Rx:") + replyText);

    if (portSearching) {
        searchReplyCheck();
    } else {
        bool treatAsText = true;
        QByteArray text = pending;
        if (deviceTraits(deviceModel).radioFrames) {
            const RadioFrame::FrameScanResult scan =
                RadioFrame::scanFrames(pending, RadioFrame::readRadioId(edtID->text()),
                                       RadioFrame::readRadioId(edtIDQK11->text()));
            applyFrameScan(scan);
            treatAsText = scan.treatAsText;
            text = scan.replyText;
        }
        if (treatAsText && !takeLapList(text))
            applyReply(text);
    }
    replyText.clear();
    pendingLength = 0;
}

void TMainForm::searchReplyCheck() {
    if (!replyText.contains(searchReply))
        return;
    endBusy();
    timPortSearchWait.stop();
    portSearching = false;
    configuredPort = comPort;
    prompts.message(QStringLiteral("KODAシステムとリンクしました。"), currentCaption(),
                    Prompts::Icon::Information);
    if (!portOpen)
        mnuCommOpenClick();
}

void TMainForm::applyReply(const QByteArray& text) {
    const ParsedReply reply = parseReply(text);
    using Outcome = ParsedReply::Outcome;
    // Text without a key, or a key without its character, is no answer: the request's
    // time-out goes on and sends it again, so that every request ends.
    if (reply.outcome != Outcome::NoKey && reply.outcome != Outcome::MissingSelection)
        timWakeupWait.stop();
    switch (reply.outcome) {
    case Outcome::NoKey:
    case Outcome::MissingSelection: // nothing to take after the key: change nothing
        return;
    case Outcome::ConversionError:
        // The answer came but cannot be used: the request ends with the error, and a
        // chain stops there; a running lap read finishes and gives the buttons back.
        endBusy();
        readAllItem = 0;
        writeAllItem = 0;
        prompts.message(QStringLiteral("ERROR!!!"), currentCaption(), Prompts::Icon::Error);
        if (lapTable.lapReadStep != 0)
            lapTable.lapReadStep = 99;
        else if (lapTable.lapInfoStep != 0)
            lapTable.lapInfoStep = 99;
        else
            enableDeviceButtons(true);
        return;
    case Outcome::Ok:
        endBusy();
        enableDeviceButtons(true);
        return;
    case Outcome::Value:
        break;
    }

    switch (reply.key) {
    case ReplyKey::LInfo:
        applyLapInfo(reply.lines);
        retryCount = 0;
        return;
    case ReplyKey::LData:
        applyLapData(reply.lines);
        retryCount = 0;
        return;
    case ReplyKey::CP:
        // The magnetic lines steer the RK-12 lap read, which goes on after the item.
        lapTable.cpLineCount = reply.number;
        break;
    default:
        break;
    }
    const SettingItems::Item* row = SettingItems::forReply(reply.key);
    if (!row)
        return;
    const SettingControls& c = settingControls[size_t(row->tag)];
    using SettingItems::Control;
    switch (row->control) {
    case Control::RadioPair:
        if (reply.selection == row->first)
            selectRadio(c.first, std::array{c.first, c.second});
        else if (reply.selection == row->second)
            selectRadio(c.second, std::array{c.first, c.second});
        break;
    case Control::Tick:
        if (reply.selection == row->second)
            c.tick->setChecked(false);
        else if (reply.selection == row->first)
            c.tick->setChecked(true);
        break;
    case Control::Number:
        // The spinner takes the value within its range; an entry that is still empty
        // afterwards (the position did not change) shows the received text.
        c.upDown->setPosition(reply.number);
        if (c.edit->text().isEmpty())
            c.edit->setText(reply.valueText);
        break;
    case Control::PulseFactor: {
        const int index = SettingCommands::pulseButtonForTag(reply.number);
        selectRadio(index >= 0 ? rabPulse[size_t(index)] : nullptr, rabPulse);
        break;
    }
    case Control::KEntry:
        c.edit->setText(reply.kText);
        break;
    case Control::Display:
        c.display->setText(reply.valueText);
        break;
    }
    settingValueKnown[SettingItems::rowIndex(*row)] = true;
    settingReplyDone();
    if (reply.key == ReplyKey::CP)
        advanceLapRead();
}
