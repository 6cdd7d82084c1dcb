#include "protocol/devicetext.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Opening the code-page converter costs far more than a short reply, so each thread
// keeps one and resets it before every use.
QString decodeDeviceText(QByteArrayView bytes) {
    thread_local QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    decoder.resetState();
    return decoder.decode(bytes);
}

QByteArray encodeDeviceText(const QString& text) {
    thread_local QStringEncoder encoder("windows-31j");
    if (!encoder.isValid())
        return text.toLatin1();
    encoder.resetState();
    return encoder.encode(text);
}
