#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace kodasim {

// The radio envelope as the instruments put it on the air: STX, unit kind, radio ID
// (high byte first), total length, code, payload, XOR checksum, ETX.
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kKindLapTimer = 'L';
constexpr char kKindFuelMeter = 'F';
constexpr int kFrameOverhead = 8;
constexpr int kMaxFramePayload = 255 - kFrameOverhead;

struct Frame {
    char kind = 0;
    quint16 id = 0;
    quint8 code = 0;
    QByteArray payload;
};

quint8 xorChecksum(const char* bytes, qsizetype count);

// Builds one frame. A payload longer than a length byte can describe is cut, so the
// length byte always tells the truth. With badChecksum the checksum byte is inverted.
QByteArray encodeFrame(char kind, quint16 id, quint8 code, const QByteArray& payload,
                       bool badChecksum = false);

// Pulls complete, valid frames out of a byte stream that may hold junk, partial
// frames and broken frames. A broken candidate costs only its STX byte, so a good
// frame hidden behind it is still found.
class FrameReader {
public:
    void append(const QByteArray& bytes);
    std::optional<Frame> next();
    void clear() { buffer_.clear(); }
    qsizetype pendingBytes() const { return buffer_.size(); }

private:
    QByteArray buffer_;
};

} // namespace kodasim
