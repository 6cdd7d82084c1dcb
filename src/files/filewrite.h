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

// Replaces the file at path with bytes: they go to a temporary file beside it,
// every byte checked, which is then renamed over the old file. Copies an earlier save
// left behind are removed first. On any failure
// the old file stays as it was, no temporary is left behind and reason holds
// the system's text.
bool replaceFileWith(const QString& path, QByteArrayView bytes, QString& reason);

// Removes the temporary copies beside the file at path that a save cut off between
// making its copy and renaming it left behind (a kill, a power cut).
void removeStaleTemporaries(const QString& path);

// What the user is told when a save failed: the path and the reason.
QString fileSaveFailedMessage(const QString& path, const QString& reason);

// What the status bar tells the user for a few seconds after a save: where the file went.
QString fileSavedNotice(const QString& path);
