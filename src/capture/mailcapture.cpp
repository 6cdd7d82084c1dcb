#include "capture/mailcapture.h"
#include "capture/capturefile.h"
#include "capture/capturefiles.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace capture {

namespace {

// The newest records' blocks that fit into bytes, newest first.
QList<QByteArray> newestBlocks(const QStringList& files, qint64 bytes) {
    QList<QByteArray> blocks;
    qint64 total = 0;
    for (auto file = files.crbegin(); file != files.crend(); ++file) {
        // The records read before a damage are kept in the result, so a file the program
        // could not finish still gives what it holds.
        const ReadResult read = readCaptureFile(*file);
        for (auto record = read.records.crbegin(); record != read.records.crend(); ++record) {
            QByteArray block = packetBlock(*record);
            if (total + block.size() > bytes)
                return blocks;
            total += block.size();
            blocks.append(std::move(block));
        }
    }
    return blocks;
}

} // namespace

MailCapture writeMailCapture(const QStringList& files, const QString& folder, const QDateTime& at,
                             MailCaptureLimits limits) {
    const QList<QByteArray> blocks = newestBlocks(files, limits.bytes);
    if (blocks.isEmpty())
        return {};
    if (!QDir().mkpath(folder))
        return {{}, QStringLiteral("フォルダを作成できません：%1").arg(folder)};
    const QString path = QDir(folder).filePath(QLatin1String(MailCapturePrefix) +
                                               at.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                                               QLatin1String(CaptureFiles::FileSuffix));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {{}, out.errorString()};
    out.write(fileHeader());
    for (auto block = blocks.crbegin(); block != blocks.crend(); ++block)
        out.write(*block); // a failed write is reported by commit()
    if (!out.commit())
        return {{}, out.errorString()};
    removeOldestCaptures(folder, QLatin1String(MailCapturePrefix), std::max(limits.keepFiles, 1));
    return {path, {}};
}

QString defaultMailCaptureFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

} // namespace capture
