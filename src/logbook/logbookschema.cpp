#include "logbook/logbookschema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace logbook {

const QList<Migration>& migrations() {
    static const QList<Migration> steps{
        {1,
         {
             // A track the racer drives, with its course length as the course length entry
             // takes it (km).
             QStringLiteral("CREATE TABLE tracks(name TEXT PRIMARY KEY NOT NULL, "
                            "course_length TEXT NOT NULL DEFAULT '')"),
             // kind: 'read' from the lap timer, 'live' laps pushed by it, 'file' a lap file.
             // Times are local "yyyy-MM-dd HH:mm:ss.zzz" texts, which sort as they read.
             // lap_count, best and theoretical are kept with the session so that the list
             // needs no look at the laps.
             QStringLiteral("CREATE TABLE sessions(id INTEGER PRIMARY KEY, "
                            "kind TEXT NOT NULL CHECK(kind IN ('read','live','file')), "
                            "started TEXT NOT NULL, last_at TEXT NOT NULL, "
                            "model TEXT NOT NULL DEFAULT '', radio_id INTEGER NOT NULL DEFAULT 0, "
                            "course_length TEXT NOT NULL DEFAULT '', "
                            "summary TEXT NOT NULL DEFAULT '', "
                            "complete INTEGER NOT NULL DEFAULT 1, "
                            "end_reason TEXT NOT NULL DEFAULT '', "
                            "laps_held INTEGER NOT NULL DEFAULT 0, "
                            "file_path TEXT NOT NULL DEFAULT '', content_hash TEXT, "
                            "track TEXT NOT NULL DEFAULT '', vehicle TEXT NOT NULL DEFAULT '', "
                            "notes TEXT NOT NULL DEFAULT '', "
                            "lap_count INTEGER NOT NULL DEFAULT 0, best INTEGER, theoretical "
                            "INTEGER)"),
             QStringLiteral("CREATE INDEX sessions_started ON sessions(started)"),
             QStringLiteral("CREATE INDEX sessions_hash ON sessions(content_hash)"),
             // Times in hundredths; NULL where the cell held no time. mark: 0 none, 1 out-lap,
             // 2 in-lap, 3 invalid.
             QStringLiteral("CREATE TABLE laps(session_id INTEGER NOT NULL "
                            "REFERENCES sessions(id) ON DELETE CASCADE, "
                            "lap INTEGER NOT NULL, time INTEGER, s1 INTEGER, s2 INTEGER, "
                            "s3 INTEGER, s4 INTEGER, top_speed INTEGER, "
                            "remark TEXT NOT NULL DEFAULT '', mark INTEGER NOT NULL DEFAULT 0, "
                            "at TEXT, PRIMARY KEY(session_id, lap)) WITHOUT ROWID"),
             // A fuel meter reading: distance in tenths of a km, litres, km per litre.
             QStringLiteral("CREATE TABLE fuel(id INTEGER PRIMARY KEY, session_id INTEGER NOT "
                            "NULL REFERENCES sessions(id) ON DELETE CASCADE, at TEXT NOT NULL, "
                            "radio_id INTEGER NOT NULL DEFAULT 0, distance INTEGER NOT NULL, "
                            "remaining REAL NOT NULL, used REAL NOT NULL, economy REAL NOT NULL)"),
             QStringLiteral("CREATE INDEX fuel_session ON fuel(session_id)"),
         }},
    };
    return steps;
}

int currentSchemaVersion() {
    return migrations().constLast().toVersion;
}

int schemaVersion(QSqlDatabase& db) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return -1;
    return q.value(0).toInt();
}

MigrationResult migrate(QSqlDatabase& db, const QList<Migration>& steps) {
    MigrationResult result;
    result.version = schemaVersion(db);
    if (result.version < 0) {
        result.error = db.lastError().text();
        return result;
    }
    const int last = steps.isEmpty() ? 0 : steps.constLast().toVersion;
    if (result.version > last)
        return result;
    for (const Migration& step : steps) {
        if (step.toVersion <= result.version)
            continue;
        if (!db.transaction()) {
            result.error = db.lastError().text();
            return result;
        }
        QSqlQuery q(db);
        bool ok = true;
        for (const QString& statement : step.statements) {
            if (!q.exec(statement)) {
                result.error = q.lastError().text();
                ok = false;
                break;
            }
        }
        // PRAGMA takes no bound value; the version is a number of ours.
        if (ok && !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(step.toVersion))) {
            result.error = q.lastError().text();
            ok = false;
        }
        if (!ok || !db.commit()) {
            if (ok)
                result.error = db.lastError().text();
            db.rollback();
            return result;
        }
        result.version = step.toVersion;
    }
    result.ok = true;
    return result;
}

} // namespace logbook
