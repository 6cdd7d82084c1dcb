#include "simcapture.h"

#include "captureformat.h"

#include <QtEndian>

namespace kodasim {

std::optional<QList<CapturedBurst>> readCapturedBursts(QByteArrayView file, QString* error) {
    using namespace captureformat;
    QList<CapturedBurst> bursts;
    const char* base = file.data();
    const qsizetype size = file.size();
    qsizetype pos = 0;
    int interfaces = -1;
    const auto fail = [&](const char* what) {
        *error = QStringLiteral("not a readable capture at byte %1: %2").arg(pos).arg(what);
        return std::nullopt;
    };
    while (pos < size) {
        if (size - pos < BlockFrameSize)
            return fail("block cut short");
        const auto type = qFromLittleEndian<quint32>(base + pos);
        const auto length = qFromLittleEndian<quint32>(base + pos + 4);
        if (length < BlockFrameSize || length % 4 || length > quint64(size - pos) ||
            qFromLittleEndian<quint32>(base + pos + length - 4) != length)
            return fail("bad block length");
        const char* body = base + pos + 8;
        const qsizetype bodySize = length - BlockFrameSize;
        if (type == SectionHeaderBlock) {
            if (bodySize < 16 || qFromLittleEndian<quint32>(body) != ByteOrderMagic ||
                qFromLittleEndian<quint16>(body + 4) != MajorVersion)
                return fail("not a little-endian pcapng 1.x section");
            interfaces = 0;
        } else if (interfaces < 0) {
            return fail("no pcapng section header");
        } else if (type == InterfaceDescriptionBlock) {
            if (bodySize < 8 || qFromLittleEndian<quint16>(body) != LinkTypeUser0)
                return fail("interface is not of link type USER0 (147)");
            ++interfaces;
        } else if (type == EnhancedPacketBlock) {
            if (bodySize < PacketFixedBody ||
                qFromLittleEndian<quint32>(body) >= quint32(interfaces))
                return fail("packet of an undefined interface");
            const auto captured = qFromLittleEndian<quint32>(body + 12);
            if (captured > quint64(bodySize - PacketFixedBody) || captured < RecordHeaderSize)
                return fail("bad packet length");
            const char* data = body + PacketFixedBody;
            if (quint8(data[0]) != FormatVersion)
                return fail("unknown record version");
            const qint64 time = qint64((quint64(qFromLittleEndian<quint32>(body + 4)) << 32) |
                                       qFromLittleEndian<quint32>(body + 8));
            const QByteArray bytes(data + RecordHeaderSize, captured - RecordHeaderSize);
            if (data[1] == DirectionSent || data[1] == DirectionReceived)
                bursts.append({data[1] == DirectionSent, time, bytes});
            else if (data[1] != DirectionEvent)
                return fail("unknown record direction");
        }
        pos += length;
    }
    if (interfaces < 0)
        return fail("no pcapng section header");
    return bursts;
}

} // namespace kodasim
