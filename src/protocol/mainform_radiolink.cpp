// Radio frames of the main window: the radio ID check, sending a frame, applying what a
// reception's frames ask for, the antenna indicator and the hold-off after live laps.
#include "app/frmmain.h"
#include "laps/lapdecoders.h"
#include "serial/rscommthread.h"

#include <QLabel>
#include <QLineEdit>

#include <cstring>

bool TMainForm::checkRadioId() {
    if (!deviceTraits(deviceModel).radioFrames)
        return true;
    if (RadioFrame::isUsableRadioId(RadioFrame::readRadioId(edtID->text())))
        return true;
    prompts.message(QStringLiteral("IDを入力してください。"), currentCaption(),
                    Prompts::Icon::Warning);
    return false;
}

bool TMainForm::sendFrameBytes(const quint8* bytes, int count) {
    if (closing)
        return false;
    const Transmission transmission(*this);
    count = std::clamp(count, 0, int(sizeof sendBuffer));
    std::memcpy(sendBuffer, bytes, size_t(count));
    emit eventFeed.bytesSent(QByteArray(reinterpret_cast<const char*>(sendBuffer), count),
                             QDateTime::currentDateTimeUtc());
    if (commThread->writeBytes(reinterpret_cast<const char*>(sendBuffer), count) == count)
        return true;
    if (closing)
        return false; // the window closes: nobody waits for this frame
    prompts.message(QStringLiteral("送信失敗"), currentCaption(), Prompts::Icon::Warning);
    return false;
}

void TMainForm::applyFrameScan(const RadioFrame::FrameScanResult& scan) {
    // Every lap and fuel frame of the reception, in order of arrival; the text frames are
    // the reply, which the dispatcher parses afterwards.
    using Kind = RadioFrame::FrameItem::Kind;
    for (const RadioFrame::FrameItem& item : scan.items) {
        if (item.kind == Kind::Text)
            continue;
        if (item.kind == Kind::Fuel) {
            blinkAntenna(true, RadioFrame::KindFuelMeter);
            showFuelData(item.fuel.distance, item.fuel.remaining, item.fuel.used,
                         item.fuel.economy);
            continue;
        }
        blinkAntenna(true, RadioFrame::KindLapTimer);
        // A lap block answers the running lap read, and a live lap ends it. Neither answers
        // any other request: a settings request's time-out goes on, so that a reply lost
        // beside a live lap is sent again.
        if (lapTable.lapInfoStep != 0)
            timWakeupWait.stop();
        const bool live = item.kind == Kind::LiveLap;
        if (live) {
            timRKSend.stop();
            enableDeviceButtons(false);
        }
        decodeLapFrameGlue(item);
        if (live) {
            timRKSend.start(3000);
            if (lapTable.lapInfoStep != 0) {
                noteLapReadStop(LapReadStop::LiveLap);
                lapTable.lapInfoStep = 99;
            }
        }
    }
}

void TMainForm::blinkAntenna(bool show, char kind) {
    timAntenna.stop();
    imgAntenna->move(imgAntenna->x(), kind == RadioFrame::KindLapTimer ? 16 : 72);
    imgAntenna->setVisible(show);
    imgAntenna->repaint();
    if (show)
        timAntenna.start(200);
}

void TMainForm::timAntennaTimer() {
    timAntenna.stop();
    imgAntenna->hide();
}

void TMainForm::timRKSendTimer() {
    timRKSend.stop();
    // A request still running keeps the buttons off; its end gives them back.
    if (busyWindow.isNull())
        enableDeviceButtons(true);
}
