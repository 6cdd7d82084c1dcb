#include "simreplay.h"

#include "simpacer.h"
#include "simsignals.h"
#include "simtransmitter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kodasim {

namespace {

QString hex(const QByteArray& bytes) {
    constexpr qsizetype kShown = 48;
    return QString::fromLatin1(bytes.left(kShown).toHex(' ')) +
           (bytes.size() > kShown ? QStringLiteral(" ...") : QString());
}

} // namespace

ReplayScript::ReplayScript(QList<CapturedBurst> bursts, int baud)
    : bursts_(std::move(bursts)), baud_(baud) {}

void ReplayScript::scheduleDeviceRun(qint64 anchorUs, qint64 nowUs, Step& step) {
    for (; next_ < bursts_.size() && !bursts_[next_].fromProgram; ++next_) {
        const CapturedBurst& burst = bursts_[next_];
        const qint64 wire = pacing::wireTimeUs(burst.bytes.size(), baud_);
        // The burst ends as long after the program's burst before it as in the capture (a
        // quiet time before the program took it over), but never closer to the device's
        // previous burst than there: bursts that came as separate receptions, a push just
        // before a reply included, do so again.
        qint64 end = nowUs + burst.timeUs - anchorUs - kQuietUs;
        if (lastEndUs_ >= 0)
            end = qMax(end, lastEndUs_ + burst.timeUs - lastCapturedUs_);
        end = qMax(end, nowUs + wire);
        lastEndUs_ = end;
        lastCapturedUs_ = burst.timeUs;
        step.sends.append({burst.bytes, end - wire - nowUs});
    }
}

ReplayScript::Step ReplayScript::start(qint64 nowUs) {
    Step step;
    if (next_ < bursts_.size() && !bursts_[next_].fromProgram) {
        const CapturedBurst& first = bursts_[next_];
        scheduleDeviceRun(first.timeUs - kQuietUs - pacing::wireTimeUs(first.bytes.size(), baud_),
                          nowUs, step);
    }
    return step;
}

ReplayScript::Step ReplayScript::programBytes(const QByteArray& bytes, qint64 nowUs) {
    Step step;
    pending_ += bytes;
    while (!pending_.isEmpty()) {
        if (finished()) {
            step.departures
                << QStringLiteral("bytes beyond the end of the capture: %1").arg(hex(pending_));
            ++departures_;
            pending_.clear();
            break;
        }
        const CapturedBurst& expected = bursts_[next_];
        if (pending_.size() < expected.bytes.size())
            break; // the rest of the burst is still on its way
        ++programBursts_;
        const QByteArray got = pending_.left(expected.bytes.size());
        pending_.remove(0, expected.bytes.size());
        if (got != expected.bytes) {
            step.departures << QStringLiteral("burst %1 of the program departs from the "
                                              "capture: expected %2, got %3")
                                   .arg(programBursts_)
                                   .arg(hex(expected.bytes), hex(got));
            ++departures_;
        }
        const qint64 anchor = expected.timeUs;
        ++next_;
        // A resend the capture holds is a program burst right after another one.
        scheduleDeviceRun(anchor, nowUs, step);
    }
    return step;
}

namespace {

SimOptions replayPace(SimOptions options) {
    // The capture holds the device's bytes exactly as they came: no faults are added, no
    // latency beyond the captured one, and bursts are not kept apart by the transmitter.
    options.latencyMs = 0;
    options.garbage = 0;
    options.garbageFlood = false;
    options.splitPauseMs = 0;
    options.hangupAfter = -1;
    options.sharedPushPercent = 100;
    return options;
}

} // namespace

Replayer::Replayer(const SimOptions& options, PortEnds ends, QList<CapturedBurst> bursts,
                   QObject* parent)
    : QObject(parent), ends_(ends), script_(std::move(bursts), options.baud),
      transmitter_(new Transmitter(ends.fd, replayPace(options), this)), link_(options.link) {
    portNotifier_ = new QSocketNotifier(ends_.fd, QSocketNotifier::Read, this);
    connect(portNotifier_, &QSocketNotifier::activated, this, &Replayer::onReadable);
    if (terminationSignalFd() >= 0) {
        signalNotifier_ = new QSocketNotifier(terminationSignalFd(), QSocketNotifier::Read, this);
        connect(signalNotifier_, &QSocketNotifier::activated, this, &Replayer::onSignal);
    }
    clock_.start();
    QTimer::singleShot(0, this, [this] { apply(script_.start(clock_.nsecsElapsed() / 1000)); });
}

Replayer::~Replayer() {
    closePort(ends_);
    if (!link_.isEmpty())
        QFile::remove(link_);
}

void Replayer::apply(const ReplayScript::Step& step) {
    // Every burst of the capture was a reception of its own, so each keeps the program's
    // quiet time (and its polling's 20 ms) from the one before, even when a timer fired late.
    constexpr int kApartMs = int(ReplayScript::kQuietUs / 1000) + 20;
    for (const ReplayScript::Send& send : step.sends)
        transmitter_->sendApart(send.bytes, int((send.delayUs + 999) / 1000), kApartMs);
    for (const QString& departure : step.departures) {
        std::fprintf(stderr, "koda-sim: replay: %s\n", qPrintable(departure));
        std::printf("departure\n");
    }
    if (script_.finished() && !doneReported_) {
        doneReported_ = true;
        std::printf("replay done\n");
    }
    std::fflush(stdout);
}

void Replayer::onReadable() {
    char buffer[4096];
    const ssize_t n = ::read(ends_.fd, buffer, sizeof buffer);
    if (n > 0) {
        apply(script_.programBytes(QByteArray(buffer, n), clock_.nsecsElapsed() / 1000));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        // Nobody holds the other end: wait calmly until the program opens it again.
        portNotifier_->setEnabled(false);
        QTimer::singleShot(100, this, [this] { portNotifier_->setEnabled(true); });
    }
}

void Replayer::onSignal() {
    drainTerminationSignals();
    QCoreApplication::exit(0);
}

} // namespace kodasim
