#include "protocol/radioframe.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace RadioFrame {

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

quint16 be16(const quint8* p) {
    return quint16((p[0] << 8) | p[1]);
}

float beFloat(const quint8* p) {
    const quint32 bits =
        (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

int readRadioId(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return NotANumberId;
    qint64 value = 0;
    for (; i < n; ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0 || d >= base)
            return NotANumberId;
        value = value * base + d;
        if (value > std::numeric_limits<qint32>::max())
            return NotANumberId;
    }
    return int(negative ? -value : value);
}

bool isUsableRadioId(int id) {
    return id >= 0 && id <= 0xFFFF;
}

quint8 frameChecksum(const quint8* bytes, int count) {
    quint8 sum = 0;
    for (int i = 0; i < count; ++i)
        sum ^= bytes[i];
    return sum;
}

int beginFrame(quint8* buffer, int radioId, quint8 code) {
    if (!isUsableRadioId(radioId))
        return -1;
    buffer[0] = Stx;
    buffer[1] = quint8(KindLapTimer);
    buffer[2] = quint8(radioId >> 8);
    buffer[3] = quint8(radioId);
    buffer[4] = 0;
    buffer[5] = code;
    return HeaderSize;
}

int finishFrame(quint8* buffer, int n) {
    // The length byte goes in first so that the checksum covers it.
    buffer[4] = quint8(n + 2);
    buffer[n] = frameChecksum(buffer, n);
    buffer[n + 1] = Etx;
    return n + 2;
}

bool commandFitsFrame(QByteArrayView commandLine) {
    return commandLine.size() <= MaxPayload;
}

BuiltFrame buildCommandFrame(quint8* buffer, int radioId, QByteArrayView commandLine) {
    if (!isUsableRadioId(radioId))
        return {0, BuildError::BadRadioId};
    if (!commandFitsFrame(commandLine))
        return {0, BuildError::TooLong};
    int n = beginFrame(buffer, radioId, CodeText);
    if (!commandLine.isEmpty())
        std::memcpy(buffer + n, commandLine.data(), size_t(commandLine.size()));
    n += int(commandLine.size());
    return {finishFrame(buffer, n), BuildError::None};
}

BuiltFrame buildLapRequestFrame(quint8* buffer, int radioId, int lapNumber) {
    if (!isUsableRadioId(radioId))
        return {0, BuildError::BadRadioId};
    const quint16 lap = quint16(lapNumber);
    if (lap == 0)
        return {0, BuildError::NoLap};
    beginFrame(buffer, radioId, CodeLapRequest);
    buffer[6] = quint8(lap >> 8);
    buffer[7] = quint8(lap);
    return {finishFrame(buffer, 8), BuildError::None};
}

FuelReading decodeFuelPayload(const quint8* payload) {
    FuelReading r;
    r.remaining = beFloat(payload);
    r.used = beFloat(payload + 4);
    r.economy = beFloat(payload + 8);
    r.distance = (quint32(payload[12]) << 16) | (quint32(payload[13]) << 8) | payload[14];
    return r;
}

const FrameItem* FrameScanResult::lastLapOrFuel() const {
    for (auto it = items.crbegin(); it != items.crend(); ++it)
        if (it->kind != FrameItem::Kind::Text)
            return &*it;
    return nullptr;
}

bool FrameScanResult::hasLapFrame() const {
    return std::any_of(items.cbegin(), items.cend(), [](const FrameItem& item) {
        return item.kind == FrameItem::Kind::LapBlock || item.kind == FrameItem::Kind::LiveLap;
    });
}

bool FrameScanResult::hasLiveLap() const {
    return std::any_of(items.cbegin(), items.cend(),
                       [](const FrameItem& item) { return item.kind == FrameItem::Kind::LiveLap; });
}

FrameScanResult scanFrames(QByteArrayView reception, int idLapTimer, int idFuelMeter) {
    FrameScanResult result;
    const auto* bytes = reinterpret_cast<const quint8*>(reception.data());
    const qsizetype total = reception.size();
    qsizetype pos = 0;
    // The reply is the lap timer's text frames. Broken candidates and trailing noise after
    // the last of them mean a part of it may be lost, so it is not parsed; whatever else
    // shares the reception (lap frames, fuel readings, other units) leaves it alone.
    bool textSeen = false;
    bool spoiled = false;

    while (pos < total) {
        const void* found = std::memchr(bytes + pos, Stx, size_t(total - pos));
        if (!found) {
            spoiled = true; // trailing bytes with no frame
            break;
        }
        pos = static_cast<const quint8*>(found) - bytes;
        const quint8* frame = bytes + pos;
        const qsizetype left = total - pos;

        // A candidate cut off before its length byte is as incomplete as one whose
        // length runs past the reception.
        if (left <= 4 || frame[4] > left) {
            spoiled = true;
            break;
        }
        const int length = frame[4];
        if (length < MinFrameLength || frame[length - 1] != Etx ||
            frame[length - 2] != frameChecksum(frame, length - 2)) {
            spoiled = true;
            pos += length == 0 ? 1 : length;
            continue;
        }
        pos += length; // a valid frame: the scan goes on behind it whatever it holds

        const char kind = char(frame[1]);
        const int id = be16(frame + 2);
        const quint8 code = frame[5];
        const auto whole = [frame, length] {
            return QByteArray(reinterpret_cast<const char*>(frame), length);
        };

        if (kind == KindLapTimer && isUsableRadioId(idLapTimer) && id == idLapTimer) {
            if (code == CodeLapBlock || code == CodeLiveLap) {
                const bool live = code == CodeLiveLap;
                const int records = live ? LiveLapRecords : LapBlockRecords;
                // Too short for its records: the lap decoder must not read past it.
                if (length < lapFrameLength(records))
                    continue;
                result.blinkKind = KindLapTimer;
                FrameItem item;
                item.kind = live ? FrameItem::Kind::LiveLap : FrameItem::Kind::LapBlock;
                item.bytes = whole();
                item.recordCount = records;
                result.items.append(item);
                continue;
            }
            FrameItem item;
            item.kind = FrameItem::Kind::Text;
            item.bytes = QByteArray(reinterpret_cast<const char*>(frame) + HeaderSize,
                                    length - MinFrameLength);
            result.replyText.append(item.bytes);
            result.items.append(item);
            textSeen = true;
            spoiled = false;
            continue;
        }

        // A reading too short for its payload, or another code, is dropped.
        if (kind == KindFuelMeter && isUsableRadioId(idFuelMeter) && id == idFuelMeter &&
            (code == CodeFuel || code == CodeFuelAlternate) && length >= FuelFrameLength) {
            result.blinkKind = KindFuelMeter;
            FrameItem item;
            item.kind = FrameItem::Kind::Fuel;
            item.bytes = whole();
            item.fuel = decodeFuelPayload(frame + HeaderSize);
            result.items.append(item);
        }
        // Another unit's frame is nobody's reply here: dropped.
    }
    result.treatAsText = textSeen && !spoiled;
    return result;
}

} // namespace RadioFrame
