#include "simframe.h"

namespace kodasim {

namespace {
// A device never buffers more than a few frames; anything beyond this is junk.
constexpr qsizetype kMaxBuffered = 4096;
} // namespace

quint8 xorChecksum(const char* bytes, qsizetype count) {
    quint8 sum = 0;
    for (qsizetype i = 0; i < count; ++i)
        sum ^= static_cast<quint8>(bytes[i]);
    return sum;
}

QByteArray encodeFrame(char kind, quint16 id, quint8 code, const QByteArray& payload,
                       bool badChecksum) {
    const QByteArray body = payload.left(kMaxFramePayload);
    QByteArray frame;
    frame.reserve(body.size() + kFrameOverhead);
    frame.append(kStx);
    frame.append(kind);
    frame.append(static_cast<char>(id >> 8));
    frame.append(static_cast<char>(id & 0xFF));
    frame.append(static_cast<char>(body.size() + kFrameOverhead));
    frame.append(static_cast<char>(code));
    frame.append(body);
    quint8 sum = xorChecksum(frame.constData(), frame.size());
    if (badChecksum)
        sum = static_cast<quint8>(~sum);
    frame.append(static_cast<char>(sum));
    frame.append(kEtx);
    return frame;
}

void FrameReader::append(const QByteArray& bytes) {
    buffer_.append(bytes);
    if (buffer_.size() > kMaxBuffered)
        buffer_.remove(0, buffer_.size() - kMaxBuffered);
}

std::optional<Frame> FrameReader::next() {
    for (;;) {
        const qsizetype stx = buffer_.indexOf(kStx);
        if (stx < 0) {
            buffer_.clear();
            return std::nullopt;
        }
        buffer_.remove(0, stx);
        if (buffer_.size() < 5)
            return std::nullopt;
        const int length = static_cast<quint8>(buffer_.at(4));
        if (length < kFrameOverhead) {
            buffer_.remove(0, 1);
            continue;
        }
        if (buffer_.size() < length)
            return std::nullopt;
        const bool etxOk = buffer_.at(length - 1) == kEtx;
        const bool sumOk = xorChecksum(buffer_.constData(), length - 2) ==
                           static_cast<quint8>(buffer_.at(length - 2));
        if (!etxOk || !sumOk) {
            buffer_.remove(0, 1);
            continue;
        }
        Frame frame;
        frame.kind = buffer_.at(1);
        frame.id = static_cast<quint16>((static_cast<quint8>(buffer_.at(2)) << 8) |
                                        static_cast<quint8>(buffer_.at(3)));
        frame.code = static_cast<quint8>(buffer_.at(5));
        frame.payload = buffer_.mid(6, length - kFrameOverhead);
        buffer_.remove(0, length);
        return frame;
    }
}

} // namespace kodasim
