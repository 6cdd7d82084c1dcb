#include "files/filewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

// A name QSaveFile gives its temporary copy: the file's name, a dot and six random
// letters. A word such as "backup" or "Backup" is more likely a name the user chose, so
// only names that mix the cases past their first letter count.
bool isTemporaryName(const QString& name, const QString& fileName) {
    constexpr int kRandomLetters = 6;
    if (name.size() != fileName.size() + 1 + kRandomLetters || !name.startsWith(fileName) ||
        name.at(fileName.size()) != u'.')
        return false;
    const QStringView tail = QStringView(name).right(kRandomLetters);
    bool upperAfterFirst = false;
    bool lower = false;
    for (qsizetype i = 0; i < tail.size(); ++i) {
        const char16_t c = tail.at(i).unicode();
        if (c >= u'a' && c <= u'z')
            lower = true;
        else if (c >= u'A' && c <= u'Z')
            upperAfterFirst = upperAfterFirst || i > 0;
        else
            return false;
    }
    return lower && upperAfterFirst;
}

} // namespace

void removeStaleTemporaries(const QString& path) {
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const QString fileName = target.fileName();
    const QStringList candidates =
        folder.entryList({fileName + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden);
    for (const QString& name : candidates) {
        const QFileInfo copy(folder.filePath(name));
        // Only a plain file of ours: never a link, nor another user's file.
        if (isTemporaryName(name, fileName) && !copy.isSymLink() && copy.isFile() &&
            copy.ownerId() == ::geteuid())
            QFile::remove(copy.filePath());
    }
}

bool writeAllBytes(QFileDevice& file, QByteArrayView bytes, QString& reason) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            reason = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

bool replaceFileWith(const QString& path, QByteArrayView bytes, QString& reason) {
    removeStaleTemporaries(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    if (!writeAllBytes(file, bytes, reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

QString fileSavedNotice(const QString& path) {
    return QStringLiteral("保存しました：%1").arg(path);
}

QString fileSaveFailedMessage(const QString& path, const QString& reason) {
    return QStringLiteral("ファイルに保存できませんでした。\r\n%1\r\n%2").arg(path, reason);
}
