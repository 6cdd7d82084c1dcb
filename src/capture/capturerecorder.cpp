#include "capture/capturerecorder.h"
#include "feed/eventfeed.h"

#include <QDir>
#include <QStandardPaths>

namespace capture {

namespace {

qint64 microseconds(const QDateTime& at) {
    return at.toMSecsSinceEpoch() * 1000;
}

} // namespace

CaptureRecorder::CaptureRecorder(feed::EventFeed& feed, const QString& folder, CaptureLimits limits,
                                 QObject* parent)
    : QObject(parent), files_(folder, limits) {
    connect(&feed, &feed::EventFeed::bytesSent, this,
            [this](const QByteArray& bytes, const QDateTime& at) {
                record({Direction::Sent, microseconds(at), bytes, {}, {}});
            });
    connect(&feed, &feed::EventFeed::bytesReceived, this,
            [this](const QByteArray& bytes, const QDateTime& at) {
                record({Direction::Received, microseconds(at), bytes, {}, {}});
            });
    connect(&feed, &feed::EventFeed::lineEvent, this, &CaptureRecorder::lineEvent);
    flushTimer_.setInterval(1000);
    connect(&flushTimer_, &QTimer::timeout, this, &CaptureRecorder::flushTimer);
}

void CaptureRecorder::lineEvent(const feed::LineEvent& event) {
    record({Direction::Event, microseconds(event.at), {}, event.kind, event.text});
    // Whatever was on the line before the port closed is on disk when it has closed.
    if (event.kind == QLatin1String("close"))
        flushTimer();
}

void CaptureRecorder::record(Record record) {
    if (!files_.write(record)) {
        // Capturing must never get in the user's way: said once, on the error output.
        if (!reportedError_)
            qWarning("capture: %s", qUtf8Printable(files_.errorString()));
        reportedError_ = true;
        return;
    }
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

void CaptureRecorder::flushTimer() {
    flushTimer_.stop();
    files_.flush();
}

QString defaultCaptureFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("captures"));
}

} // namespace capture
