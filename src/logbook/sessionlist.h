#pragma once
// The queries behind the logbook window's lists: the sessions, newest first, narrowed by
// track, vehicle and date; the track list; the personal best of every track. Each is SQL with
// its bound values, so the window hands it to a QSqlQueryModel and the tests run it directly.
#include <QDate>
#include <QString>
#include <QVariantList>

namespace logbook {

struct SessionFilter {
    QString track;   // part of the track's name; empty: every track
    QString vehicle; // part of the vehicle's name
    QDate from;      // first day shown; invalid: no limit
    QDate to;        // last day shown
};

struct BoundQuery {
    QString sql;
    QVariantList values;
};

// The session list's columns, in this order.
enum SessionColumn {
    SessionId,
    SessionDate,
    SessionKindColumn,
    SessionTrack,
    SessionVehicle,
    SessionLaps,
    SessionBest,
    SessionTheoretical,
    SessionNotes,
    SessionColumnCount
};

BoundQuery sessionListQuery(const SessionFilter& filter);
// The laps of a session in lap order: lap, time, sectors 1-4 (hundredths), top speed, the
// mark's name, remark.
BoundQuery lapListQuery(qint64 session);
// Track name and course length, by name.
BoundQuery trackListQuery();
// Per track: the best unmarked lap of all its sessions, the date and vehicle of that session
// and how many sessions the track has.
BoundQuery personalBestQuery();

// The session holding the best lap of the given session's track (one row: its id; none when
// the session has no track or the track no timed lap).
BoundQuery trackBestSessionQuery(qint64 session);

// A lap time in hundredths as the grid writes it (MM'SS"HH), "" for none.
QString formatHundredths(const QVariant& hundredths);

} // namespace logbook
