#pragma once
// A session as a numeric CSV file for spreadsheets and video-overlay tools: UTF-8 with a
// byte-order mark, comma separators, a header block (date, track, vehicle, notes, course
// length), a blank line, then one row a lap with times in decimal seconds, the average speed
// over the course length and whether the lap counts (marked laps do not).
#include "logbook/lapvalues.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace logbook {

struct SessionRecord {
    QString started; // "yyyy-MM-dd HH:mm:ss.zzz" as stored
    QString model;
    QString track;
    QString vehicle;
    QString notes;
    QString courseLength; // km, as the course length entry takes it
    QString summary;      // the grid's summary row, its cells joined by tabs
    QList<LapValues> laps;
    QList<LapMark> marks; // one a lap
};

// The session and its laps in lap order; nothing when there is no such session.
std::optional<SessionRecord> readSession(const QSqlDatabase& db, qint64 session);

QByteArray sessionCsv(const SessionRecord& session);

// The session's laps as the grid shows a lap file: the cell texts made again from the values
// kept, the summary row as it was recorded.
feed::LapSet lapSetOf(const SessionRecord& session);
// Names the session in the main window's caption: "ログブック 2026/12/10 15:02 <track>".
QString sessionCaption(const SessionRecord& session);

} // namespace logbook
