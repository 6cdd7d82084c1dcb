// The receive dispatcher: takes each completed reception over, logs it and routes it
// to the port search, the radio-frame scan or the text-reply parser.
#include "app/frmmain.h"
#include "laps/lapdecoders.h"
#include "protocol/replyparser.h"
#include "protocol/settingcommands.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

// A radio button pair of the settings page can show "no value": both unselected.
void selectRadio(QRadioButton* chosen, std::initializer_list<QRadioButton*> group) {
    for (QRadioButton* b : group) {
        b->setAutoExclusive(false);
        b->setChecked(b == chosen);
        b->setAutoExclusive(true);
    }
}

} // namespace

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
        if (deviceModel == DeviceModel::RK13) {
            const RadioFrame::FrameScanResult scan =
                RadioFrame::scanFrames(pending, RadioFrame::readRadioId(edtID->text()),
                                       RadioFrame::readRadioId(edtIDQK11->text()));
            applyFrameScan(scan);
            treatAsText = scan.treatAsText;
            text = scan.replyText;
        }
        if (treatAsText && !takeLapList(text)) {
            timWakeupWait.stop();
            applyReply(text);
        }
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
    prompts.message(QStringLiteral("KODAシステムとリンクしました。"), currentCaption(),
                    Prompts::Icon::Information);
    if (!portOpen)
        mnuCommOpenClick();
}

void TMainForm::applyReply(const QByteArray& text) {
    const ParsedReply reply = parseReply(text);
    using Outcome = ParsedReply::Outcome;
    switch (reply.outcome) {
    case Outcome::NoKey:
    case Outcome::MissingSelection: // nothing to take after the key: change nothing
        return;
    case Outcome::ConversionError:
        prompts.message(QStringLiteral("ERROR!!!"), currentCaption(), Prompts::Icon::Error);
        return;
    case Outcome::Ok:
        endBusy();
        enableDeviceButtons(true);
        return;
    case Outcome::Value:
        break;
    }

    // Up-down items: the spinner takes the value within its range; an entry that is
    // still empty afterwards (the position did not change) shows the received text.
    auto numberItem = [&](QLineEdit* edit, UpDown* upDown) {
        upDown->setPosition(reply.number);
        if (edit->text().isEmpty())
            edit->setText(reply.valueText);
    };
    switch (reply.key) {
    case ReplyKey::DisplayType:
        if (reply.selection == 'R')
            selectRadio(rabRealMode, {rabRealMode, rabLapMode});
        else if (reply.selection == 'L')
            selectRadio(rabLapMode, {rabRealMode, rabLapMode});
        settingReplyDone();
        break;
    case ReplyKey::Separator:
        if (reply.selection == ':')
            selectRadio(rabColon, {rabColon, rabDash});
        else if (reply.selection == '"')
            selectRadio(rabDash, {rabColon, rabDash});
        settingReplyDone();
        break;
    case ReplyKey::GAP:
        if (reply.selection == '0')
            chkGAP->setChecked(false);
        else if (reply.selection == '1')
            chkGAP->setChecked(true);
        settingReplyDone();
        break;
    case ReplyKey::LapDispTime:
        numberItem(edtLapDispTime, updLapDispTime);
        settingReplyDone();
        break;
    case ReplyKey::PassCP:
        numberItem(edtPass, updPass);
        settingReplyDone();
        break;
    case ReplyKey::CP:
        lapTable.cpLineCount = reply.number;
        numberItem(edtCP, updCP);
        settingReplyDone();
        advanceLapRead();
        break;
    case ReplyKey::SensorMarkTime:
        numberItem(edtSensorMarkTime, updSensorMarkTime);
        settingReplyDone();
        break;
    case ReplyKey::Diameter: {
        const int index = SettingCommands::pulseButtonForTag(reply.number);
        selectRadio(index >= 0 ? rabPulse[size_t(index)] : nullptr,
                    {rabPulse[0], rabPulse[1], rabPulse[2], rabPulse[3], rabPulse[4], rabPulse[5],
                     rabPulse[6]});
        settingReplyDone();
        break;
    }
    case ReplyKey::K:
        edtK->setText(reply.kText);
        settingReplyDone();
        break;
    case ReplyKey::Odo:
        pnlOdo->setText(reply.valueText);
        settingReplyDone();
        break;
    case ReplyKey::Version:
        pnlVersion->setText(reply.valueText);
        settingReplyDone();
        break;
    case ReplyKey::LInfo:
        applyLapInfo(reply.lines);
        retryCount = 0;
        break;
    case ReplyKey::LData:
        applyLapData(reply.lines);
        retryCount = 0;
        break;
    case ReplyKey::None:
        break;
    }
}
