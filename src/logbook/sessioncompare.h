#pragma once
// Two sessions side by side: their figures (best lap, theoretical best, mean of the laps that
// carry no mark, top speed) and lap by lap the two times and the second's difference to the
// first. Marked laps keep their row but leave every figure.
#include "logbook/sessioncsv.h"

#include <QList>

#include <optional>

namespace logbook {

struct SessionFigures {
    std::optional<int> best;        // hundredths
    std::optional<int> theoretical; // sum of the sector bests present
    std::optional<int> mean;        // mean of the unmarked lap times, rounded
    std::optional<int> topSpeed;    // km/h
    int lapsLeftOut = 0;            // marked laps
};

struct ComparedLap {
    int index = 0; // 1-based position in each session's lap order
    std::optional<int> first;
    std::optional<int> second;
    std::optional<int> difference; // second - first, when both count
};

struct SessionComparison {
    SessionFigures first;
    SessionFigures second;
    QList<ComparedLap> laps;
};

SessionFigures sessionFigures(const SessionRecord& session);
SessionComparison compareSessions(const SessionRecord& first, const SessionRecord& second);

} // namespace logbook
