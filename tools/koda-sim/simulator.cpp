#include "simulator.h"

#include "simsignals.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kodasim {

namespace {

// A reception ends after this long without a byte, at the program and here alike.
constexpr qint64 kQuietMs = 200;

} // namespace

Simulator::Simulator(const SimOptions& options, PortEnds ends, LapStore laps, QObject* parent)
    : QObject(parent), options_(options), ends_(ends), instrument_(options, std::move(laps)),
      field_(options), transmitter_(new Transmitter(ends.fd, options, this)) {
    connect(transmitter_, &Transmitter::logLine, this, &Simulator::log);
    connect(transmitter_, &Transmitter::hangupReached, this, &Simulator::hangUp);

    portNotifier_ = new QSocketNotifier(ends_.fd, QSocketNotifier::Read, this);
    connect(portNotifier_, &QSocketNotifier::activated, this, &Simulator::onReadable);
    // With nobody holding the slave, the master reports a hang-up on every poll; reading
    // is then paused and retried at a calm pace instead of spinning.
    reopenTimer_.setInterval(100);
    reopenTimer_.setSingleShot(true);
    connect(&reopenTimer_, &QTimer::timeout, this, [this] { portNotifier_->setEnabled(true); });

    if (terminationSignalFd() >= 0) {
        signalNotifier_ = new QSocketNotifier(terminationSignalFd(), QSocketNotifier::Read, this);
        connect(signalNotifier_, &QSocketNotifier::activated, this, &Simulator::onSignal);
    }
    // stdin stays blocking (it may be the user's terminal, shared with the shell); one
    // read per notification never blocks.
    stdinNotifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(stdinNotifier_, &QSocketNotifier::activated, this, &Simulator::onStdin);

    liveTimer_.setTimerType(Qt::PreciseTimer);
    // Periodic live laps wait while the lap timer answers a lap download (unless
    // --live-in-download); a live lap asked for on stdin goes out at once.
    connect(&liveTimer_, &QTimer::timeout, this, [this] {
        if (options_.liveInDownload || !instrument_.downloading())
            pushLiveLap();
    });
    if (options_.livePeriodMs > 0)
        liveTimer_.start(options_.livePeriodMs);
    fuelTimer_.setTimerType(Qt::PreciseTimer);
    connect(&fuelTimer_, &QTimer::timeout, this, &Simulator::pushFuel);
    if (options_.fuelPeriodMs > 0)
        fuelTimer_.start(options_.fuelPeriodMs);
    // Another team's fuel meter knows nothing of this link and sends whenever it likes.
    connect(&foreignFuelTimer_, &QTimer::timeout, this,
            [this] { transmitter_->sendPush(instrument_.foreignFuelFrame()); });
    if (options_.foreignFuelPeriodMs > 0)
        foreignFuelTimer_.start(options_.foreignFuelPeriodMs);
    junkTimer_.setSingleShot(true);
    connect(&junkTimer_, &QTimer::timeout, this, &Simulator::answerJunk);
}

Simulator::~Simulator() {
    closePort(ends_);
    if (!options_.link.isEmpty())
        ::unlink(QFile::encodeName(options_.link).constData());
}

void Simulator::log(const QString& line) {
    if (options_.verbose) {
        std::fprintf(stderr, "koda-sim: %s\n", qPrintable(line));
        std::fflush(stderr);
    }
}

void Simulator::onReadable() {
    QByteArray data;
    char buffer[4096];
    bool hungUp = false;
    for (;;) {
        const ssize_t n = ::read(ends_.fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        hungUp = n == 0 || errno != EAGAIN;
        break;
    }
    if (hungUp) {
        portNotifier_->setEnabled(false);
        reopenTimer_.start();
    }
    if (data.isEmpty())
        return;
    if (lastRx_.isValid() && lastRx_.elapsed() > kQuietMs)
        instrument_.resetInput();
    lastRx_.start();
    log(QStringLiteral("rx %1 bytes: %2")
            .arg(data.size())
            .arg(QString::fromLatin1(data.toHex(' '))));

    if (options_.answerEverything) {
        junkTimer_.start(options_.latencyMs);
        return;
    }
    const QList<QByteArray> replies = instrument_.receive(data);
    for (const QString& line : instrument_.takeLog())
        log(line);
    if (options_.silent)
        return;
    for (const QByteArray& reply : replies)
        sendShaped(reply);
}

// One line on stdout for each reply, each reply the link spoils and each push, so that a
// test can count them.
void Simulator::report(const char* event) {
    std::fprintf(stdout, "%s\n", event);
    std::fflush(stdout);
    log(QString::fromLatin1(event));
}

void Simulator::sendShaped(const QByteArray& reply) {
    // The probe's answer is plain text on every link and is left alone: it draws nothing
    // from the field link, so it is neither spoiled nor late, and it is not counted.
    if (reply == Instrument::kProbeReply) {
        transmitter_->sendReply(reply, 0, -1, options_.listPauseMs);
        return;
    }
    const bool framed = options_.rk13;
    const bool block = framed && reply.size() > 5 && static_cast<quint8>(reply.at(5)) == 0x82;
    report("reply");
    QByteArray burst = reply;
    qsizetype splitAt = -1;
    if (options_.rk12 && reply.startsWith("Laps,")) {
        ++listsSent_;
        if (options_.garbleList == 0 || options_.garbleList == listsSent_) {
            // The second line no longer reads "Fastest,...": the list is whole but unreadable.
            const qsizetype second = burst.indexOf('\n') + 1;
            if (second > 0 && second < burst.size())
                burst[second] = '?';
            report("garbled list");
        }
        if (options_.listPauseMs > 0)
            splitAt = field_.listSplit(burst);
    }
    // A settings reply is a text frame; lap information and lap data belong to a lap read.
    const QByteArray text = framed ? reply.mid(6) : QByteArray();
    const bool settingsReply =
        framed && !block && !text.startsWith("LInfo:") && !text.startsWith("LData:");
    const FieldLink::Draw draw = field_.next(framed || options_.qk11, framed, settingsReply);
    if (draw.spoil == FieldLink::Spoil::LostToLive) {
        // The reply never arrives; the lap timer pushes a live lap meanwhile, when the
        // reply would have gone out.
        report("lost reply, live lap");
        const QByteArray live = instrument_.liveLapFrame();
        log(QStringLiteral("live lap %1").arg(instrument_.laps().count()));
        transmitter_->sendReply(live, draw.lateMs);
        return;
    }
    if (draw.spoil == FieldLink::Spoil::SharedPush) {
        const QByteArray push =
            options_.qk11 ? instrument_.fuelFrame() : instrument_.liveLapFrame();
        report(options_.qk11 ? "push fuel" : "push live");
        burst = draw.pushFirst ? push + burst : burst + push;
        // A lap block ends the receiver's scan, so a push behind it is what gets lost.
        report(draw.pushFirst ? "shared-push before reply"
                              : (block ? "shared-push after block" : "shared-push after reply"));
    } else if (draw.spoil == FieldLink::Spoil::PartialFrame) {
        burst.prepend(field_.cut(reply));
        report("partial-frame before reply");
    }
    // The noise opens the burst: a cut-off copy lies right before its reply, so the
    // receiver that skips the copy by its length byte lands inside the reply, not in noise
    // in between that would lead it back to the reply's STX.
    if (framed && options_.stxGarbage > 0)
        burst.prepend(field_.strayStx(options_.stxGarbage));
    if (splitAt >= 0)
        splitAt += burst.size() - reply.size();
    if (draw.lateMs > 0)
        report("late reply");
    transmitter_->sendReply(burst, draw.lateMs, splitAt, options_.listPauseMs);
}

void Simulator::answerJunk() {
    QByteArray junk("KODA LiNK Found");
    for (int i = 0; i < 8; ++i) {
        junkNoise_ ^= junkNoise_ << 13;
        junkNoise_ ^= junkNoise_ >> 7;
        junkNoise_ ^= junkNoise_ << 17;
        junk.append(static_cast<char>(junkNoise_ & 0xFF));
    }
    if (!options_.silent)
        transmitter_->sendPush(junk);
}

void Simulator::onStdin() {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            stdinNotifier_->setEnabled(false); // end of input: pushes only by timer
        return;
    }
    stdinBuffer_.append(buffer, n);
    qsizetype nl = 0;
    while ((nl = stdinBuffer_.indexOf('\n')) >= 0) {
        const QByteArray line = stdinBuffer_.left(nl).trimmed();
        stdinBuffer_.remove(0, nl + 1);
        if (line == "live" && options_.rk13)
            pushLiveLap();
        else if (line == "fuel" && options_.qk11)
            pushFuel();
        else if (line == "quit")
            shutdown(0);
        else if (!line.isEmpty())
            log(QStringLiteral("stdin: ignored \"%1\"").arg(QString::fromLatin1(line)));
    }
    if (stdinBuffer_.size() > 1024)
        stdinBuffer_.clear();
}

void Simulator::pushLiveLap() {
    const QByteArray frame = instrument_.liveLapFrame();
    log(QStringLiteral("live lap %1").arg(instrument_.laps().count()));
    report("push live");
    transmitter_->sendPush(frame);
}

void Simulator::pushFuel() {
    report("push fuel");
    transmitter_->sendPush(instrument_.fuelFrame());
}

void Simulator::onSignal() {
    drainTerminationSignals();
    log(QStringLiteral("terminated"));
    shutdown(0);
}

void Simulator::hangUp() {
    // The last bytes are still on their way: a hang-up discards what the reader has not
    // taken yet, so the port is closed once they have been read (or after a while, when
    // nobody reads). Without the held slave there is no way to see, so the bytes get
    // their wire time and a little more.
    portNotifier_->setEnabled(false);
    QElapsedTimer waited;
    waited.start();
    auto* drain = new QTimer(this);
    drain->setInterval(5);
    connect(drain, &QTimer::timeout, this, [this, drain, waited] {
        int pending = 0;
        const bool known = ends_.slaveFd >= 0 && ::ioctl(ends_.slaveFd, FIONREAD, &pending) == 0;
        const bool drained = known ? pending == 0 : waited.elapsed() >= 50;
        if (!drained && waited.elapsed() < 2000)
            return;
        drain->stop();
        log(QStringLiteral("hang-up after %1 bytes").arg(transmitter_->bytesSent()));
        shutdown(0);
    });
    drain->start();
}

void Simulator::shutdown(int code) {
    portNotifier_->setEnabled(false);
    closePort(ends_);
    transmitter_->setFd(-1);
    QCoreApplication::exit(code);
}

} // namespace kodasim
