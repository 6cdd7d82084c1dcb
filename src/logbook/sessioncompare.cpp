#include "logbook/sessioncompare.h"

#include <cmath>

namespace logbook {

namespace {

bool counts(const SessionRecord& s, int i) {
    return s.marks.value(i, LapMark::None) == LapMark::None;
}

std::optional<int> countedTime(const SessionRecord& s, int i) {
    if (i >= s.laps.size() || !counts(s, i))
        return std::nullopt;
    return s.laps[i].time;
}

} // namespace

SessionFigures sessionFigures(const SessionRecord& session) {
    SessionFigures f;
    std::array<std::optional<int>, LapTable::MaxSectors> sectorBest{};
    qint64 sum = 0;
    int timed = 0;
    for (int i = 0; i < session.laps.size(); ++i) {
        const LapValues& lap = session.laps[i];
        if (!counts(session, i)) {
            ++f.lapsLeftOut;
            continue;
        }
        if (lap.time) {
            f.best = f.best ? std::min(*f.best, *lap.time) : *lap.time;
            sum += *lap.time;
            ++timed;
        }
        for (size_t s = 0; s < sectorBest.size(); ++s)
            if (lap.sectors[s])
                sectorBest[s] =
                    sectorBest[s] ? std::min(*sectorBest[s], *lap.sectors[s]) : *lap.sectors[s];
        if (lap.topSpeed)
            f.topSpeed = f.topSpeed ? std::max(*f.topSpeed, *lap.topSpeed) : *lap.topSpeed;
    }
    for (const std::optional<int>& s : sectorBest)
        if (s)
            f.theoretical = f.theoretical.value_or(0) + *s;
    if (timed > 0)
        f.mean = int(std::lround(double(sum) / timed));
    return f;
}

SessionComparison compareSessions(const SessionRecord& first, const SessionRecord& second) {
    SessionComparison c{sessionFigures(first), sessionFigures(second), {}};
    const int rows = int(std::max(first.laps.size(), second.laps.size()));
    for (int i = 0; i < rows; ++i) {
        ComparedLap lap;
        lap.index = i + 1;
        lap.first = countedTime(first, i);
        lap.second = countedTime(second, i);
        if (lap.first && lap.second)
            lap.difference = *lap.second - *lap.first;
        c.laps << lap;
    }
    return c;
}

} // namespace logbook
