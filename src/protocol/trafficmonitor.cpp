#include "protocol/trafficmonitor.h"

namespace TrafficMonitor {

namespace {
bool isTrimmed(QChar c) {
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control;
}

// Cuts the plan's line so that the monitor stays within MaxLength once the line (and
// the line break before it) is added; nothing is added when not even the break fits.
void fitToLimit(LinePlan& plan, qsizetype monitorLength) {
    const qsizetype kept = monitorLength - plan.dropLeading;
    const qsizetype room = MaxLength - kept - (kept > 0 ? 1 : 0);
    if (room < 0) {
        plan.add = false;
        return;
    }
    if (plan.line.size() > room) {
        // Never keep half of a surrogate pair.
        const qsizetype cut = plan.line.at(room - 1).isHighSurrogate() ? room - 1 : room;
        plan.line.truncate(room > 0 ? cut : 0);
    }
}
} // namespace

QString trimTrailing(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && isTrimmed(text[end - 1]))
        --end;
    return text.left(end);
}

LinePlan planMonitorLine(qsizetype monitorLength, const QString& text) {
    LinePlan plan;
    if (text.isEmpty())
        return plan;
    plan.add = true;
    plan.dropLeading = monitorLength > TrimThreshold ? TrimCount : 0;
    plan.line = trimTrailing(text);
    fitToLimit(plan, monitorLength);
    return plan;
}

LinePlan planHexLine(qsizetype monitorLength, QByteArrayView bytes) {
    LinePlan plan;
    plan.add = true;
    plan.line = dumpFrameHex(bytes);
    fitToLimit(plan, monitorLength);
    return plan;
}

QString applyLinePlan(const QString& monitorText, const LinePlan& plan) {
    if (!plan.add)
        return monitorText;
    QString result = monitorText.mid(plan.dropLeading);
    // An empty monitor takes the line as its first; otherwise it starts a new line.
    if (!monitorText.isEmpty())
        result.append(u'\n');
    result.append(plan.line);
    return result;
}

QString dumpFrameHex(QByteArrayView bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    QString line;
    line.reserve(bytes.size() * 3);
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        line.append(QChar(digits[u >> 4]));
        line.append(QChar(digits[u & 0x0F]));
        line.append(u' ');
    }
    return line;
}

} // namespace TrafficMonitor
