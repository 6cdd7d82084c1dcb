#pragma once
// Writing a whole file without losing a short write, and replacing a file only once its
// new content is complete.
#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

// Writes all of bytes to a file opened with QIODevice::Unbuffered, resuming after
// short writes. A buffered QFileDevice can pass a short write at flush or commit
// off as success (a full disk or a file-size limit then leaves a cut-off file).
// On failure reason holds the system's text.
bool writeAllBytes(QFileDevice& file, QByteArrayView bytes, QString& reason);

// Writes bytes to path through a temporary file beside it that replaces the target only once
// it is complete and flushed: a failed save leaves an existing file untouched. On failure
// reason holds the system's text.
bool saveWholeFile(const QString& path, QByteArrayView bytes, QString& reason);

// What the user is told when a save failed: the path and the reason.
QString fileSaveFailedMessage(const QString& path, const QString& reason);
