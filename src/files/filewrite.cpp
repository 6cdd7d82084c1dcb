#include "files/filewrite.h"

#include <QSaveFile>

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
