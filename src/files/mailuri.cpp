#include "files/mailuri.h"

#include <QStringEncoder>

QByteArray mailUri(const QString& monitorText, const QString& recipient) {
    QStringEncoder encoder("windows-31j");
    const QByteArray body = encoder.encode(monitorText);
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray uri = "mailto:" + recipient.toUtf8() + "?subject=" + mailSubject.toUtf8() + "&body=";
    uri.reserve(uri.size() + body.size() * 3);
    for (const char c : body) {
        const auto b = static_cast<unsigned char>(c);
        uri += '%';
        uri += hex[b >> 4];
        uri += hex[b & 0x0F];
    }
    return uri;
}
