#include "capture/trafficlog.h"

#include <QDateTime>

#include <limits>

namespace capture {

namespace {

QString hexColumn(QByteArrayView bytes, int maxBytes) {
    QString out = QString::fromLatin1(
        bytes.first(qMin<qsizetype>(bytes.size(), maxBytes)).toByteArray().toHex(' ').toUpper());
    if (bytes.size() > maxBytes)
        out += QStringLiteral(" …");
    return out;
}

// Printable ASCII as itself, every other byte as a dot, one character a byte: the text
// beside the hex, column for column. (Decoded texts are in the content column.)
QString textColumn(QByteArrayView bytes, int maxBytes) {
    QByteArray shown = bytes.first(qMin<qsizetype>(bytes.size(), maxBytes)).toByteArray();
    for (char& c : shown)
        if (quint8(c) < 0x20 || quint8(c) > 0x7e)
            c = '.';
    QString out = QString::fromLatin1(shown);
    if (bytes.size() > maxBytes)
        out += QStringLiteral(" …");
    return out;
}

QString direction(Direction d) {
    switch (d) {
    case Direction::Sent:
        return QStringLiteral("Tx");
    case Direction::Received:
        return QStringLiteral("Rx");
    case Direction::Event:
        break;
    }
    return QStringLiteral("--");
}

// An event of the program in words; kinds it does not know as they are.
QString eventText(const Record& r) {
    static const struct {
        const char* kind;
        const char* format;
    } formats[] = {
        {"open", "ポートを開きました %1"},
        {"close", "ポートを閉じました %1"},
        {"request", "要求 %1"},
        {"timeout", "応答待ちタイムアウト %1 ms"},
        {"retry", "再送 %1回目"},
        {"reception", "受信を引き取り %1バイト"},
    };
    for (const auto& f : formats)
        if (r.kind == QLatin1String(f.kind))
            return QString::fromUtf8(f.format).arg(r.text);
    return r.kind + QLatin1Char(' ') + r.text;
}

} // namespace

const TrafficEntry& TrafficLog::add(const Record& record) {
    TrafficEntry entry;
    entry.record = record;
    entry.gapUs = lastUs_ < 0 ? -1 : record.timeUs - lastUs_;
    lastUs_ = record.timeUs;
    if (record.direction != Direction::Event)
        entry.pieces = describeBytes(record.bytes);
    bytes_ += record.bytes.size();
    entries_.append(std::move(entry));
    while (entries_.size() > 1 && (entries_.size() > capacity_ || bytes_ > byteBudget_)) {
        bytes_ -= entries_.first().record.bytes.size();
        entries_.removeFirst();
        ++dropped_;
    }
    return entries_.last();
}

void TrafficLog::clear() {
    entries_.clear();
    bytes_ = 0;
    lastUs_ = -1;
}

QStringList TrafficLog::columns(const TrafficEntry& entry, int maxBytes) {
    const Record& r = entry.record;
    const QString time = QDateTime::fromMSecsSinceEpoch(r.timeUs / 1000)
                             .toLocalTime()
                             .toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString gap = entry.gapUs < 0 ? QString() : QString::number(entry.gapUs / 1000);
    if (r.direction == Direction::Event)
        return {time, gap, direction(r.direction), QString(), QString(), eventText(r)};
    QStringList content;
    for (const PieceDescription& piece : entry.pieces)
        content << (QStringList{piece.summary} + piece.fields).join(QStringLiteral(" / "));
    return {time,
            gap,
            direction(r.direction),
            hexColumn(r.bytes, maxBytes),
            textColumn(r.bytes, maxBytes),
            content.join(QStringLiteral(" | "))};
}

int TrafficLog::find(const QList<TrafficEntry>& entries, const QString& needle, int from) {
    if (needle.isEmpty() || entries.isEmpty())
        return -1;
    const int count = int(entries.size());
    for (int n = 0; n < count; ++n) {
        const int i = (qMax(0, from) + n) % count;
        for (const QString& column : columns(entries[i]))
            if (column.contains(needle, Qt::CaseInsensitive))
                return i;
    }
    return -1;
}

QString TrafficLog::text(const QList<TrafficEntry>& entries) {
    QString out;
    for (const TrafficEntry& entry : entries)
        out += columns(entry, std::numeric_limits<int>::max()).join(u'\t') + u'\n';
    return out;
}

} // namespace capture
