#include "serial/portlist.h"

#include <QDir>
#include <QFileInfo>

QStringList portListTexts(const bool* available) {
    QStringList list;
    list.reserve(65);
    list << QStringLiteral("自動");
    for (int n = 1; n <= 64; ++n)
        list << QString::asprintf(available[n] ? " COM%d" : "*COM%d", n);
    return list;
}

int portNumberOfEntry(int index, const QString& text) {
    if (index == 0)
        return 0;
    const qsizetype at = text.indexOf(QLatin1String("COM"));
    if (at < 0)
        return 0;
    qint64 number = 0;
    for (qsizetype i = at + 3; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            break;
        number = number * 10 + (c.unicode() - u'0');
        if (number > 1000000) // no port number is that long; stop before overflowing
            break;
    }
    return int(number);
}

QString connectionStatusText(int port, const CommSettings& settings) {
    QString text = QString::asprintf("COM%d: %lubps D%u", port,
                                     static_cast<unsigned long>(quint32(settings.baudRate)),
                                     unsigned(settings.byteSize));
    switch (settings.parity) {
    case 0:
        text += QLatin1String(" PNON");
        break;
    case 1:
        text += QLatin1String(" PODD");
        break;
    case 2:
        text += QLatin1String(" PEVEN");
        break;
    case 3:
        text += QLatin1String(" PMARK");
        break;
    default:
        break;
    }
    switch (settings.stopBits) {
    case 0:
        text += QLatin1String(" S1");
        break;
    case 1:
        text += QLatin1String(" S1.5");
        break;
    case 2:
        text += QLatin1String(" S2");
        break;
    default:
        break;
    }
    return text;
}

QString portEntryToolTip(const QString& devicePath, const QString& stableName,
                         const QString& cause) {
    QString tip = devicePath;
    if (!stableName.isEmpty() && stableName != devicePath)
        tip += u'\n' + stableName;
    if (!cause.isEmpty())
        tip += u'\n' + cause;
    return tip;
}

QString stableDeviceName(const QString& devicePath, const QString& folder) {
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const QDir links(folder);
    for (const QFileInfo& link : links.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        if (link.isSymLink() && link.canonicalFilePath() == device)
            return link.absoluteFilePath();
    return {};
}

QString portCauseLine(int port, const QString& devicePath, const QString& cause) {
    // A cause of several lines stays one line under the message.
    return QStringLiteral("COM%1 (%2): %3")
        .arg(port)
        .arg(devicePath, QString(cause).replace(u'\n', u' '));
}

QString waitingForDeviceText(int port) {
    return QStringLiteral("COM%1: デバイスを待っています").arg(port);
}

QStringList widestConnectionStatusTexts() {
    constexpr int highestPort = 99;
    constexpr qint32 fastestBaudRate = 4000000;
    QStringList texts;
    for (quint8 parity = 0; parity <= 3; ++parity) {
        for (quint8 stopBits = 0; stopBits <= 2; ++stopBits) {
            CommSettings settings;
            settings.baudRate = fastestBaudRate;
            settings.byteSize = 8;
            settings.parity = parity;
            settings.stopBits = stopBits;
            texts << connectionStatusText(highestPort, settings);
        }
    }
    return texts;
}
