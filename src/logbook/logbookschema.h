#pragma once
// The logbook's tables and how a file of an older layout is brought to the current one. The
// layout's version is kept in the file itself (PRAGMA user_version): 0 is a new, empty file.
// Each migration takes the file from one version to the next in a transaction of its own, so a
// failed step leaves the file at the version before it.
#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

namespace logbook {

struct Migration {
    int toVersion = 0;      // the version the file has after these statements
    QStringList statements; // run in order
};

// Every migration of the program, oldest first; the last one's version is the current one.
const QList<Migration>& migrations();
int currentSchemaVersion();

// The file's version; -1 when it cannot be read (not a database, no access).
int schemaVersion(QSqlDatabase& db);

struct MigrationResult {
    bool ok = false;
    int version = 0; // the version the file is at afterwards
    QString error;   // the failing statement's error
};

// Applies the migrations above the file's version, in order. A file newer than the last
// migration is left as it is (ok false, version its own).
MigrationResult migrate(QSqlDatabase& db, const QList<Migration>& steps);

} // namespace logbook
