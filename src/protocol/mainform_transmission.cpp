// The path of every command on its way out, the traffic monitor, the busy state and
// the reply timer with its retries.
#include "app/frmmain.h"
#include "protocol/devicetext.h"
#include "protocol/trafficmonitor.h"
#include "serial/rscommthread.h"
#include "windows/frmanimation.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace {

// characterCount() includes the document's final paragraph separator.
qsizetype monitorLength(const QPlainTextEdit* monitor) {
    return monitor->document()->characterCount() - 1;
}

void applyMonitorPlan(QPlainTextEdit* monitor, const TrafficMonitor::LinePlan& plan) {
    if (!plan.add)
        return;
    if (plan.dropLeading > 0) {
        QTextCursor cursor(monitor->document());
        cursor.setPosition(0);
        cursor.setPosition(int(plan.dropLeading), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    monitor->appendPlainText(plan.line);
}

} // namespace

void TMainForm::appendMonitorLine(const QString& text) {
    applyMonitorPlan(memTxRxMonitor,
                     TrafficMonitor::planMonitorLine(monitorLength(memTxRxMonitor), text));
}

void TMainForm::dumpFrameHex(const char* bytes, int count) {
    applyMonitorPlan(memTxRxMonitor, TrafficMonitor::planHexLine(monitorLength(memTxRxMonitor),
                                                                 QByteArrayView(bytes, count)));
}

TMainForm::Transmission::Transmission(TMainForm& form) : form_(form), outer_(!form.txBusy) {
    form_.txBusy = true;
}

TMainForm::Transmission::~Transmission() {
    if (!outer_)
        return;
    form_.txBusy = false;
    if (form_.closeAfterTransmission) {
        form_.closeAfterTransmission = false;
        QMetaObject::invokeMethod(
            &form_, [form = &form_] { form->close(); }, Qt::QueuedConnection);
    }
}

bool TMainForm::sendCommand(const QString& text) {
    const Transmission transmission(*this);
    bool result = false;
    const QByteArray line = encodeDeviceText(text);
    if (deviceTraits(deviceModel).radioFrames && !portSearching) {
        const RadioFrame::BuiltFrame built = RadioFrame::buildCommandFrame(
            frameBuffer, RadioFrame::readRadioId(edtID->text()), line);
        switch (built.error) {
        case RadioFrame::BuildError::BadRadioId:
            prompts.message(QStringLiteral("IDを入力してください。"), currentCaption(),
                            Prompts::Icon::Warning);
            break;
        case RadioFrame::BuildError::TooLong:
            // A radio frame carries at most 72 bytes; a cut command could do harm.
            prompts.message(QStringLiteral("コマンドが長すぎます。RK-13へは改行を含めて%1バイトまで"
                                           "送信できます。")
                                .arg(RadioFrame::MaxPayload),
                            currentCaption(), Prompts::Icon::Warning);
            break;
        default:
            frameLength = built.length;
            result = sendFrameBytes(frameBuffer, frameLength);
            dumpFrameHex(reinterpret_cast<const char*>(frameBuffer), frameLength);
            break;
        }
    } else if (!closing) {
        if (!line.isEmpty())
            emit eventFeed.bytesSent(line, QDateTime::currentDateTimeUtc());
        if (line.isEmpty()) {
            result = true;
        } else if (commThread->writeBytes(line.constData(), int(line.size())) == line.size()) {
            result = true;
        } else {
            prompts.message(QStringLiteral("送信失敗"), currentCaption(), Prompts::Icon::Warning);
        }
    }
    return result;
}

void TMainForm::sendLogged(const QString& text) {
    appendMonitorLine(QStringLiteral("Tx:") + text);
    emit eventFeed.lineEvent(
        {QDateTime::currentDateTimeUtc(), QStringLiteral("request"), text.trimmed()});
    if (!sendCommand(text)) {
        endBusy();
        appendMonitorLine(QStringLiteral("送信失敗\r\n"));
    }
}

void TMainForm::showBusy() {
    wakeIdle();
    if (busyWindow)
        return;
    busyWindow = new TAnimationForm(this, busyWindowOpen);
    busyWindow->show();
}

void TMainForm::endBusy() {
    if (!busyWindow)
        return;
    TAnimationForm* window = busyWindow;
    busyWindow = nullptr;
    window->close(); // its close handler clears busyWindowOpen
    delete window;
}

void TMainForm::awaitReply(int ms) {
    replyWaitMs = ms;
    replyGraceMs = 0;
    timWakeupWait.stop();
    timWakeupWait.setInterval(ms);
    timWakeupWait.start();
}

void TMainForm::timWakeupWaitTimer() {
    timWakeupWait.stop();
    if (portSearching) {
        // The expiry belongs to the port search: try the next port.
        mnuCommOpenClick();
        ++searchPort;
        return;
    }
    // A lap list still arriving is not timed out: its wait counts from its last byte, so
    // a long list at a low baud rate is not sent for again while it comes in.
    if (waitingForLapList()) {
        const int left = lapListGatherer.waitLeftMs(commThread->msSinceLastByte(), replyWaitMs,
                                                    commThread->bytesBeingCollected());
        if (left > 0) {
            timWakeupWait.setInterval(left);
            timWakeupWait.start();
            return;
        }
    }
    // The reply may be coming in right now: bytes are being received, or a complete
    // reception waits for its dispatch. The dispatch decides: a reply ends the wait,
    // anything else brings the expiry back a moment later. A line that never falls
    // quiet holds the request for one more wait at most.
    const bool replyArriving =
        reception.rxComplete || (portOpen && commThread && commThread->receiving());
    if (replyArriving && replyGraceMs < replyWaitMs) {
        replyGraceMs += kReplyRecheckMs;
        timWakeupWait.start(kReplyRecheckMs);
        return;
    }
    replyGraceMs = 0;
    ++retryCount;
    emit eventFeed.lineEvent({QDateTime::currentDateTimeUtc(), QStringLiteral("timeout"),
                              QString::number(replyWaitMs)});
    if (retryCount <= 3) {
        appendMonitorLine(QStringLiteral("Wakeup Retry:") + QString::number(retryCount));
        emit eventFeed.lineEvent({QDateTime::currentDateTimeUtc(), QStringLiteral("retry"),
                                  QString::number(retryCount)});
        if (deviceTraits(deviceModel).lapRead == LapRead::InfoAndBlocks &&
            lapTable.lapInfoStep != 0) {
            sendFrameBytes(frameBuffer, frameLength);
            dumpFrameHex(reinterpret_cast<const char*>(frameBuffer), frameLength);
        } else {
            // A lap list asked for again is received afresh.
            if (lapListGatherer.awaiting())
                lapListGatherer.restart();
            lapListFailure.clear();
            sendLogged(lastCommand);
        }
        awaitReply(replyWaitMs);
        return;
    }
    endBusy();
    // Lists that came but could not be read are named: the connection is not to blame.
    const QString failure = std::exchange(lapListFailure, QString());
    // A chain that failed is over: a late reply must not send its next item.
    readAllItem = 0;
    writeAllItem = 0;
    prompts.message(
        failure.isEmpty()
            ? QStringLiteral("KODAシリーズと通信できませんでした。\r\n接続を確認してください。")
            : failure,
        currentCaption(), Prompts::Icon::Warning);
    if (deviceTraits(deviceModel).lapRead == LapRead::InfoAndBlocks) {
        if (lapTable.lapInfoStep != 0)
            noteLapReadStop(LapReadStop::NoContact);
        lapTable.lapInfoStep = 99;
    } else
        lapTable.lapReadStep = 99;
}

void TMainForm::spbCommandTxClick() {
    if (!checkRadioId())
        return;
    if (txtEdit->text().isEmpty())
        return;
    const QString command = txtEdit->text() + QStringLiteral("\r\n");
    appendMonitorLine(QStringLiteral("Tx:") + command);
    if (!sendCommand(command)) {
        endBusy();
        appendMonitorLine(QStringLiteral("送信失敗\r\n"));
    }
}

void TMainForm::cmbTemplateChange() {
    txtEdit->setText(cmbTemplate->currentText());
    txtEdit->setFocus();
    txtEdit->end(false);
}

void TMainForm::spbMonitorClearClick() {
    memTxRxMonitor->clear();
}
