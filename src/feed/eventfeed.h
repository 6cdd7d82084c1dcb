#pragma once
// The event feed: what happens in the main window, told to whoever listens. The main window's
// operations emit into it at the few places where something happens (laps read, a live lap, a
// fuel reading, a lap file loaded or saved, the connection changing, bytes on the line). The
// additions (logbook, pit board, capture) connect to its signals and never read the main
// window's members, so the main window stays as it is and an addition is one connect away.
//
// Every payload is a value: a listener may keep it, queue it to another thread or drop it.
// Emitting costs nothing when nobody listens.
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class LapTable;

namespace feed {

// One lap as the grid shows it: the cell texts of its row, in the lap table's column order
// (lap, time, sectors 1-4, top speed, average, remarks). The texts are the grid's own, so a
// listener formats and parses them with the lap table's rules.
struct LapRow {
    int lap = 0;
    QStringList cells;
};

// Laps read from the lap timer or a lap file: the rows that hold a lap time, the lap timer's
// summary and whether every lap the timer holds came in.
struct LapSet {
    QDateTime at;         // when the read ended or the file was loaded or saved
    QString model;        // "RK-12" or "RK-13"
    quint16 radioId = 0;  // the lap timer's radio ID (RK-13), 0 otherwise
    QString courseLength; // the course length entry's text (km)
    int lapsHeld = 0;     // laps the lap timer said it holds (LInfo), 0 when unknown
    bool complete = true; // false: the read ended before every lap was in
    QString endReason;    // why an incomplete read ended (the text shown to the user)
    QString filePath;     // a lap file's path; empty for a read from the lap timer
    QStringList summary;  // the summary row's cells
    QList<LapRow> laps;   // laps in grid order

    // The rows of a lap table that hold a lap time, and its summary row.
    static LapSet fromTable(const LapTable& table);
};

// A live lap pushed by the lap timer (code 0x83), as its row reached the grid.
struct LiveLap {
    QDateTime at;
    quint16 radioId = 0;
    LapRow row;
};

// A fuel meter reading (QK-11), in its own units.
struct FuelReading {
    QDateTime at;
    quint16 radioId = 0;
    quint32 distance = 0; // tenths of a km, as the meter sends it
    float remaining = 0;  // litres
    float used = 0;       // litres
    float economy = 0;    // km per litre
};

enum class Connection { Opened, Lost, Closed };

// What a racer says of a lap that is not a flying lap. A marked lap is left out of every
// best, the theoretical best, the consistency and the summary; the mark is kept by the
// logbook, never in the lap file. The values are stored: never renumber them.
enum class LapMark { None = 0, OutLap = 1, InLap = 2, Invalid = 3 };
using LapMarks = QHash<int, LapMark>; // by lap number; unmarked laps are absent
// The laps that carry a mark.
QSet<int> markedLaps(const LapMarks& marks);
// The marks' names by LapMark value, empty for None, as lists and exports show them.
QStringList lapMarkNames();
// The marks as menus offer them: "マークなし" for None.
QString lapMarkMenuText(LapMark mark);

// What the program did on the line beside the bytes: a request sent, a time-out, a resend,
// a reception handed over. Free text in the program's terms; the capture keeps it.
struct LineEvent {
    QDateTime at;
    QString kind; // "request", "timeout", "retry", "reception", ...
    QString text;
};

class EventFeed : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The marks of the laps the grid shows, as the listener that keeps marks last told.
    const LapMarks& shownMarks() const { return shownMarks_; }
    void setShownMarks(const LapMarks& marks);
    // Someone keeps the marks chosen in the grid (the menu offers them only then).
    bool marksKept() const;

    // Set by the main window: shows laps in the grid as a loaded lap file is shown, the
    // caption naming them; false when the user kept what the grid shows.
    std::function<bool(const feed::LapSet& laps, const QString& caption)> openLaps;

    // Asked by the main window, set by an addition that knows more than the window.
    // Before the clear command's own question; false: the user chose not to clear (the
    // logbook asks while the timer's laps are kept nowhere). Unset: no question.
    std::function<bool()> clearMayGoOn;
    // At the mail hand-off, a file to attach beside the monitor's text (the newest capture of
    // the line). Unset or empty: none.
    std::function<QString()> mailAttachment;

signals:
    void lapsRead(const feed::LapSet& laps);
    void liveLap(const feed::LiveLap& lap);
    void fuelReading(const feed::FuelReading& reading);
    void lapFileLoaded(const feed::LapSet& laps);
    void lapFileSaved(const feed::LapSet& laps);
    // port: the COM number; device: its path; status: the status panel's text
    void connectionChanged(feed::Connection state, int port, const QString& device,
                           const QString& status);
    void bytesSent(const QByteArray& bytes, const QDateTime& at);
    void bytesReceived(const QByteArray& bytes, const QDateTime& at);
    void lineEvent(const feed::LineEvent& event);
    // The user marked a lap of the grid.
    void lapMarkChosen(int lap, feed::LapMark mark);

    // The shown marks changed (setShownMarks).
    void shownMarksChanged();

private:
    LapMarks shownMarks_;
};

} // namespace feed
