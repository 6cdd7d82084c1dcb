#include "protocol/settingcommands.h"

#include "protocol/replyparser.h"

#include <algorithm>
#include <cmath>

namespace SettingCommands {

namespace {

QString fromRow(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString writeLine(const SettingItems::Item& row, const QString& value) {
    return fromRow(row.writeKey) + value + QStringLiteral("\r\n");
}

// One line an item, its caption with the runs of blanks that lay it out on the page
// made single.
QString itemLines(const QList<int>& tags, DeviceModel model) {
    QStringList lines;
    for (const int tag : tags) {
        if (const SettingItems::Item* row = SettingItems::find(tag, model))
            lines.append(QStringLiteral("・") + fromRow(row->caption).simplified());
    }
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

QString caption(const SettingItems::Item& item) {
    return fromRow(item.caption);
}

QString readCommand(int item, DeviceModel model) {
    const SettingItems::Item* row = SettingItems::find(item, model);
    return row ? fromRow(row->readCommand) + QStringLiteral("\r\n") : QString();
}

QString choiceCommand(int item, bool first) {
    const SettingItems::Item* row = SettingItems::firstRow(item);
    using SettingItems::Control;
    if (!row || (row->control != Control::RadioPair && row->control != Control::Tick))
        return {};
    return writeLine(*row, QString(QLatin1Char(first ? row->first : row->second)));
}

QString displayTypeCommand(bool realMode) {
    return choiceCommand(1, realMode);
}

QString separatorCommand(bool colon) {
    return choiceCommand(5, colon);
}

QString gapCommand(bool ticked) {
    return choiceCommand(11, ticked);
}

QString diameterCommand(int pulseTag) {
    return writeLine(*SettingItems::forReply(ReplyKey::Diameter), QString::number(pulseTag));
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
    return writeLine(*SettingItems::forReply(ReplyKey::K), QString::number(kToWireValue(k)));
}

Range writeRange(int item) {
    const SettingItems::Item* row = SettingItems::firstRow(item);
    return row ? row->write : SettingItems::NoRange;
}

Range upDownRange(int item) {
    const SettingItems::Item* row = SettingItems::firstRow(item);
    return row ? row->upDown : SettingItems::NoRange;
}

int clampToUpDown(int item, int value) {
    const Range r = upDownRange(item);
    if (r.max < r.min)
        return value;
    return qBound(r.min, value, r.max);
}

QString valueCommand(int item, const QString& editText) {
    const SettingItems::Item* row = SettingItems::firstRow(item);
    if (!row || row->control != SettingItems::Control::Number || editText.isEmpty())
        return {};
    bool ok = false;
    const int value = parseDecimalInt(editText.toLatin1(), &ok);
    const Range r = row->write;
    if (!ok || value < r.min || value > r.max)
        return {};
    // The lap timer takes the value in decimal without leading zeros, whatever the entry
    // holds: a reply "05" left in the entry is written back as 5.
    return writeLine(*row, QString::number(value));
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

WriteCheck checkWrites(const QList<PendingWrite>& writes) {
    WriteCheck check;
    for (const PendingWrite& w : writes) {
        if (w.command.isEmpty())
            check.invalid.append(w.tag);
        else if (!w.known)
            check.unconfirmed.append(w.tag);
    }
    return check;
}

QString invalidValuesMessage(const QList<int>& tags, DeviceModel model) {
    return QStringLiteral("次の項目の値が正しくありません。正しい値を入力してください。\r\n") +
           itemLines(tags, model);
}

QString unconfirmedValuesQuestion(const QList<int>& tags, DeviceModel model) {
    return QStringLiteral("次の項目の値はラップタイマーから読み込まれておらず、入力もされて"
                          "いません。\r\n") +
           itemLines(tags, model) + QStringLiteral("\r\nこのままラップタイマーに書き込みますか？");
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
