#pragma once
// The logbook: every lap read, live lap, fuel reading and lap file the program sees, kept in
// one SQLite file across runs. The store listens to the main window's event feed and writes
// each event in a transaction of its own, on the thread it lives on (a 300-lap read is one
// prepared statement run 300 times in one transaction: a few milliseconds).
//
// The file is opened on the first event or the first look, not at start-up. What can go wrong
// with it is told through problem(), once, and the program goes on without the logbook:
// - a file of a newer program: left exactly as it is, nothing is recorded this run;
// - a file that is not a database: kept under a dated name, a new one started;
// - no room or no write access: events are dropped until a write succeeds again;
// - another program writing: each write waits for it up to busyTimeoutMs.
#include "feed/eventfeed.h"
#include "logbook/lapvalues.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSqlQuery;

namespace logbook {

class WalCheckpointer;

enum class SessionKind { Read, Live, File };

class LogbookStore : public QObject {
    Q_OBJECT

public:
    // A live lap or fuel reading this long after the last one starts a new live session.
    static constexpr qint64 liveSessionGapSeconds = 15 * 60;
    static constexpr int busyTimeoutMs = 2000;

    enum class State {
        NotOpened,   // nothing asked of it yet
        Open,        // recording
        Refused,     // a newer program's file: left alone for this run
        Unavailable, // could not be opened or written; tried again at the next event
    };

    // path: the database file; defaultPath() for the program's own.
    explicit LogbookStore(const QString& path, QObject* parent = nullptr);
    ~LogbookStore() override;

    // logbook.sqlite in the program's data folder ($XDG_DATA_HOME/KodaMonitor).
    static QString defaultPath();

    QString path() const { return path_; }
    State state() const { return state_; }
    // Opens the file if it is not open yet; true when the logbook can be used.
    bool open();
    // The connection, for the logbook window's models (valid while the store is open).
    QSqlDatabase database() const;

    // Connects the feed's events to the recording functions below, and follows the session
    // the grid shows: a lap mark chosen in the grid goes to that session, and the feed is told
    // that session's marks whenever it or its marks change.
    void listenTo(feed::EventFeed& feed);
    // The session the grid shows (the last read, lap file, live lap or session opened), -1
    // when none is known.
    qint64 shownSession() const { return shownSession_; }
    void setShownSession(qint64 session);
    feed::LapMarks lapMarks(qint64 session);

    // Each returns the session the event went into, or -1 when it was not recorded.
    qint64 recordLapSet(SessionKind kind, const feed::LapSet& laps);
    qint64 recordLiveLap(const feed::LiveLap& lap);
    qint64 recordFuelReading(const feed::FuelReading& reading);
    // A read from the lap timer that ended with every lap was recorded since this store was
    // made: the timer's laps are kept, and clearing its memory loses nothing.
    bool wholeReadKept() const { return wholeReadKept_; }
    // The next live lap or fuel reading starts a new live session.
    void endLiveSession();
    // The best lap of the earlier sessions at the live session's track (its personal best),
    // for the pit board; none while the live session has no track or the track no best.
    std::optional<int> livePersonalBest();

    // What the racer notes about a session; a track in the track list with a course length
    // sets the session's course length to it.
    bool updateSession(qint64 session, const QString& track, const QString& vehicle,
                       const QString& notes);
    bool setTrack(const QString& name, const QString& courseLength);
    bool removeTrack(const QString& name);
    bool setLapMark(qint64 session, int lap, LapMark mark);

signals:
    // A fault the user should hear of, in the program's words; emitted once per fault.
    void problem(const QString& message);
    // A session was recorded or edited.
    void changed(qint64 session);

private:
    bool openFile();
    void closeFile();
    bool setAside();
    // Runs work in one transaction; on failure rolls back and reports (once).
    bool write(const std::function<bool(QSqlQuery&)>& work);
    void writeFailed(const QString& error);
    qint64 newSession(QSqlQuery& q, SessionKind kind, const QDateTime& at);
    bool insertLaps(QSqlQuery& q, qint64 session, const QList<feed::LapRow>& laps,
                    const QDateTime& at);
    bool refreshSummary(QSqlQuery& q, qint64 session);
    qint64 liveSessionFor(QSqlQuery& q, const QDateTime& at, int lap);
    void tellShownMarks();

    QString path_;
    QString connection_;
    State state_ = State::NotOpened;
    bool writeFaultTold_ = false; // the current run of failed writes has been reported
    bool wholeReadKept_ = false;
    qint64 liveSession_ = -1;
    QDateTime lastLiveAt_;
    int lastLiveLap_ = 0;
    QPointer<feed::EventFeed> feed_;
    std::unique_ptr<WalCheckpointer> checkpointer_; // while the file is open
    qint64 shownSession_ = -1;
};

} // namespace logbook
