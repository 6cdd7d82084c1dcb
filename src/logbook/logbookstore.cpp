#include "logbook/logbookstore.h"

#include "logbook/logbookschema.h"
#include "logbook/walcheckpointer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace logbook {

namespace {

QString timeText(const QDateTime& at) {
    return (at.isValid() ? at : QDateTime::currentDateTime()).toString(storedTimeFormat);
}

QString kindText(SessionKind kind) {
    static const char* const texts[] = {"read", "live", "file"};
    return QString::fromLatin1(texts[int(kind)]);
}

// Texts are stored as '' rather than NULL when empty: the columns are NOT NULL.
QVariant text(const QString& value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant optionalValue(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

// What the first bytes of the file say: SQLite's header, and the schema version it carries
// at offset 60 (big-endian). Read directly, so a file we must not touch is only read.
struct FileHeader {
    bool database = false; // empty, or starts with SQLite's magic text
    int version = 0;
};

FileHeader readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {true, 0}; // unreadable: the open below reports it
    const QByteArray head = file.read(100);
    if (head.isEmpty())
        return {true, 0};
    if (head.size() < 100 || !head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return {false, 0};
    const auto* b = reinterpret_cast<const uchar*>(head.constData()) + 60;
    return {true, int((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) |
                      quint32(b[3]))};
}

const QString newerMessage =
    QStringLiteral("ログブック（%1）は新しいバージョンのKODA Monitorで作成されています。\r\n"
                   "ログブックのファイルはそのままにして、ログブックを使わずに続けます。");
const QString corruptMessage =
    QStringLiteral("ログブック（%1）が壊れていたため、%2 という名前で残し、"
                   "新しいログブックを作成しました。");
const QString writeMessage =
    QStringLiteral("ログブックに記録できません。\r\n%1\r\n"
                   "記録せずに続けます。書き込めるようになると記録を再開します。");

} // namespace

LogbookStore::LogbookStore(const QString& path, QObject* parent)
    : QObject(parent), path_(path),
      connection_(QStringLiteral("logbook-%1").arg(quintptr(this), 0, 16)) {}

LogbookStore::~LogbookStore() {
    closeFile();
}

QString LogbookStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/logbook.sqlite");
}

QSqlDatabase LogbookStore::database() const {
    return QSqlDatabase::database(connection_, false);
}

bool LogbookStore::open() {
    if (state_ == State::Open)
        return true;
    if (state_ == State::Refused)
        return false;
    if (openFile()) {
        state_ = State::Open;
        writeFaultTold_ = false;
        return true;
    }
    return false;
}

bool LogbookStore::openFile() {
    closeFile();
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        state_ = State::Unavailable;
        writeFailed(QStringLiteral("%1: フォルダを作成できません。").arg(info.absolutePath()));
        return false;
    }
    const FileHeader header = readHeader(path_);
    if (header.version > currentSchemaVersion()) {
        state_ = State::Refused;
        emit problem(newerMessage.arg(QDir::toNativeSeparators(path_)));
        return false;
    }
    if (!header.database && !setAside())
        return false;

    enum class Outcome { Ready, Damaged, Failed };
    Outcome outcome = Outcome::Failed;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (db.open()) {
            QSqlQuery q(db);
            // The schema is read before anything is written, so a damaged file is set aside
            // rather than written into.
            if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
                error = q.lastError().text();
                const QString code = q.lastError().nativeErrorCode();
                // SQLITE_CORRUPT, SQLITE_NOTADB
                if (code == QLatin1String("11") || code == QLatin1String("26"))
                    outcome = Outcome::Damaged;
            } else if (q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
                       q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")) &&
                       q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")) &&
                       q.exec(QStringLiteral("PRAGMA foreign_keys=ON"))) {
                const MigrationResult migrated = migrate(db, migrations());
                if (migrated.ok)
                    outcome = Outcome::Ready;
                error = migrated.error;
            } else {
                error = q.lastError().text();
            }
        } else {
            error = db.lastError().text();
        }
    }
    if (outcome == Outcome::Ready) {
        checkpointer_ = std::make_unique<WalCheckpointer>(path_);
        return true;
    }
    closeFile();
    if (outcome == Outcome::Damaged && setAside())
        return openFile();
    state_ = State::Unavailable;
    writeFailed(error);
    return false;
}

void LogbookStore::closeFile() {
    checkpointer_.reset();
    if (!QSqlDatabase::contains(connection_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

// Moves a damaged file (and its journal files) aside under a dated name, once per run.
bool LogbookStore::setAside() {
    const QFileInfo info(path_);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString kept = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                         QStringLiteral("-corrupt-") + stamp + QLatin1Char('.') + info.suffix();
    if (!QFile::rename(path_, kept)) {
        state_ = State::Unavailable;
        writeFailed(QStringLiteral("%1: 名前を変更できません。").arg(path_));
        return false;
    }
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(path_ + QLatin1String(suffix)))
            QFile::rename(path_ + QLatin1String(suffix), kept + QLatin1String(suffix));
    emit problem(
        corruptMessage.arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(kept)));
    return true;
}

void LogbookStore::writeFailed(const QString& error) {
    if (writeFaultTold_)
        return;
    writeFaultTold_ = true;
    emit problem(writeMessage.arg(error));
}

bool LogbookStore::write(const std::function<bool(QSqlQuery&)>& work) {
    if (!open())
        return false;
    QSqlDatabase db = database();
    QString error;
    if (db.transaction()) {
        {
            QSqlQuery q(db);
            if (work(q) && db.commit()) {
                writeFaultTold_ = false;
                checkpointer_->request();
                return true;
            }
            error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
        }
        db.rollback();
    } else {
        error = db.lastError().text();
    }
    writeFailed(error);
    return false;
}

void LogbookStore::listenTo(feed::EventFeed& feed) {
    feed_ = &feed;
    // What the grid shows follows the reads, the files loaded and the live laps.
    const auto shown = [this](qint64 session) {
        if (session >= 0)
            setShownSession(session);
    };
    connect(&feed, &feed::EventFeed::lapsRead, this, [this, shown](const feed::LapSet& laps) {
        shown(recordLapSet(SessionKind::Read, laps));
    });
    connect(&feed, &feed::EventFeed::lapFileLoaded, this, [this, shown](const feed::LapSet& laps) {
        shown(recordLapSet(SessionKind::File, laps));
    });
    connect(&feed, &feed::EventFeed::lapFileSaved, this,
            [this](const feed::LapSet& laps) { recordLapSet(SessionKind::File, laps); });
    connect(&feed, &feed::EventFeed::liveLap, this,
            [this, shown](const feed::LiveLap& lap) { shown(recordLiveLap(lap)); });
    connect(&feed, &feed::EventFeed::fuelReading, this, &LogbookStore::recordFuelReading);
    connect(&feed, &feed::EventFeed::lapMarkChosen, this, [this](int lap, feed::LapMark mark) {
        if (shownSession_ >= 0)
            setLapMark(shownSession_, lap, mark);
    });
    // A port closed by the user ends the run of live laps; a lost link does not, since the
    // device usually comes back within the same session.
    connect(&feed, &feed::EventFeed::connectionChanged, this, [this](feed::Connection state) {
        if (state == feed::Connection::Closed)
            endLiveSession();
    });
}

void LogbookStore::setShownSession(qint64 session) {
    if (session == shownSession_)
        return;
    shownSession_ = session;
    tellShownMarks();
}

void LogbookStore::tellShownMarks() {
    if (feed_)
        feed_->setShownMarks(lapMarks(shownSession_));
}

feed::LapMarks LogbookStore::lapMarks(qint64 session) {
    feed::LapMarks marks;
    if (session < 0 || state_ != State::Open)
        return marks;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT lap, mark FROM laps WHERE session_id = ? AND mark <> 0"));
    q.addBindValue(session);
    if (q.exec())
        while (q.next())
            marks.insert(q.value(0).toInt(), feed::LapMark(std::clamp(q.value(1).toInt(), 0, 3)));
    return marks;
}

qint64 LogbookStore::newSession(QSqlQuery& q, SessionKind kind, const QDateTime& at) {
    q.prepare(QStringLiteral("INSERT INTO sessions(kind, started, last_at) VALUES(?, ?, ?)"));
    q.addBindValue(kindText(kind));
    q.addBindValue(timeText(at));
    q.addBindValue(timeText(at));
    if (!q.exec())
        return -1;
    return q.lastInsertId().toLongLong();
}

bool LogbookStore::insertLaps(QSqlQuery& q, qint64 session, const QList<feed::LapRow>& laps,
                              const QDateTime& at) {
    if (!q.prepare(QStringLiteral("INSERT OR REPLACE INTO laps(session_id, lap, time, s1, s2, "
                                  "s3, s4, top_speed, remark, at) "
                                  "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")))
        return false;
    const QString atText = at.isValid() ? timeText(at) : QString();
    for (const feed::LapRow& row : laps) {
        const LapValues lap = lapValuesOf(row);
        q.addBindValue(session);
        q.addBindValue(lap.lap);
        q.addBindValue(optionalValue(lap.time));
        for (const std::optional<int>& sector : lap.sectors)
            q.addBindValue(optionalValue(sector));
        q.addBindValue(optionalValue(lap.topSpeed));
        q.addBindValue(text(lap.remark));
        q.addBindValue(atText.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                        : QVariant(atText));
        if (!q.exec())
            return false;
    }
    return true;
}

// The list's figures of a session: laps, best lap and theoretical best (the sum of the
// sector bests present), over the laps that carry no mark.
bool LogbookStore::refreshSummary(QSqlQuery& q, qint64 session) {
    q.prepare(QStringLiteral(
        "UPDATE sessions SET "
        "lap_count = (SELECT count(*) FROM laps WHERE session_id = :id), "
        "best = (SELECT min(time) FROM laps WHERE session_id = :id AND mark = 0), "
        "theoretical = (SELECT CASE WHEN count(s1) + count(s2) + count(s3) + count(s4) = 0 "
        "THEN NULL ELSE coalesce(min(s1), 0) + coalesce(min(s2), 0) + coalesce(min(s3), 0) "
        "+ coalesce(min(s4), 0) END FROM laps WHERE session_id = :id AND mark = 0) "
        "WHERE id = :id"));
    q.bindValue(QStringLiteral(":id"), session);
    return q.exec();
}

qint64 LogbookStore::recordLapSet(SessionKind kind, const feed::LapSet& laps) {
    if (laps.laps.isEmpty())
        return -1; // nothing came in: nothing to keep
    const QString hash = contentHash(laps);
    qint64 session = -1;
    const bool ok = write([&](QSqlQuery& q) {
        if (kind == SessionKind::File) {
            // A file whose laps are kept already (loaded before, or saved from a read) is
            // recognised by its content and not kept twice.
            q.prepare(QStringLiteral("SELECT id FROM sessions WHERE content_hash = ? LIMIT 1"));
            q.addBindValue(hash);
            if (!q.exec())
                return false;
            if (q.next()) {
                session = q.value(0).toLongLong();
                q.finish();
                q.prepare(QStringLiteral("UPDATE sessions SET file_path = ? WHERE id = ? AND "
                                         "file_path = ''"));
                q.addBindValue(text(laps.filePath));
                q.addBindValue(session);
                return q.exec();
            }
        }
        session = newSession(q, kind, laps.at);
        if (session < 0)
            return false;
        q.prepare(QStringLiteral(
            "UPDATE sessions SET model = ?, radio_id = ?, course_length = ?, summary = ?, "
            "complete = ?, end_reason = ?, laps_held = ?, file_path = ?, content_hash = ? "
            "WHERE id = ?"));
        for (const QVariant& v :
             {text(laps.model), QVariant(int(laps.radioId)), text(laps.courseLength),
              text(laps.summary.join(QLatin1Char('\t'))), QVariant(laps.complete ? 1 : 0),
              text(laps.endReason), QVariant(laps.lapsHeld), text(laps.filePath), QVariant(hash),
              QVariant(session)})
            q.addBindValue(v);
        return q.exec() && insertLaps(q, session, laps.laps, QDateTime()) &&
               refreshSummary(q, session);
    });
    if (!ok)
        return -1;
    if (kind == SessionKind::Read && laps.complete)
        wholeReadKept_ = true;
    emit changed(session);
    return session;
}

void LogbookStore::endLiveSession() {
    liveSession_ = -1;
    lastLiveLap_ = 0;
}

// The live session an event at `at` belongs to: the current one, unless it has been quiet for
// the gap or the lap timer counts from the start again (lap below the last); else a new one.
qint64 LogbookStore::liveSessionFor(QSqlQuery& q, const QDateTime& at, int lap) {
    const bool quiet = !lastLiveAt_.isValid() || lastLiveAt_.secsTo(at) > liveSessionGapSeconds;
    if (liveSession_ < 0 || quiet || (lap > 0 && lap < lastLiveLap_)) {
        liveSession_ = newSession(q, SessionKind::Live, at);
        lastLiveLap_ = 0;
    }
    if (liveSession_ < 0)
        return -1;
    q.prepare(QStringLiteral("UPDATE sessions SET last_at = ? WHERE id = ?"));
    q.addBindValue(timeText(at));
    q.addBindValue(liveSession_);
    return q.exec() ? liveSession_ : -1;
}

qint64 LogbookStore::recordLiveLap(const feed::LiveLap& lap) {
    const QDateTime at = lap.at.isValid() ? lap.at : QDateTime::currentDateTime();
    qint64 session = -1;
    const qint64 before = liveSession_;
    const bool ok = write([&](QSqlQuery& q) {
        session = liveSessionFor(q, at, lap.row.lap);
        if (session < 0)
            return false;
        q.prepare(QStringLiteral("UPDATE sessions SET radio_id = ?, model = 'RK-13' "
                                 "WHERE id = ?"));
        q.addBindValue(int(lap.radioId));
        q.addBindValue(session);
        return q.exec() && insertLaps(q, session, {lap.row}, at) && refreshSummary(q, session);
    });
    if (!ok) {
        liveSession_ = before; // the new session was rolled back with the lap
        return -1;
    }
    lastLiveAt_ = at;
    lastLiveLap_ = std::max(lastLiveLap_, lap.row.lap);
    emit changed(session);
    return session;
}

std::optional<int> LogbookStore::livePersonalBest() {
    if (liveSession_ < 0 || state_ != State::Open)
        return std::nullopt;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT min(best) FROM sessions WHERE track <> '' AND id <> ? AND "
                             "track = (SELECT track FROM sessions WHERE id = ?)"));
    q.addBindValue(liveSession_);
    q.addBindValue(liveSession_);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toInt();
}

qint64 LogbookStore::recordFuelReading(const feed::FuelReading& reading) {
    const QDateTime at = reading.at.isValid() ? reading.at : QDateTime::currentDateTime();
    qint64 session = -1;
    const qint64 before = liveSession_;
    const bool ok = write([&](QSqlQuery& q) {
        session = liveSessionFor(q, at, 0);
        if (session < 0)
            return false;
        q.prepare(QStringLiteral("INSERT INTO fuel(session_id, at, radio_id, distance, "
                                 "remaining, used, economy) VALUES(?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& v :
             {QVariant(session), QVariant(timeText(at)), QVariant(int(reading.radioId)),
              QVariant(reading.distance), QVariant(double(reading.remaining)),
              QVariant(double(reading.used)), QVariant(double(reading.economy))})
            q.addBindValue(v);
        return q.exec();
    });
    if (!ok) {
        liveSession_ = before;
        return -1;
    }
    lastLiveAt_ = at;
    emit changed(session);
    return session;
}

bool LogbookStore::updateSession(qint64 session, const QString& track, const QString& vehicle,
                                 const QString& notes) {
    const bool ok = write([&](QSqlQuery& q) {
        // A track of the racer's list brings its course length; a track not listed, or
        // listed without one, leaves the length the timer or the file gave.
        q.prepare(QStringLiteral(
            "UPDATE sessions SET track = ?, vehicle = ?, notes = ?, course_length = coalesce("
            "(SELECT course_length FROM tracks WHERE name = ? AND course_length <> ''), "
            "course_length) WHERE id = ?"));
        for (const QVariant& v : {text(track.trimmed()), text(vehicle.trimmed()), text(notes),
                                  text(track.trimmed()), QVariant(session)})
            q.addBindValue(v);
        return q.exec();
    });
    if (ok)
        emit changed(session);
    return ok;
}

bool LogbookStore::setTrack(const QString& name, const QString& courseLength) {
    if (name.trimmed().isEmpty())
        return false;
    return write([&](QSqlQuery& q) {
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO tracks(name, course_length) "
                                 "VALUES(?, ?)"));
        q.addBindValue(name.trimmed());
        q.addBindValue(text(courseLength.trimmed()));
        if (!q.exec())
            return false;
        // Sessions at the track that came without a course length (live laps carry none)
        // take the listed one; a length the timer or a file gave is kept.
        q.prepare(QStringLiteral("UPDATE sessions SET course_length = ? "
                                 "WHERE track = ? AND course_length = ''"));
        q.addBindValue(text(courseLength.trimmed()));
        q.addBindValue(name.trimmed());
        return q.exec();
    });
}

bool LogbookStore::removeTrack(const QString& name) {
    return write([&](QSqlQuery& q) {
        q.prepare(QStringLiteral("DELETE FROM tracks WHERE name = ?"));
        q.addBindValue(name);
        return q.exec();
    });
}

bool LogbookStore::setLapMark(qint64 session, int lap, LapMark mark) {
    const bool ok = write([&](QSqlQuery& q) {
        q.prepare(QStringLiteral("UPDATE laps SET mark = ? WHERE session_id = ? AND lap = ?"));
        q.addBindValue(int(mark));
        q.addBindValue(session);
        q.addBindValue(lap);
        return q.exec() && refreshSummary(q, session);
    });
    if (ok) {
        if (session == shownSession_)
            tellShownMarks();
        emit changed(session);
    }
    return ok;
}

} // namespace logbook
