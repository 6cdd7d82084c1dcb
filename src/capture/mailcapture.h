#pragma once
// The capture that goes with a mail to the support mailbox: the newest records of the
// capture files, bounded so that a mail server takes them, written as one capture file of
// its own that the mail program can attach (the capture folder's files go on rotating).
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace capture {

struct MailCaptureLimits {
    // Records of at most this many bytes: one capture file's worth, about 7 MB as a mail
    // attachment, which mail servers take.
    qint64 bytes = 5 * 1024 * 1024;
    // Files kept in the folder: a mail written earlier may still wait to be sent with its own.
    int keepFiles = 4;
};

struct MailCapture {
    QString path;  // the file written; empty when there was nothing to write or it failed
    QString error; // why it could not be written
};

inline constexpr const char* MailCapturePrefix = "KODA_Capture_";

// Writes the newest records of files (capture files, oldest first) that fit into
// limits.bytes, in their order, as folder/KODA_Capture_<yyyyMMdd-HHmmss>.pcapng after the
// local time at, and removes the older files of that name beyond limits.keepFiles. A file
// cut short or damaged gives the records before the damage.
MailCapture writeMailCapture(const QStringList& files, const QString& folder, const QDateTime& at,
                             MailCaptureLimits limits = MailCaptureLimits());

// Where those files go: the program's folder of the user's cache.
QString defaultMailCaptureFolder();

} // namespace capture
