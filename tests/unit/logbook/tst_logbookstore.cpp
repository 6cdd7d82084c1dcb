// The logbook store on temporary files: the schema and its migrations, what a read, live
// laps, fuel readings and lap files leave in it, and the faulty files it must survive.
#include "logbook/lapfileimport.h"
#include "logbook/logbookschema.h"
#include "logbook/logbookstore.h"
#include "logbook/sessioncompare.h"
#include "logbook/sessioncsv.h"
#include "logbook/sessionlist.h"
#include "support/filebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace logbook;

namespace {

feed::LapRow lapRow(int lap, const QString& time, const QStringList& sectors = {},
                    const QString& top = {}, const QString& remark = {}) {
    feed::LapRow row;
    row.lap = lap;
    row.cells << QString::asprintf("%03d", lap) << time;
    for (int i = 0; i < 4; ++i)
        row.cells << sectors.value(i);
    row.cells << top << QString() << remark;
    return row;
}

// Three laps of a two-sector lap timer, as the grid writes them.
feed::LapSet threeLaps() {
    feed::LapSet set;
    set.at = QDateTime(QDate(2026, 5, 3), QTime(10, 15));
    set.model = QStringLiteral("RK-13");
    set.radioId = 0x1234;
    set.courseLength = QStringLiteral("3.7");
    set.lapsHeld = 3;
    set.summary = QStringList{QString(),          QStringLiteral(" 01'21\"00"),
                              QString(),          QString(),
                              QString(),          QString(),
                              QString(),          QString(),
                              QStringLiteral("3")};
    set.laps << lapRow(1, QStringLiteral(" 01'23\"45"),
                       {QStringLiteral(" 00'41\"00"), QStringLiteral(" 00'42\"45")},
                       QStringLiteral("123"))
             << lapRow(2, QStringLiteral(" 01'21\"00"),
                       {QStringLiteral(" 00'40\"50"), QStringLiteral(" 00'40\"50")},
                       QStringLiteral("150"), QStringLiteral("FL TS"))
             << lapRow(3, QStringLiteral(" 01'22\"00"),
                       {QStringLiteral(" 00'40\"00"), QStringLiteral(" 00'42\"00")},
                       QStringLiteral("149"));
    return set;
}

QVariantList row(QSqlDatabase db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    QVariantList out;
    if (q.exec() && q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out << q.value(i);
    return out;
}

int count(QSqlDatabase db, const QString& table) {
    return row(db, QStringLiteral("SELECT count(*) FROM ") + table).value(0).toInt();
}

// A database made by hand, outside the store.
struct RawDb {
    QString name;
    explicit RawDb(const QString& path) : name(QStringLiteral("raw-") + path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDb() {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    bool exec(const QString& sql) const { return QSqlQuery(db()).exec(sql); }
};

} // namespace

class TestLogbookStore : public QObject {
    Q_OBJECT

private slots:
    void newFileHasTheCurrentSchema();
    void migrations_data();
    void migrations();
    void readIsRecordedWithItsLaps();
    void liveLapsSplitAfterAQuietGap_data();
    void liveLapsSplitAfterAQuietGap();
    void fuelReadingsJoinTheLiveSession();
    void lapFileIsRecognisedByItsContent();
    void lapFolderIsImportedOnce();
    void markedLapsLeaveTheBest();
    void gridMarksFollowTheShownSession();
    void listedTrackFillsTheCourseLength();
    void sessionCsvIsNumeric();
    void sessionsCompareLapByLap();
    void sessionListFilters_data();
    void sessionListFilters();
    void newerFileIsLeftUntouched();
    void corruptFileIsKeptAndANewOneStarted();
    void unwritableFolderIsToldOnceAndRecordingResumes();
    void twoProgramsShareTheFile();
    void killedWhileRecordingLeavesASoundFile();

private:
    QTemporaryDir dir_;
    QString freshPath() {
        static int n = 0;
        return dir_.filePath(QStringLiteral("db%1/logbook.sqlite").arg(++n));
    }
};

void TestLogbookStore::newFileHasTheCurrentSchema() {
    const QString path = freshPath();
    LogbookStore store(path);
    QVERIFY(store.open());
    QCOMPARE(currentSchemaVersion(), 1);
    QCOMPARE(row(store.database(), QStringLiteral("PRAGMA user_version")).value(0).toInt(), 1);
    QCOMPARE(row(store.database(), QStringLiteral("PRAGMA journal_mode")).value(0).toString(),
             QStringLiteral("wal"));
    for (const char* table : {"sessions", "laps", "fuel", "tracks"})
        QCOMPARE(count(store.database(), QString::fromLatin1(table)), 0);
}

// Each row: the version the file starts at, the steps, the version and outcome expected, and
// whether the second step's table exists afterwards.
void TestLogbookStore::migrations_data() {
    QTest::addColumn<int>("startVersion");
    QTest::addColumn<bool>("secondStepFails");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("endVersion");
    QTest::addColumn<bool>("t2Exists");
    QTest::newRow("empty file to 2") << 0 << false << true << 2 << true;
    QTest::newRow("from 1 only step 2") << 1 << false << true << 2 << true;
    QTest::newRow("at 2 nothing") << 2 << false << true << 2 << false;
    QTest::newRow("newer left alone") << 3 << false << false << 3 << false;
    QTest::newRow("failing step rolled back") << 0 << true << false << 1 << false;
}

void TestLogbookStore::migrations() {
    QFETCH(int, startVersion);
    QFETCH(bool, secondStepFails);
    QFETCH(bool, ok);
    QFETCH(int, endVersion);
    QFETCH(bool, t2Exists);
    const QString path = freshPath();
    QDir().mkpath(QFileInfo(path).path());
    RawDb raw(path);
    QSqlDatabase db = raw.db();
    if (startVersion >= 1)
        QVERIFY(raw.exec(QStringLiteral("CREATE TABLE t1(a)")));
    QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = %1").arg(startVersion)));
    const QList<Migration> steps{
        {1, {QStringLiteral("CREATE TABLE t1(a)")}},
        {2,
         {QStringLiteral("CREATE TABLE t2(b)"),
          secondStepFails ? QStringLiteral("INSERT INTO nowhere VALUES(1)")
                          : QStringLiteral("INSERT INTO t1 VALUES(1)")}},
    };
    const MigrationResult result = migrate(db, steps);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.version, endVersion);
    QCOMPARE(schemaVersion(db), endVersion);
    QCOMPARE(QSqlQuery(db).exec(QStringLiteral("SELECT * FROM t2")), t2Exists);
}

void TestLogbookStore::readIsRecordedWithItsLaps() {
    LogbookStore store(freshPath());
    feed::LapSet laps = threeLaps();
    laps.complete = false;
    laps.endReason = QStringLiteral("応答なし");
    laps.lapsHeld = 5;
    const qint64 id = store.recordLapSet(SessionKind::Read, laps);
    QVERIFY(id > 0);
    QSqlDatabase db = store.database();
    QCOMPARE(row(db,
                 QStringLiteral("SELECT kind, started, model, radio_id, course_length, complete, "
                                "end_reason, laps_held, lap_count, best, theoretical "
                                "FROM sessions WHERE id = ?"),
                 {id}),
             (QVariantList{QStringLiteral("read"), QStringLiteral("2026-05-03 10:15:00.000"),
                           QStringLiteral("RK-13"), 0x1234, QStringLiteral("3.7"), 0,
                           QStringLiteral("応答なし"), 5, 3, 8100, 4000 + 4050}));
    QCOMPARE(
        row(db,
            QStringLiteral("SELECT time, s1, s2, s3 IS NULL, top_speed, remark, mark FROM laps "
                           "WHERE session_id = ? AND lap = 2"),
            {id}),
        (QVariantList{8100, 4050, 4050, 1, 150, QStringLiteral("FL TS"), 0}));
    // An empty read leaves nothing behind.
    QCOMPARE(store.recordLapSet(SessionKind::Read, feed::LapSet{}), -1);
    QCOMPARE(count(db, QStringLiteral("sessions")), 1);
}

void TestLogbookStore::liveLapsSplitAfterAQuietGap_data() {
    QTest::addColumn<int>("gapSeconds");
    QTest::addColumn<int>("secondLap");
    QTest::addColumn<bool>("sameSession");
    QTest::newRow("a minute") << 60 << 8 << true;
    QTest::newRow("exactly the gap") << 15 * 60 << 8 << true;
    QTest::newRow("beyond the gap") << 15 * 60 + 1 << 8 << false;
    QTest::newRow("lap timer counts from 1 again") << 60 << 1 << false;
    QTest::newRow("same lap sent again") << 5 << 7 << true;
}

void TestLogbookStore::liveLapsSplitAfterAQuietGap() {
    QFETCH(int, gapSeconds);
    QFETCH(int, secondLap);
    QFETCH(bool, sameSession);
    LogbookStore store(freshPath());
    const QDateTime start(QDate(2026, 5, 3), QTime(14, 0));
    const qint64 first =
        store.recordLiveLap({start, 0x1234, lapRow(7, QStringLiteral(" 01'30\"00"))});
    QVERIFY(first > 0);
    const qint64 second = store.recordLiveLap(
        {start.addSecs(gapSeconds), 0x1234, lapRow(secondLap, QStringLiteral(" 01'29\"00"))});
    QVERIFY(second > 0);
    QCOMPARE(second == first, sameSession);
    QCOMPARE(
        row(store.database(), QStringLiteral("SELECT kind FROM sessions WHERE id = ?"), {second}),
        QVariantList{QStringLiteral("live")});
    // A read in between never takes live laps.
    QVERIFY(store.recordLapSet(SessionKind::Read, threeLaps()) != second);
}

void TestLogbookStore::fuelReadingsJoinTheLiveSession() {
    LogbookStore store(freshPath());
    const QDateTime start(QDate(2026, 5, 3), QTime(14, 0));
    const qint64 fuelFirst = store.recordFuelReading({start, 0x5678, 300, 9.5f, 0.5f, 0.6f});
    const qint64 lap =
        store.recordLiveLap({start.addSecs(80), 0x1234, lapRow(1, QStringLiteral(" 01'20\"00"))});
    const qint64 fuelAfter =
        store.recordFuelReading({start.addSecs(90), 0x5678, 600, 9.475f, 0.525f, 1.1f});
    QVERIFY(fuelFirst > 0);
    QCOMPARE(lap, fuelFirst);
    QCOMPARE(fuelAfter, fuelFirst);
    QCOMPARE(row(store.database(),
                 QStringLiteral("SELECT count(*), max(distance), min(at) FROM fuel WHERE "
                                "session_id = ?"),
                 {lap}),
             (QVariantList{2, 600, QStringLiteral("2026-05-03 14:00:00.000")}));
    // A port closed by the user ends the run.
    store.endLiveSession();
    QVERIFY(store.recordFuelReading({start.addSecs(100), 0x5678, 900, 9.4f, 0.6f, 1.5f}) != lap);
}

void TestLogbookStore::lapFileIsRecognisedByItsContent() {
    LogbookStore store(freshPath());
    feed::LapSet file = threeLaps();
    file.filePath = QStringLiteral("/data/a.csv");
    const qint64 loaded = store.recordLapSet(SessionKind::File, file);
    QVERIFY(loaded > 0);
    file.filePath = QStringLiteral("/data/copy of a.csv");
    file.at = file.at.addDays(3);
    QCOMPARE(store.recordLapSet(SessionKind::File, file), loaded);
    // A read saved as a file is the read's session; other laps are a session of their own.
    const qint64 read = store.recordLapSet(SessionKind::Read, [] {
        feed::LapSet s = threeLaps();
        s.laps.removeLast();
        return s;
    }());
    feed::LapSet saved = threeLaps();
    saved.laps.removeLast();
    saved.filePath = QStringLiteral("/data/b.csv");
    QCOMPARE(store.recordLapSet(SessionKind::File, saved), read);
    QCOMPARE(count(store.database(), QStringLiteral("sessions")), 2);
    QCOMPARE(row(store.database(), QStringLiteral("SELECT file_path FROM sessions WHERE id = ?"),
                 {read}),
             QVariantList{QStringLiteral("/data/b.csv")});
}

// A folder of lap files of both versions, a copy, a file of another kind, a file without laps
// and a file that is not a lap file by its name.
void TestLogbookStore::lapFolderIsImportedOnce() {
    const QString folder = dir_.filePath(QStringLiteral("import"));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray v2(
        "RIN KODA Terminal Version 2.0\r\nLaps,2\r\nFastest,Lap,2,Best\r\nx\r\n"
        "001,\" 01'23\"\"45\",\" 00'41\"\"10\",\" 00'42\"\"35\",,,120,\" 64.71\",\"TS \"\r\n"
        "002,\" 01'20\"\"00\",\" 00'40\"\"00\",\" 00'40\"\"00\",,,118,\" 67.50\",\"FL \"\r\n");
    const QList<std::pair<const char*, QByteArray>> files{
        {"a.csv", v2},
        {"b.CSV", "RIN KODA Terminal Version 1.0\r\nLaps,2\r\nFastest,Lap,2\r\nx\r\n"
                  "001,\" 01'23\"\"45\",pit\r\n002,\" 01'19\"\"50\",\r\n"},
        {"c copy.csv", v2},
        {"d.csv", "QK11(ID:0x1234) 2011/05/02 14:03:27 Logging Start\r\n"},
        {"e.csv", "RIN KODA Terminal Version 2.0\r\nLaps,0\r\nFastest,Lap,0,Best\r\nx\r\n"},
        {"notes.txt", v2},
    };
    for (const auto& [name, bytes] : files) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        // The file's last change dates its session: a lap file holds no date.
        QVERIFY(f.open(QIODevice::ReadWrite) &&
                f.setFileTime(QDateTime(QDate(2026, 4, 1), QTime(9, 30)),
                              QFileDevice::FileModificationTime));
    }
    const QStringList paths = lapFilesIn(folder);
    QCOMPARE(paths.size(), 5);

    LogbookStore store(freshPath());
    QList<std::pair<int, int>> steps;
    LapFileImport done = importLapFiles(store, paths, [&](int at, int total) {
        steps.append({at, total});
        return true;
    });
    QCOMPARE(steps, (QList<std::pair<int, int>>{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    QCOMPARE(done.added, 2);
    QCOMPARE(done.known, 1);
    QCOMPARE(done.cancelled, false);
    QCOMPARE(done.refused.size(), 2);
    QCOMPARE(QFileInfo(done.refused[0].path).fileName(), QStringLiteral("d.csv"));
    QCOMPARE(done.refused[0].reason, QStringLiteral("ファイル形式が違います。"));
    QCOMPARE(QFileInfo(done.refused[1].path).fileName(), QStringLiteral("e.csv"));
    QCOMPARE(done.refused[1].reason, QStringLiteral("ラップタイムがありません。"));
    QCOMPARE(row(store.database(),
                 QStringLiteral("SELECT kind, substr(started, 1, 16), lap_count, best FROM "
                                "sessions ORDER BY id")),
             (QVariantList{QStringLiteral("file"), QStringLiteral("2026-04-01 09:30"), 2, 8000}));
    QCOMPARE(row(store.database(), QStringLiteral("SELECT best FROM sessions WHERE id = 2")),
             QVariantList{7950});

    // Again, stopped after the first file: nothing new, nothing recorded twice.
    done = importLapFiles(store, paths, [](int at, int) { return at < 1; });
    QCOMPARE(done.cancelled, true);
    QCOMPARE(done.known, 1);
    QCOMPARE(done.added, 0);
    QCOMPARE(count(store.database(), QStringLiteral("sessions")), 2);
}

void TestLogbookStore::markedLapsLeaveTheBest() {
    LogbookStore store(freshPath());
    const qint64 id = store.recordLapSet(SessionKind::Read, threeLaps());
    QVERIFY(store.setLapMark(id, 2, LapMark::Invalid));
    // Best lap 3 (1'22"00); sectors from laps 1 and 3: 40"00 + 42"00.
    QCOMPARE(row(store.database(),
                 QStringLiteral("SELECT best, theoretical FROM sessions "
                                "WHERE id = ?"),
                 {id}),
             (QVariantList{8200, 4000 + 4200}));

    // The pit board's personal best: the track's best of the earlier sessions, once the live
    // session has the track (1'22"00: the marked 1'21"00 stays out).
    const QDateTime later(QDate(2026, 5, 4), QTime(9, 0));
    const qint64 live =
        store.recordLiveLap({later, 0x1234, lapRow(1, QStringLiteral(" 01'19\"00"))});
    QCOMPARE(store.livePersonalBest(), std::nullopt);
    QVERIFY(store.updateSession(id, QStringLiteral("もてぎ"), QString(), QString()));
    QVERIFY(store.updateSession(live, QStringLiteral("もてぎ"), QString(), QString()));
    QCOMPARE(store.livePersonalBest(), std::optional<int>(8200));
}

void TestLogbookStore::gridMarksFollowTheShownSession() {
    LogbookStore store(freshPath());
    feed::EventFeed feed;
    store.listenTo(feed);
    QVERIFY(feed.marksKept());
    emit feed.lapsRead(threeLaps());
    const qint64 read = store.shownSession();
    QVERIFY(read > 0);
    emit feed.lapMarkChosen(2, LapMark::Invalid);
    QCOMPARE(feed.shownMarks(), (feed::LapMarks{{2, LapMark::Invalid}}));

    // Opened again into the grid, the session's laps read as the lap timer's frames wrote them.
    const std::optional<SessionRecord> record = readSession(store.database(), read);
    QVERIFY(record);
    const feed::LapSet laps = lapSetOf(*record);
    QCOMPARE(laps.summary, threeLaps().summary);
    QCOMPARE(laps.lapsHeld, 3);
    QCOMPARE(laps.laps.value(0).cells,
             (QStringList{QStringLiteral("001"), QStringLiteral(" 01'23\"45"),
                          QStringLiteral(" 00'41\"00"), QStringLiteral(" 00'42\"45"), QString(),
                          QString(), QStringLiteral("123"), QStringLiteral("159.62"), QString()}));
    QCOMPARE(sessionCaption(*record), QStringLiteral("ログブック 2026/05/03 10:15"));

    // A live lap moves the grid to the live session, which has no marks; the file of the read,
    // loaded later, is the read's session again with its mark.
    emit feed.liveLap({QDateTime(QDate(2026, 5, 4), QTime(9, 0)), 0x1234,
                       lapRow(1, QStringLiteral(" 01'19\"00"))});
    QVERIFY(store.shownSession() != read);
    QCOMPARE(feed.shownMarks(), feed::LapMarks());
    emit feed.lapFileLoaded(threeLaps());
    QCOMPARE(store.shownSession(), read);
    QCOMPARE(feed.shownMarks(), (feed::LapMarks{{2, LapMark::Invalid}}));
}

void TestLogbookStore::listedTrackFillsTheCourseLength() {
    LogbookStore store(freshPath());
    const qint64 read = store.recordLapSet(SessionKind::Read, threeLaps()); // 3.7 km
    const qint64 live = store.recordLiveLap({QDateTime(QDate(2026, 5, 4), QTime(9, 0)), 0x1234,
                                             lapRow(1, QStringLiteral(" 01'19\"00"))});
    const auto length = [&](qint64 id) {
        return row(store.database(),
                   QStringLiteral("SELECT course_length FROM sessions WHERE id = ?"), {id})
            .value(0)
            .toString();
    };
    // A track not in the list, or listed without a length, leaves the length as it was.
    QVERIFY(store.updateSession(read, QStringLiteral("筑波"), QString(), QString()));
    QVERIFY(store.setTrack(QStringLiteral("もてぎ"), QString()));
    QVERIFY(store.updateSession(live, QStringLiteral("もてぎ"), QString(), QString()));
    QCOMPARE(length(read), QStringLiteral("3.7"));
    QCOMPARE(length(live), QString());
    // Listing the track with a length fills the sessions there that had none...
    QVERIFY(store.setTrack(QStringLiteral("もてぎ"), QStringLiteral(" 4.8 ")));
    QCOMPARE(length(live), QStringLiteral("4.8"));
    // ...and choosing a listed track sets the session's length to the track's.
    QVERIFY(store.setTrack(QStringLiteral("筑波"), QStringLiteral("2.0")));
    QCOMPARE(length(read), QStringLiteral("3.7"));
    QVERIFY(store.updateSession(read, QStringLiteral("もてぎ"), QString(), QString()));
    QCOMPARE(length(read), QStringLiteral("4.8"));
}

void TestLogbookStore::sessionCsvIsNumeric() {
    LogbookStore store(freshPath());
    const qint64 id = store.recordLapSet(SessionKind::Read, threeLaps());
    QVERIFY(store.updateSession(id, QStringLiteral("筑波"), QStringLiteral("NSF250R"),
                                QStringLiteral("晴れ, ドライ \"新品\"")));
    QVERIFY(store.setLapMark(id, 3, LapMark::OutLap));
    const std::optional<SessionRecord> laps = readSession(store.database(), id);
    QVERIFY(laps);
    QCOMPARE(sessionCsv(*laps),
             QByteArray("\xEF\xBB\xBF"
                        "日時,2026-05-03 10:15:00\r\n"
                        "機種,RK-13\r\n"
                        "トラック,筑波\r\n"
                        "車両,NSF250R\r\n"
                        "メモ,\"晴れ, ドライ \"\"新品\"\"\"\r\n"
                        "コース長(km),3.7\r\n"
                        "除外したラップ,1\r\n"
                        "\r\n"
                        "ラップ,タイム(秒),セクタ1(秒),セクタ2(秒),セクタ3(秒),セクタ4(秒),"
                        "最高速(km/h),平均速度(km/h),有効,区分\r\n"
                        "1,83.45,41.00,42.45,,,123,159.6,1,\r\n"
                        "2,81.00,40.50,40.50,,,150,164.4,1,\r\n"
                        "3,82.00,40.00,42.00,,,149,162.4,0,アウトラップ\r\n"));
    QVERIFY(!readSession(store.database(), id + 1));
}

// The first session's lap 2 is marked invalid: it keeps its row but leaves every figure.
void TestLogbookStore::sessionsCompareLapByLap() {
    SessionRecord first;
    for (const feed::LapRow& row : threeLaps().laps)
        first.laps << lapValuesOf(row);
    first.marks = {LapMark::None, LapMark::Invalid, LapMark::None};
    SessionRecord second;
    second.laps << lapValuesOf(lapRow(1, QStringLiteral(" 01'20\"00")))
                << lapValuesOf(lapRow(2, QStringLiteral(" 01'22\"50"), {}, QStringLiteral("155")));
    second.marks = {LapMark::None, LapMark::None};
    const SessionComparison c = compareSessions(first, second);
    QCOMPARE(c.first.best, 8200);
    QCOMPARE(c.first.theoretical, 4000 + 4200);
    QCOMPARE(c.first.mean, 8273); // (83.45 + 82.00) / 2
    QCOMPARE(c.first.topSpeed, 149);
    QCOMPARE(c.first.lapsLeftOut, 1);
    QCOMPARE(c.second.best, 8000);
    QCOMPARE(c.second.theoretical, std::nullopt);
    QCOMPARE(c.second.topSpeed, 155);
    QCOMPARE(c.laps.size(), 3);
    QCOMPARE(c.laps[0].difference, -345);
    QCOMPARE(c.laps[1].first, std::nullopt);
    QCOMPARE(c.laps[1].second, 8250);
    QCOMPARE(c.laps[1].difference, std::nullopt);
    QCOMPARE(c.laps[2].first, 8200);
    QCOMPARE(c.laps[2].second, std::nullopt);
}

void TestLogbookStore::sessionListFilters_data() {
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("vehicle");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QList<int>>("days"); // the sessions' days listed, newest first
    QTest::newRow("all") << QString() << QString() << QDate() << QDate() << QList<int>{3, 2, 1};
    QTest::newRow("track part") << QStringLiteral("もてぎ") << QString() << QDate() << QDate()
                                << QList<int>{3, 1};
    QTest::newRow("vehicle") << QString() << QStringLiteral("NSF") << QDate() << QDate()
                             << QList<int>{2, 1};
    QTest::newRow("dates inclusive")
        << QString() << QString() << QDate(2026, 5, 2) << QDate(2026, 5, 3) << QList<int>{3, 2};
    QTest::newRow("percent is literal")
        << QStringLiteral("%") << QString() << QDate() << QDate() << QList<int>{};
}

void TestLogbookStore::sessionListFilters() {
    QFETCH(QString, track);
    QFETCH(QString, vehicle);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QList<int>, days);
    LogbookStore store(freshPath());
    const QStringList tracks{QStringLiteral("ツインリンクもてぎ"), QStringLiteral("鈴鹿"),
                             QStringLiteral("もてぎ北")};
    const QStringList vehicles{QStringLiteral("NSF250R"), QStringLiteral("NSF100"),
                               QStringLiteral("CBR")};
    for (int day = 1; day <= 3; ++day) {
        feed::LapSet laps = threeLaps();
        laps.at = QDateTime(QDate(2026, 5, day), QTime(23, 59));
        const qint64 id = store.recordLapSet(SessionKind::Read, laps);
        QVERIFY(store.updateSession(id, tracks[day - 1], vehicles[day - 1], QString()));
    }
    const BoundQuery query = sessionListQuery({track, vehicle, from, to});
    QSqlQuery q(store.database());
    QVERIFY(q.prepare(query.sql));
    for (const QVariant& v : query.values)
        q.addBindValue(v);
    QVERIFY(q.exec());
    QList<int> listed;
    while (q.next())
        listed << QDate::fromString(q.value(SessionDate).toString().left(10), Qt::ISODate).day();
    QCOMPARE(listed, days);
}

void TestLogbookStore::newerFileIsLeftUntouched() {
    const QString path = freshPath();
    QDir().mkpath(QFileInfo(path).path());
    {
        RawDb raw(path);
        QVERIFY(raw.exec(QStringLiteral("CREATE TABLE future(x)")));
        QVERIFY(raw.exec(QStringLiteral("PRAGMA user_version = 7")));
    }
    const QByteArray before = readAll(path);
    QVERIFY(!before.isEmpty());
    LogbookStore store(path);
    QSignalSpy problems(&store, &LogbookStore::problem);
    QCOMPARE(store.recordLapSet(SessionKind::Read, threeLaps()), -1);
    QCOMPARE(store.recordLiveLap({{}, 1, lapRow(1, QStringLiteral(" 01'20\"00"))}), -1);
    QCOMPARE(store.state(), LogbookStore::State::Refused);
    QCOMPARE(problems.count(), 1);
    QVERIFY(problems.at(0).at(0).toString().contains(QStringLiteral("新しいバージョン")));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files),
             QStringList{QStringLiteral("logbook.sqlite")});
}

void TestLogbookStore::corruptFileIsKeptAndANewOneStarted() {
    const QString path = freshPath();
    const QByteArray garbage = QByteArray("KODA lap data, not a database\n").repeated(40);
    QVERIFY(writeAll(path, garbage));
    LogbookStore store(path);
    QSignalSpy problems(&store, &LogbookStore::problem);
    QVERIFY(store.recordLapSet(SessionKind::Read, threeLaps()) > 0);
    QVERIFY(store.recordLapSet(SessionKind::Read, threeLaps()) > 0);
    QCOMPARE(problems.count(), 1);
    const QStringList kept =
        QDir(QFileInfo(path).path()).entryList({QStringLiteral("logbook-corrupt-*.sqlite")});
    QCOMPARE(kept.size(), 1);
    QVERIFY(problems.at(0).at(0).toString().contains(kept.first()));
    QCOMPARE(readAll(QFileInfo(path).path() + QLatin1Char('/') + kept.first()), garbage);
    QCOMPARE(count(store.database(), QStringLiteral("sessions")), 2);
}

// The data folder cannot be made (a file stands where it should be): one message for every
// event lost, and recording goes on once the folder can be made.
void TestLogbookStore::unwritableFolderIsToldOnceAndRecordingResumes() {
    const QString blocker = dir_.filePath(QStringLiteral("blocked"));
    QVERIFY(writeAll(blocker, "a file, not a folder"));
    LogbookStore store(blocker + QStringLiteral("/logbook.sqlite"));
    QSignalSpy problems(&store, &LogbookStore::problem);
    QCOMPARE(store.recordLapSet(SessionKind::Read, threeLaps()), -1);
    QCOMPARE(store.recordFuelReading({{}, 1, 300, 9, 1, 1}), -1);
    QCOMPARE(store.recordLiveLap({{}, 1, lapRow(1, QStringLiteral(" 01'20\"00"))}), -1);
    QCOMPARE(problems.count(), 1);
    QVERIFY(
        problems.at(0).at(0).toString().startsWith(QStringLiteral("ログブックに記録できません")));
    QVERIFY(QFile::remove(blocker));
    QVERIFY(store.recordLiveLap({{}, 1, lapRow(1, QStringLiteral(" 01'20\"00"))}) > 0);
    QCOMPARE(store.state(), LogbookStore::State::Open);
    QCOMPARE(problems.count(), 1);
}

// Two programs on the same logbook, their events interleaved: every event is kept, and each
// program sees the other's sessions.
void TestLogbookStore::twoProgramsShareTheFile() {
    const QString path = freshPath();
    LogbookStore first(path);
    LogbookStore second(path);
    const QDateTime at(QDate(2026, 5, 3), QTime(9, 0));
    QVERIFY(first.recordLapSet(SessionKind::Read, threeLaps()) > 0);
    QVERIFY(second.recordLiveLap({at, 1, lapRow(1, QStringLiteral(" 01'20\"00"))}) > 0);
    QVERIFY(first.recordLiveLap({at, 1, lapRow(1, QStringLiteral(" 01'21\"00"))}) > 0);
    QVERIFY(second.recordFuelReading({at.addSecs(5), 2, 300, 9, 1, 1}) > 0);
    QCOMPARE(count(first.database(), QStringLiteral("sessions")), 3);
    QCOMPARE(count(second.database(), QStringLiteral("laps")), 5);
    QCOMPARE(row(first.database(), QStringLiteral("PRAGMA integrity_check")),
             QVariantList{QStringLiteral("ok")});
}

// A recorder killed with SIGKILL at a random point of its loop: the file passes SQLite's
// integrity check and holds every event the recorder had reported committed.
void TestLogbookStore::killedWhileRecordingLeavesASoundFile() {
    const QString path = freshPath();
    QRandomGenerator random(20261210);
    int committed = 0;
    for (int round = 0; round < 4; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KODA_LOGBOOK_RECORDER"), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForStarted());
        // Killed after a random number of reported events, while it goes on writing.
        const int killAfter = 1 + int(random.bounded(40));
        int reported = 0;
        while (reported < killAfter && child.state() == QProcess::Running) {
            if (!child.canReadLine() && !child.waitForReadyRead(30000))
                break;
            while (child.canReadLine()) {
                committed = child.readLine().trimmed().toInt();
                ++reported;
            }
        }
        QVERIFY2(reported >= killAfter, qPrintable(child.readAllStandardError()));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    }
    RawDb raw(path);
    QCOMPARE(row(raw.db(), QStringLiteral("PRAGMA integrity_check")),
             QVariantList{QStringLiteral("ok")});
    QVERIFY(count(raw.db(), QStringLiteral("sessions")) >= committed);
}

// The recorder of the test above: records reads and live laps into the file named by
// KODA_LOGBOOK_RECORDER until it is killed, printing the sessions' count after each event.
int recordUntilKilled(const QString& path) {
    LogbookStore store(path);
    QTextStream out(stdout);
    for (int i = 0;; ++i) {
        if (i % 3 == 0)
            store.recordLapSet(SessionKind::Read, threeLaps());
        else
            store.recordLiveLap({{}, 1, lapRow(i, QStringLiteral(" 01'20\"00"))});
        QSqlQuery q(store.database());
        q.exec(QStringLiteral("SELECT count(*) FROM sessions"));
        q.next();
        out << q.value(0).toInt() << Qt::endl;
    }
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("KODA_LOGBOOK_RECORDER"))
        return recordUntilKilled(qEnvironmentVariable("KODA_LOGBOOK_RECORDER"));
    TestLogbookStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_logbookstore.moc"
