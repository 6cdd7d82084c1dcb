#pragma once
// Records what the main window's event feed tells about the line (bytes sent and received,
// the program's line events) into the capture files. Writes go through the file's buffer
// and are handed to the system once a second and when the port closes, so capturing
// costs the window no wait on the disk.
#include "capture/capturefiles.h"

#include <QObject>
#include <QTimer>

namespace feed {
class EventFeed;
} // namespace feed

namespace capture {

class CaptureRecorder : public QObject {
    Q_OBJECT

public:
    CaptureRecorder(feed::EventFeed& feed, const QString& folder,
                    CaptureLimits limits = CaptureLimits(), QObject* parent = nullptr);

    CaptureFiles& files() { return files_; }
    // The flush timer's handler.
    void flushTimer();

private:
    void take(const Record& record);
    void write(const Record& record);

    CaptureFiles files_;
    QTimer flushTimer_;
    bool reportedError_ = false;
};

// Where the program keeps its captures: "captures" in the user's data folder.
QString defaultCaptureFolder();

} // namespace capture
