#pragma once
// Playing a capture back: the device side of a recorded session answers the program again.
#include "simcapture.h"
#include "simoptions.h"
#include "simport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>

namespace kodasim {

class Transmitter;

// The order of a capture, step by step: the device's bursts go out as the program's
// bursts come in. A run of device bursts after a program burst is timed from that burst's
// arrival as it was in the capture, so that each reaches the program as its own reception
// again; the program's bursts are compared with the captured ones.
class ReplayScript {
public:
    // A received burst's time in a capture is when the program took it as a reception:
    // this long after its last byte.
    static constexpr qint64 kQuietUs = 200000;

    ReplayScript(QList<CapturedBurst> bursts, int baud);

    struct Send {
        QByteArray bytes;
        qint64 delayUs = 0; // from now, when the burst starts
    };
    struct Step {
        QList<Send> sends;
        QStringList departures; // where the program's bytes differ from the capture
    };
    // The device bursts before the program's first burst. nowUs: the caller's clock.
    Step start(qint64 nowUs);
    // Bytes the program has written.
    Step programBytes(const QByteArray& bytes, qint64 nowUs);
    bool finished() const { return next_ >= bursts_.size(); }
    int departureCount() const { return departures_; }

private:
    void scheduleDeviceRun(qint64 anchorUs, qint64 nowUs, Step& step);

    QList<CapturedBurst> bursts_;
    int baud_;
    qsizetype next_ = 0;
    QByteArray pending_; // the program's bytes not yet compared
    int programBursts_ = 0;
    int departures_ = 0;
    // The last device burst scheduled: when it ends on the caller's clock, and its captured
    // time. -1: none yet.
    qint64 lastEndUs_ = -1;
    qint64 lastCapturedUs_ = 0;
};

// The replay on a port: reads the program's bytes, writes the device's at the line's pace.
// Prints "replay done" on stdout when the capture has been played to its end, and each
// departure on stderr (and "departure" on stdout).
class Replayer : public QObject {
    Q_OBJECT
public:
    Replayer(const SimOptions& options, PortEnds ends, QList<CapturedBurst> bursts,
             QObject* parent = nullptr);
    ~Replayer() override;

private:
    void apply(const ReplayScript::Step& step);
    void onReadable();
    void onSignal();

    PortEnds ends_;
    ReplayScript script_;
    Transmitter* transmitter_;
    QSocketNotifier* portNotifier_ = nullptr;
    QSocketNotifier* signalNotifier_ = nullptr;
    QElapsedTimer clock_;
    bool doneReported_ = false;
    QString link_;
};

} // namespace kodasim
