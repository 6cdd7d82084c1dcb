#pragma once
// Text rules of the traffic monitor (memTxRxMonitor). The monitor's text is its lines
// joined by "\n", as a QPlainTextEdit holds them; it is kept near 16 K characters by
// dropping its oldest half when a line is added beyond that.
#include <QByteArrayView>
#include <QString>

namespace TrafficMonitor {

constexpr qsizetype TrimThreshold = 16383; // more than this many characters ...
constexpr qsizetype TrimCount = 8191;      // ... lose this many from the start

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
