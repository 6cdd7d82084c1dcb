#pragma once
// The receptions of one RK-12 lap list, gathered until the list is complete. The lap
// timer sends a list as plain text lines with no end marker: the lap list's first
// line gives the lap count, and a list is complete when its three header lines and
// that many lap lines have arrived (a sector list has as many lap lines as the lap
// list had; its first line is not examined). The list may come in several receptions
// when the lap timer pauses inside it, and may begin with an empty line.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

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
