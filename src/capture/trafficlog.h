#pragma once
// The detailed traffic view's memory: the newest entries of the line (each transmission,
// reception and line event with its time, the gap to the entry before and the bytes
// described), bounded so that a long session or a flood never grows it; the capture files
// keep what drops off.
#include "capture/capturefile.h"
#include "capture/framedescription.h"

#include <QList>
#include <QString>

namespace capture {

struct TrafficEntry {
    Record record;
    qint64 gapUs = -1;              // since the entry before, -1 for the first
    QList<PieceDescription> pieces; // the bytes described (sent and received entries)
};

class TrafficLog {
public:
    static constexpr int DefaultCapacity = 2000;
    // Line bytes kept at most: a flood's receptions of 12 KB each would otherwise fill the
    // entries with tens of megabytes.
    static constexpr qint64 DefaultByteBudget = 1024 * 1024;
    // Bytes shown in the hex and text columns of one entry; copying gives them all.
    static constexpr int ShownBytes = 256;

    explicit TrafficLog(int capacity = DefaultCapacity, qint64 byteBudget = DefaultByteBudget)
        : capacity_(capacity), byteBudget_(byteBudget) {}

    const TrafficEntry& add(const Record& record);
    void clear();
    const QList<TrafficEntry>& entries() const { return entries_; }
    qint64 dropped() const { return dropped_; }

    // The entry's columns: time (local, milliseconds), gap in ms, direction, hex, text, content.
    static QStringList columns(const TrafficEntry& entry, int maxBytes = ShownBytes);
    // Index of the first entry from `from` on (then from the start) whose columns hold
    // needle, ignoring case; -1 when none does.
    static int find(const QList<TrafficEntry>& entries, const QString& needle, int from);
    // Entries as text, one line each with tabs between the columns, every byte included: for
    // the clipboard.
    static QString text(const QList<TrafficEntry>& entries);

private:
    int capacity_;
    qint64 byteBudget_;
    qint64 bytes_ = 0; // line bytes of the entries held
    QList<TrafficEntry> entries_;
    qint64 lastUs_ = -1;
    qint64 dropped_ = 0;
};

} // namespace capture
