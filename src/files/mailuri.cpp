#include "files/mailuri.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Where the newest whole lines of body begin that fit into room bytes. A line begins
// after CR LF; neither byte is part of a double-byte Shift-JIS character.
qsizetype firstLineThatFits(const QByteArray& body, qsizetype room) {
    if (body.size() <= room)
        return 0;
    const qsizetype earliest = body.size() - std::max<qsizetype>(room, 0);
    const qsizetype lineEnd = body.indexOf("\r\n", std::max<qsizetype>(earliest - 2, 0));
    return lineEnd < 0 ? body.size() : lineEnd + 2;
}

} // namespace

QByteArray mailUri(const QString& monitorText, const QString& recipient, qsizetype maxBytes) {
    QStringEncoder encoder("windows-31j");
    const QByteArray body = encoder.encode(monitorText);
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray uri = "mailto:" + recipient.toUtf8() + "?subject=" + mailSubject.toUtf8() + "&body=";
    // Every body byte takes three characters of the address.
    const qsizetype first = firstLineThatFits(body, (maxBytes - uri.size()) / 3);
    uri.reserve(uri.size() + (body.size() - first) * 3);
    for (const char c : QByteArrayView(body).sliced(first)) {
        const auto b = static_cast<unsigned char>(c);
        uri += '%';
        uri += hex[b >> 4];
        uri += hex[b & 0x0F];
    }
    return uri;
}

qsizetype attachmentRoom(const QString& filePath) {
    // The hand-off names the file by its path with the links resolved.
    const QString canonical = QFileInfo(filePath).canonicalFilePath();
    const QByteArray path = QFile::encodeName(canonical.isEmpty() ? filePath : canonical);
    return qsizetype(sizeof("&attach=") - 1) + 3 * path.size();
}
