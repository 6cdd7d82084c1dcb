#pragma once
// Text rules of the traffic monitor (memTxRxMonitor). The monitor's text is its lines
// joined by "\n", as a QPlainTextEdit holds them; it is kept near 16 K characters by
// dropping its oldest half when a line is added beyond that, and it never holds more
// than MaxLength characters: a line that does not fit is cut at the limit.
#include <QByteArrayView>
#include <QString>

namespace TrafficMonitor {

constexpr qsizetype TrimThreshold = 16383; // more than this many characters ...
constexpr qsizetype TrimCount = 8191;      // ... lose this many from the start
// The monitor's text limit. One reception adds up to 12291 characters, more than the
// trim removes, so without the limit receptions with pauses between them would grow
// the monitor for ever.
constexpr qsizetype MaxLength = 32767;

// How to add one line: remove dropLeading characters from the start of the monitor
// (possibly in the middle of a line), then append line as a new last line.
struct LinePlan {
    bool add = false;
    qsizetype dropLeading = 0;
    QString line;
};

// appendMonitorLine: an empty text adds nothing; trailing blanks and control
// characters (CR, LF included) are removed from the line.
LinePlan planMonitorLine(qsizetype monitorLength, const QString& text);
// dumpFrameHex: the hexadecimal line is added as it is, with no trim of the monitor;
// only the text limit applies.
LinePlan planHexLine(qsizetype monitorLength, QByteArrayView bytes);

// The plan applied to a whole monitor text (the model the window's edit follows).
QString applyLinePlan(const QString& monitorText, const LinePlan& plan);
inline QString appendMonitorLine(const QString& monitorText, const QString& text) {
    return applyLinePlan(monitorText, planMonitorLine(monitorText.size(), text));
}

QString trimTrailing(const QString& text);

// The line dumpFrameHex adds: every byte as "%02X ", joined (ends with a blank; empty
// for no bytes). It is added as it is, without trimming or length check.
QString dumpFrameHex(QByteArrayView bytes);

} // namespace TrafficMonitor
