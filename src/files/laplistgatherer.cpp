#include "files/laplistgatherer.h"

#include "files/lapfiletokenizer.h"

#include <QList>

namespace {

constexpr qsizetype headerLines = 3;

bool endsWithLineEnd(const QByteArray& text) {
    return text.endsWith('\r') || text.endsWith('\n');
}

// A last line that came without its line end is taken when it has every field a lap
// line needs and no quoted field is left open.
bool wholeLapLine(const QByteArray& line, int sector) {
    if (line.count('"') % 2 != 0)
        return false;
    return tokenizeLapLine(line).size() >= (sector == 0 ? 3 : 2);
}

} // namespace

void LapListGatherer::start(int sector, std::optional<qint32> lapCount) {
    sector_ = sector;
    lapCount_ = sector == 0 ? std::nullopt : lapCount;
    restart();
}

void LapListGatherer::restart() {
    status_ = Status::Incomplete;
    received_.clear();
    text_.clear();
}

void LapListGatherer::stop() {
    status_ = Status::Idle;
    received_.clear();
    text_.clear();
}

LapListGatherer::Status LapListGatherer::add(QByteArrayView reception) {
    if (status_ != Status::Incomplete)
        return status_;
    received_.append(reception.data(), reception.size());
    // An empty line before the list (a line end left from the request) is no part of it.
    qsizetype lead = 0;
    while (lead < received_.size() && (received_[lead] == '\r' || received_[lead] == '\n'))
        ++lead;
    received_.remove(0, lead);
    status_ = received_.size() > maxBytes ? Status::Rejected : examine();
    return status_;
}

LapListGatherer::Status LapListGatherer::examine() {
    const QList<QByteArray> lines = splitLapLines(received_);
    const bool lastEnded = endsWithLineEnd(received_);
    const qsizetype whole = lastEnded ? lines.size() : lines.size() - 1;

    std::optional<qint32> count = lapCount_;
    if (sector_ == 0) {
        if (whole < 1)
            return Status::Incomplete;
        const QList<QByteArray> tokens = tokenizeLapLine(lines.first());
        bool ok = false;
        const qint32 value = tokens.size() >= 2 ? tokens.at(1).toInt(&ok, 10) : 0;
        if (tokens.isEmpty() || tokens.first() != "Laps" || !ok)
            return Status::Rejected;
        count = value;
    }
    if (!count)
        return Status::Rejected;
    const qsizetype needed = headerLines + std::max<qint32>(*count, 0);
    const bool lastTaken = !lastEnded && lines.size() == needed &&
                           (needed == headerLines ? !lines.last().trimmed().isEmpty()
                                                  : wholeLapLine(lines.last(), sector_));
    if (whole < needed && !lastTaken)
        return Status::Incomplete;
    for (qsizetype i = 0; i < needed; ++i)
        text_ += lines.at(i) + "\r\n";
    return Status::Complete;
}
