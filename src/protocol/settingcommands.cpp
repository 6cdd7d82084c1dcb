#include "protocol/settingcommands.h"

#include "protocol/replyparser.h"

#include <algorithm>
#include <cmath>

namespace SettingCommands {

QString readCommand(int item, DeviceModel model) {
    switch (item) {
    case 1:
        return QStringLiteral("@DISPLAYTYPE\r\n");
    case 2:
        return QStringLiteral("@LAPDISPTIME\r\n");
    case 3:
        return QStringLiteral("@CP\r\n");
    case 4:
        return QStringLiteral("@PASSCP\r\n");
    case 5:
        return QStringLiteral("@SEPARATOR\r\n");
    case 6:
        return model == DeviceModel::RK13 ? QStringLiteral("@K\r\n")
                                          : QStringLiteral("@DIAMETER\r\n");
    case 7:
        return QStringLiteral("@SENSORMARKTIME\r\n");
    case 8:
        return QStringLiteral("@ODO\r\n");
    case 9:
        return QStringLiteral("@VER\r\n");
    case 11:
        return QStringLiteral("@GAP\r\n");
    default:
        return {};
    }
}

QString displayTypeCommand(bool realMode) {
    return realMode ? QStringLiteral("@DISPLAYTYPE:R\r\n") : QStringLiteral("@DISPLAYTYPE:L\r\n");
}

QString separatorCommand(bool colon) {
    return colon ? QStringLiteral("@SEPARATOR::\r\n") : QStringLiteral("@SEPARATOR:\"\r\n");
}

QString gapCommand(bool ticked) {
    return ticked ? QStringLiteral("@GAP:1\r\n") : QStringLiteral("@GAP:0\r\n");
}

QString diameterCommand(int pulseTag) {
    return QStringLiteral("@DIAMETER:%1\r\n").arg(pulseTag);
}

qint64 kToWireValue(double k) {
    const double scaled = k * 100000.0;
    const double nearest = std::nearbyint(scaled);
    // Within rounding noise of an integer: that integer is what the user typed.
    if (std::fabs(scaled - nearest) <= 1e-9 * std::max(1.0, std::fabs(scaled)))
        return qint64(nearest);
    return qint64(std::trunc(scaled));
}

QString kCommand(const QString& editText) {
    double k = 0;
    // Beyond this the product would not fit the integer; no valid K comes near it.
    if (!parseK(editText, &k) || std::fabs(k) > 1e12)
        return {};
    return QStringLiteral("@K:%1\r\n").arg(kToWireValue(k));
}

Range writeRange(int item) {
    switch (item) {
    case 2:
        return {1, 59};
    case 3:
    case 4:
        return {1, 4};
    case 7:
        return {1, 9};
    default:
        return {0, -1};
    }
}

Range upDownRange(int item) {
    switch (item) {
    case 2:
        return {1, 59};
    case 3:
    case 4:
        return {1, 4};
    case 7:
        return {0, 9};
    default:
        return {0, -1};
    }
}

int clampToUpDown(int item, int value) {
    const Range r = upDownRange(item);
    if (r.max < r.min)
        return value;
    return qBound(r.min, value, r.max);
}

QString valueCommand(int item, const QString& editText) {
    static const char* const keys[] = {nullptr,    nullptr, "@LAPDISPTIME:", "@CP:",
                                       "@PASSCP:", nullptr, nullptr,         "@SENSORMARKTIME:"};
    if (item < 2 || item > 7 || !keys[item] || editText.isEmpty())
        return {};
    bool ok = false;
    const int value = parseDecimalInt(editText.toLatin1(), &ok);
    const Range r = writeRange(item);
    if (!ok || value < r.min || value > r.max)
        return {};
    // The lap timer takes the value in decimal without leading zeros, whatever the entry
    // holds: a reply "05" left in the entry is written back as 5.
    return QLatin1String(keys[item]) + QString::number(value) + QStringLiteral("\r\n");
}

int pulseButtonForTag(int value) {
    for (int i = 0; i < int(pulseTags.size()); ++i) {
        if (pulseTags[size_t(i)] == value)
            return i;
    }
    return -1;
}

bool kEntryAcceptsKey(const QString& textBefore, QChar key) {
    const char16_t k = key.unicode();
    if (k < 0x20)
        return true;
    if (textBefore.size() == 1)
        return k == '.';
    return k >= '0' && k <= '9';
}

bool parseK(const QString& text, double* value) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

KCheck checkKEntry(const QString& text) {
    KCheck check;
    if (!parseK(text, &check.value))
        return check;
    if (check.value <= 0 || check.value > 9.99999)
        return check;
    check.ok = true;
    check.formatted = QString::asprintf("%7.5lf", check.value);
    return check;
}

QStringList commandTemplates() {
    return {QStringLiteral("@LAP"),         QStringLiteral("@SECTOR"),
            QStringLiteral("@CLR"),         QStringLiteral("@CP"),
            QStringLiteral("@PASSCP"),      QStringLiteral("@SENSORMARKTIME"),
            QStringLiteral("@DIAMETER"),    QStringLiteral("@SEPARATOR"),
            QStringLiteral("@LAPDISPTIME"), QStringLiteral("@DISPLAYTYPE"),
            QStringLiteral("@ODO"),         QStringLiteral("@VER"),
            QStringLiteral("@LINFO"),       QStringLiteral("@LDATA")};
}

} // namespace SettingCommands
