#pragma once

#include "simoptions.h"
#include "simpacer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace kodasim {

// Writes queued bursts to the port at the line's pace, with the configured faults:
// garbage before a reply, a pause inside it, a flood of garbage, a hang-up after a
// byte count. Every burst starts after the previous one has left the wire.
class Transmitter : public QObject {
    Q_OBJECT
public:
    Transmitter(int fd, const SimOptions& options, QObject* parent = nullptr);

    // A reply, to start after the configured latency and lateMs more; with splitAt it
    // pauses pauseMs before that byte.
    void sendReply(const QByteArray& bytes, int lateMs = 0, qsizetype splitAt = -1,
                   int pauseMs = 0);
    // A burst to start lateMs from now, and no sooner than quietMs after the previous burst
    // has left the wire (a replay keeps the captured receptions apart this way).
    void sendApart(const QByteArray& bytes, int lateMs, int quietMs);
    // A pushed frame, to start as soon as the line is free.
    void sendPush(const QByteArray& bytes);
    void setFd(int fd) { fd_ = fd; }
    qint64 bytesSent() const { return sent_; }
    bool idle() const { return !current_ && queue_.isEmpty(); }

signals:
    void hangupReached();
    void logLine(const QString& line);

private:
    static constexpr qint64 kSeparationUs = 250000; // unless pushes may share a reception
    struct Item {
        QByteArray bytes;
        qint64 earliestUs = 0; // on the transmitter's clock
        qint64 gapUs = 0;      // extra quiet after the previous burst
        bool noise = false;    // flood garbage, not logged
        bool push = false;     // sent unasked (live lap, fuel reading), not a reply
    };
    void enqueue(Item item);
    void pump();
    void arm(qint64 inUs);
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
    QByteArray garbage(qsizetype count);

    int fd_;
    SimOptions options_;
    QElapsedTimer clock_;
    QTimer timer_;
    QList<Item> queue_;
    bool current_ = false;
    Item item_;
    qint64 itemStartUs_ = 0;
    QList<PacedChunk> chunks_;
    qsizetype chunkIndex_ = 0;
    qsizetype chunkWritten_ = 0;
    qint64 wireFreeUs_ = 0;
    bool lastWasPush_ = false;
    qint64 sent_ = 0;
    bool hungUp_ = false;
    quint64 noise_ = 0x2545F4914F6CDD1DULL;
};

} // namespace kodasim
