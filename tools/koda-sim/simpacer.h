#pragma once

#include <QList>
#include <QtGlobal>

namespace kodasim {

// One piece of a reply and the moment, counted from the start of the reply, at which
// the bytes before it have left the wire, so it may be written.
struct PacedChunk {
    qint64 startUs = 0;
    qsizetype offset = 0;
    qsizetype length = 0;
    bool operator==(const PacedChunk&) const = default;
};

// Line-speed arithmetic for 8E1 framing: a start bit, 8 data bits, parity and a stop
// bit make 11 bit times a byte.
namespace pacing {
constexpr int kBitsPerByte = 11;
qint64 wireTimeUs(qsizetype bytes, int baud);
// About 10 ms worth of bytes, at least one: small enough that the line never looks
// idle to the receiver, large enough to keep the timer calls few.
qsizetype chunkBytes(int baud);
QList<PacedChunk> schedule(qsizetype bytes, int baud);
} // namespace pacing

} // namespace kodasim
