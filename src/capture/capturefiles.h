#pragma once
// The capture on disk: records appended to a file of the capture folder, a new file begun
// when the current one would outgrow its limit, and only the newest files kept, so the
// folder never holds much more than keepFiles × fileBytes.
#include "capture/capturefile.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace capture {

// How much the capture folder holds: files of at most fileBytes, the newest keepFiles.
struct CaptureLimits {
    qint64 fileBytes = 5 * 1024 * 1024;
    int keepFiles = 4;
};

class CaptureFiles {
public:
    using Limits = CaptureLimits;
    static constexpr const char* FilePrefix = "koda-";
    static constexpr const char* FileSuffix = ".pcapng";

    explicit CaptureFiles(QString folder, Limits limits = Limits());
    ~CaptureFiles();
    CaptureFiles(const CaptureFiles&) = delete;
    CaptureFiles& operator=(const CaptureFiles&) = delete;

    // Appends one record; the first one opens a file. False when the folder or file could
    // not be written (errorString says why); the next record tries again.
    bool write(const Record& record);
    // Hands what is buffered to the system.
    void flush();
    // Ends the current file; the next record begins a new one.
    void close();

    QString folder() const { return folder_; }
    QString currentPath() const { return file_.isOpen() ? file_.fileName() : QString(); }
    QString errorString() const { return error_; }
    // The capture files of the folder, oldest first.
    QStringList files() const;

private:
    bool begin(qint64 timeUs);
    void prune();

    QString folder_;
    Limits limits_;
    QFile file_;
    qint64 written_ = 0;
    bool hasRecords_ = false;
    QString error_;
};

// The capture files of folder whose names begin with prefix, oldest first: the names hold the
// time of their first record, so the name order is their age.
QStringList captureFilesIn(const QString& folder, const QString& prefix);
// Removes the oldest of those files beyond the newest keep, never the file except.
void removeOldestCaptures(const QString& folder, const QString& prefix, int keep,
                          const QString& except = {});

// Writes the given capture files, in order, as one capture file at target (sections joined
// end to end make one valid pcapng file). False with error set when a file cannot be read
// or the target cannot be written; the target is then left as it was.
bool joinCaptureFiles(const QStringList& files, const QString& target, QString* error);

} // namespace capture
