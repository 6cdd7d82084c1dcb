#include "capture/capturerecorder.h"
#include "capture/linerecords.h"

#include <QDir>
#include <QStandardPaths>

namespace capture {

CaptureRecorder::CaptureRecorder(feed::EventFeed& feed, const QString& folder, CaptureLimits limits,
                                 QObject* parent)
    : QObject(parent), files_(folder, limits) {
    listenForRecords(feed, this, [this](const Record& record) { take(record); });
    flushTimer_.setInterval(1000);
    connect(&flushTimer_, &QTimer::timeout, this, &CaptureRecorder::flushTimer);
}

void CaptureRecorder::take(const Record& record) {
    write(record);
    // Whatever was on the line before the port closed is on disk when it has closed.
    if (record.direction == Direction::Event && record.kind == QLatin1String("close"))
        flushTimer();
}

void CaptureRecorder::write(const Record& record) {
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
