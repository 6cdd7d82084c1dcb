#pragma once
// The receptions of one RK-12 lap list, gathered until the list is complete. The lap
// timer sends a list as plain text lines with no end marker: the lap list's first
// line gives the lap count, and a list is complete when its three header lines and
// that many lap lines have arrived (a sector list has as many lap lines as the lap
// list had; its first line is not examined), each with its line end. The list may come
// in several receptions when the lap timer pauses inside it, anywhere, even inside its
// last value, and may begin with an empty line.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// What the RK-12 read reports when its list (sector 0: the lap list, 1..4: the list of
// that sector) came but could never be read, after the resends: the list, and its line
// when the parser named one. The connection itself works, so this is not the no-contact
// message.
QString lapListFailureMessage(int sector, int line);

class LapListGatherer {
public:
    enum class Status {
        Idle,       // no list is awaited
        Incomplete, // more lines are needed
        Complete,   // text() holds the whole list
        Rejected,   // the list cannot be read: its lap count is missing or too long
    };

    // Largest list taken: 300 laps need about 7 KB.
    static constexpr qsizetype maxBytes = 64 * 1024;

    // Awaits a list: sector 0 is the lap list, 1..4 the list of that sector, for which
    // lapCount is the count the lap list gave (none when it gave none).
    void start(int sector, std::optional<qint32> lapCount = std::nullopt);
    // Awaits the same list afresh (the request was sent again).
    void restart();
    void stop();

    // Adds one reception. Once a list is complete or rejected, further receptions are
    // taken and ignored until the list is awaited again.
    Status add(QByteArrayView reception);

    // The reply wait of a list counts from its last byte, not from the request: a long
    // list at a low baud rate takes longer on the wire than the wait. When the wait of
    // waitMs runs out, msSinceLastByte after the last byte received (-1: none yet), this
    // gives how much longer an incomplete list is waited for, 0 when it has timed out.
    // bytesArriving are the bytes received but not yet added.
    int waitLeftMs(qint64 msSinceLastByte, int waitMs, qsizetype bytesArriving) const;

    Status status() const { return status_; }
    bool awaiting() const { return status_ != Status::Idle; }
    int sector() const { return sector_; }
    // The lines of the complete list, each ending with CR LF.
    QByteArray text() const { return text_; }

private:
    Status examine();

    Status status_ = Status::Idle;
    int sector_ = 0;
    std::optional<qint32> lapCount_;
    QByteArray received_;
    QByteArray text_;
};
