#include "capture/capturefiles.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>

namespace capture {

CaptureFiles::CaptureFiles(QString folder, Limits limits)
    : folder_(std::move(folder)), limits_(limits) {}

CaptureFiles::~CaptureFiles() {
    close();
}

QStringList captureFilesIn(const QString& folder, const QString& prefix) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        {prefix + u'*' + QLatin1String(CaptureFiles::FileSuffix)}, QDir::Files, QDir::Name);
    QStringList paths;
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

void removeOldestCaptures(const QString& folder, const QString& prefix, int keep,
                          const QString& except) {
    QStringList all = captureFilesIn(folder, prefix);
    while (all.size() > keep) {
        const QString oldest = all.takeFirst();
        if (oldest != except)
            QFile::remove(oldest);
    }
}

QStringList CaptureFiles::files() const {
    return captureFilesIn(folder_, QLatin1String(FilePrefix));
}

bool CaptureFiles::begin(qint64 timeUs) {
    if (!QDir().mkpath(folder_)) {
        error_ = QStringLiteral("フォルダを作成できません：%1").arg(folder_);
        return false;
    }
    const QString stamp = QDateTime::fromMSecsSinceEpoch(timeUs / 1000, Qt::UTC)
                              .toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString path;
    for (int n = 0;; ++n) {
        // A number after the time keeps files begun within the same millisecond in order.
        path = QDir(folder_).filePath(QLatin1String(FilePrefix) + stamp +
                                      QStringLiteral("-%1").arg(n, 3, 10, QLatin1Char('0')) +
                                      QLatin1String(FileSuffix));
        if (!QFile::exists(path))
            break;
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error_ = file_.errorString();
        return false;
    }
    const QByteArray header = fileHeader();
    if (file_.write(header) != header.size()) {
        error_ = file_.errorString();
        file_.close();
        return false;
    }
    written_ = header.size();
    hasRecords_ = false;
    prune();
    return true;
}

void CaptureFiles::prune() {
    removeOldestCaptures(folder_, QLatin1String(FilePrefix), limits_.keepFiles, file_.fileName());
}

bool CaptureFiles::write(const Record& record) {
    const QByteArray block = packetBlock(record);
    if (file_.isOpen() && hasRecords_ && written_ + block.size() > limits_.fileBytes)
        close();
    if (!file_.isOpen() && !begin(record.timeUs))
        return false;
    if (file_.write(block) != block.size()) {
        error_ = file_.errorString();
        close();
        return false;
    }
    written_ += block.size();
    hasRecords_ = true;
    return true;
}

void CaptureFiles::flush() {
    if (file_.isOpen())
        file_.flush();
}

void CaptureFiles::close() {
    if (file_.isOpen())
        file_.close();
}

bool joinCaptureFiles(const QStringList& files, const QString& target, QString* error) {
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    for (const QString& path : files) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = in.errorString();
            out.cancelWriting();
            return false;
        }
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(64 * 1024);
            if (out.write(chunk) != chunk.size())
                break; // reported by commit()
        }
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace capture
