#pragma once
// A track's personal best over the season: the best lap of each session at the track, oldest
// first, with the personal best as it stood after that session (what the chart draws as a
// step line under the sessions' bests).
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace logbook {

struct BestHistoryPoint {
    QDateTime at;     // the session's start
    int best = 0;     // the session's best unmarked lap, hundredths
    int personal = 0; // the track's best up to and with this session
};

// Sessions at the track without a timed lap are left out; none for an empty track name.
QList<BestHistoryPoint> readBestHistory(const QSqlDatabase& db, const QString& track);

} // namespace logbook
