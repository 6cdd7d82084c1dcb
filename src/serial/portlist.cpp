#include "serial/portlist.h"

#include <QDir>
#include <QFileInfo>

#include <cstddef>

namespace {

// The status line's names of the line parameters, indexed by their CommSettings value.
constexpr const char* kParityNames[] = {" PNON", " PODD", " PEVEN", " PMARK"};
constexpr const char* kStopBitsNames[] = {" S1", " S1.5", " S2"};

// Appends the name of value; a value without a name adds nothing.
template <std::size_t N>
void appendValueName(QString& text, quint8 value, const char* const (&names)[N]) {
    if (value < N)
        text += QLatin1String(names[value]);
}

} // namespace

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
    appendValueName(text, settings.parity, kParityNames);
    appendValueName(text, settings.stopBits, kStopBitsNames);
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
