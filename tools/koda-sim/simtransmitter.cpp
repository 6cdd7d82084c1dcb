#include "simtransmitter.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kodasim {

Transmitter::Transmitter(int fd, const SimOptions& options, QObject* parent)
    : QObject(parent), fd_(fd), options_(options) {
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Transmitter::pump);
    if (options_.garbageFlood)
        arm(0);
}

QByteArray Transmitter::garbage(qsizetype count) {
    QByteArray out;
    out.reserve(count);
    while (out.size() < count) {
        noise_ ^= noise_ << 13;
        noise_ ^= noise_ >> 7;
        noise_ ^= noise_ << 17;
        const char c = static_cast<char>(noise_ & 0xFF);
        // An STX in the garbage would make the receiver take it for a frame start and
        // lose the real frame behind it; the fault is meant to test the skipping of noise.
        if (c != 0x02)
            out.append(c);
    }
    return out;
}

void Transmitter::sendReply(const QByteArray& bytes, int lateMs, qsizetype splitAt, int pauseMs) {
    QByteArray burst = garbage(options_.garbage) + bytes;
    const qint64 earliest =
        nowUs() + static_cast<qint64>(options_.latencyMs) * 1000 + qint64(lateMs) * 1000;
    if (splitAt > 0 && splitAt < bytes.size()) {
        const qsizetype at = splitAt + burst.size() - bytes.size();
        enqueue({burst.left(at), earliest, 0});
        enqueue({burst.mid(at), earliest, static_cast<qint64>(pauseMs) * 1000});
    } else if (options_.splitPauseMs > 0 && burst.size() > 1) {
        const qsizetype half = burst.size() / 2;
        enqueue({burst.left(half), earliest, 0});
        enqueue({burst.mid(half), earliest, static_cast<qint64>(options_.splitPauseMs) * 1000});
    } else {
        enqueue({burst, earliest, 0});
    }
}

void Transmitter::sendApart(const QByteArray& bytes, int lateMs, int quietMs) {
    enqueue({bytes, nowUs() + qint64(lateMs) * 1000, qint64(quietMs) * 1000});
}

void Transmitter::sendPush(const QByteArray& bytes) {
    // A push does not wait for replies that are still being prepared (their latency
    // has not run out): the unit sends it while the line is free.
    if (hungUp_)
        return;
    const qint64 now = nowUs();
    qsizetype at = 0;
    while (at < queue_.size() && queue_[at].earliestUs <= now)
        ++at;
    queue_.insert(at, {bytes, now, 0, false, true});
    if (!current_)
        arm(0);
}

void Transmitter::enqueue(Item item) {
    if (hungUp_)
        return;
    queue_.append(std::move(item));
    if (!current_)
        arm(0);
}

void Transmitter::arm(qint64 inUs) {
    const qint64 ms = inUs <= 0 ? 0 : (inUs + 999) / 1000;
    timer_.start(static_cast<int>(qMin<qint64>(ms, 1 << 30)));
}

void Transmitter::pump() {
    while (!hungUp_) {
        const qint64 now = nowUs();
        if (!current_) {
            if (queue_.isEmpty()) {
                if (!options_.garbageFlood)
                    return;
                queue_.append({garbage(pacing::chunkBytes(options_.baud) * 4), now, 0, true});
            }
            const Item& next = queue_.first();
            // The radio link relays one unit at a time: a push and a reply are kept
            // further apart than the receiver's quiet time, so each arrives alone.
            const bool keepApart = options_.sharedPushPercent == 0;
            const qint64 separation =
                keepApart && wireFreeUs_ > 0 && !next.noise && next.push != lastWasPush_
                    ? kSeparationUs
                    : 0;
            const qint64 start = qMax(next.earliestUs, wireFreeUs_ + next.gapUs + separation);
            if (start > now) {
                arm(start - now);
                return;
            }
            item_ = queue_.takeFirst();
            current_ = true;
            itemStartUs_ = start;
            chunks_ = pacing::schedule(item_.bytes.size(), options_.baud);
            chunkIndex_ = 0;
            chunkWritten_ = 0;
            if (options_.verbose && !item_.noise)
                emit logLine(QStringLiteral("tx %1 bytes: %2")
                                 .arg(item_.bytes.size())
                                 .arg(QString::fromLatin1(item_.bytes.toHex(' '))));
        }
        while (chunkIndex_ < chunks_.size()) {
            const PacedChunk& chunk = chunks_.at(chunkIndex_);
            if (itemStartUs_ + chunk.startUs > now) {
                arm(itemStartUs_ + chunk.startUs - now);
                return;
            }
            qsizetype want = chunk.length - chunkWritten_;
            if (options_.hangupAfter >= 0)
                want = qMin<qsizetype>(want, options_.hangupAfter - sent_);
            if (want > 0) {
                const ssize_t n =
                    ::write(fd_, item_.bytes.constData() + chunk.offset + chunkWritten_, want);
                if (n < 0) {
                    if (errno == EAGAIN || errno == EINTR) {
                        arm(5000); // the reader is behind; try again shortly
                        return;
                    }
                    emit logLine(QStringLiteral("write failed (%1), burst dropped")
                                     .arg(QString::fromLocal8Bit(std::strerror(errno))));
                    chunkIndex_ = chunks_.size();
                    break;
                }
                sent_ += n;
                chunkWritten_ += n;
            }
            if (options_.hangupAfter >= 0 && sent_ >= options_.hangupAfter) {
                hungUp_ = true;
                timer_.stop();
                emit hangupReached();
                return;
            }
            if (chunkWritten_ < chunk.length) {
                arm(5000);
                return;
            }
            ++chunkIndex_;
            chunkWritten_ = 0;
        }
        wireFreeUs_ = itemStartUs_ + pacing::wireTimeUs(item_.bytes.size(), options_.baud);
        lastWasPush_ = item_.push;
        current_ = false;
    }
}

} // namespace kodasim
