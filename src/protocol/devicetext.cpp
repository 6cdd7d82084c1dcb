#include "protocol/devicetext.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString decodeDeviceText(QByteArrayView bytes) {
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encodeDeviceText(const QString& text) {
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}
