#include "capture/capturefile.h"
#include "capture/captureformat.h"

#include <QFile>
#include <QtEndian>

namespace capture {

namespace {

using namespace captureformat;

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

qsizetype padded(qsizetype size) {
    return (size + 3) & ~qsizetype(3);
}

// Wraps a body into a block: type, total length, body (padded to 4), total length.
QByteArray block(quint32 type, QByteArray body) {
    body.append(padded(body.size()) - body.size(), '\0');
    const auto total = quint32(body.size() + BlockFrameSize);
    QByteArray out;
    out.reserve(total);
    put32(out, type);
    put32(out, total);
    out.append(body);
    put32(out, total);
    return out;
}

quint32 get32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}

quint16 get16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

QString at(qsizetype offset, const QString& what) {
    return QStringLiteral("キャプチャファイルを読めません（%1バイト目）：%2").arg(offset).arg(what);
}

} // namespace

QByteArray fileHeader() {
    QByteArray section;
    put32(section, ByteOrderMagic);
    put16(section, MajorVersion);
    put16(section, MinorVersion);
    put32(section, 0xFFFFFFFF); // section length not given: the file may still grow
    put32(section, 0xFFFFFFFF);
    QByteArray interface;
    put16(interface, LinkTypeUser0);
    put16(interface, 0); // reserved
    put32(interface, 0); // no snapshot length limit
    return block(SectionHeaderBlock, section) + block(InterfaceDescriptionBlock, interface);
}

QByteArray packetBlock(const Record& record) {
    QByteArray data;
    data.append(char(FormatVersion));
    data.append(char(record.direction));
    data.append(2, '\0');
    if (record.direction == Direction::Event) {
        data.append(record.kind.toUtf8());
        data.append(EventKindEnd);
        data.append(record.text.toUtf8());
    } else {
        data.append(record.bytes);
    }
    QByteArray body;
    body.reserve(PacketFixedBody + data.size());
    put32(body, 0); // interface 0
    const auto time = quint64(record.timeUs);
    put32(body, quint32(time >> 32));
    put32(body, quint32(time));
    put32(body, quint32(data.size()));
    put32(body, quint32(data.size()));
    body.append(data);
    return block(EnhancedPacketBlock, body);
}

ReadResult readCapture(QByteArrayView bytes) {
    ReadResult result;
    const char* base = bytes.data();
    const qsizetype total = bytes.size();
    qsizetype pos = 0;
    int interfaces = -1; // -1: no section yet
    while (pos < total) {
        const auto fail = [&](const QString& what) {
            result.error = at(pos, what);
            return result;
        };
        if (total - pos < BlockFrameSize)
            return fail(QStringLiteral("ブロックが途中で切れています。"));
        const quint32 type = get32(base + pos);
        if (type == SectionHeaderBlock) {
            if (total - pos < 16)
                return fail(QStringLiteral("ブロックが途中で切れています。"));
            const quint32 magic = get32(base + pos + 8);
            if (magic != ByteOrderMagic)
                return fail(magic == qbswap(ByteOrderMagic)
                                ? QStringLiteral("このバイト順のファイルには対応していません。")
                                : QStringLiteral("pcapngファイルではありません。"));
        } else if (interfaces < 0) {
            return fail(QStringLiteral("pcapngファイルではありません。"));
        }
        const quint32 length = get32(base + pos + 4);
        if (length < BlockFrameSize || length % 4 != 0 || length > quint64(total - pos))
            return fail(QStringLiteral("ブロックの長さが正しくありません。"));
        if (get32(base + pos + length - 4) != length)
            return fail(QStringLiteral("ブロックの長さが前後で一致しません。"));
        const char* body = base + pos + 8;
        const qsizetype bodySize = length - BlockFrameSize;

        if (type == SectionHeaderBlock) {
            if (bodySize < 16)
                return fail(QStringLiteral("ブロックの長さが正しくありません。"));
            if (get16(body + 4) != MajorVersion)
                return fail(QStringLiteral("このpcapngの版には対応していません。"));
            interfaces = 0; // a new section starts its own interfaces
        } else if (type == InterfaceDescriptionBlock) {
            if (bodySize < 8)
                return fail(QStringLiteral("ブロックの長さが正しくありません。"));
            if (get16(body) != LinkTypeUser0)
                return fail(
                    QStringLiteral("KODA Monitorのキャプチャではありません（リンク種別 %1）。")
                        .arg(get16(body)));
            ++interfaces;
        } else if (type == EnhancedPacketBlock) {
            if (bodySize < PacketFixedBody)
                return fail(QStringLiteral("ブロックの長さが正しくありません。"));
            if (get32(body) >= quint32(interfaces))
                return fail(QStringLiteral("インタフェースが定義されていません。"));
            const quint32 captured = get32(body + 12);
            if (captured > quint64(bodySize - PacketFixedBody))
                return fail(QStringLiteral("パケットの長さが正しくありません。"));
            const char* data = body + PacketFixedBody;
            if (captured < quint32(RecordHeaderSize))
                return fail(QStringLiteral("レコードが短すぎます。"));
            if (quint8(data[0]) != FormatVersion)
                return fail(QStringLiteral("このキャプチャの版（%1）には対応していません。")
                                .arg(quint8(data[0])));
            Record record;
            record.timeUs = qint64((quint64(get32(body + 4)) << 32) | get32(body + 8));
            const QByteArrayView payload(data + RecordHeaderSize, captured - RecordHeaderSize);
            switch (data[1]) {
            case DirectionSent:
            case DirectionReceived:
                record.direction = Direction(data[1]);
                record.bytes = payload.toByteArray();
                break;
            case DirectionEvent: {
                record.direction = Direction::Event;
                const qsizetype end = payload.indexOf(EventKindEnd);
                record.kind = QString::fromUtf8(end < 0 ? payload : payload.first(end));
                if (end >= 0)
                    record.text = QString::fromUtf8(payload.sliced(end + 1));
                break;
            }
            default:
                return fail(QStringLiteral("レコードの向きが正しくありません。"));
            }
            result.records.append(record);
        }
        // Other blocks (statistics, comments of other tools) carry nothing for us.
        pos += length;
    }
    if (interfaces < 0)
        result.error = at(0, QStringLiteral("pcapngファイルではありません。"));
    return result;
}

ReadResult readCaptureFile(const QString& path) {
    ReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("キャプチャファイルを開けません：%1").arg(file.errorString());
        return result;
    }
    // Read up to one byte past the limit: a pipe or a device tells no size beforehand.
    const QByteArray bytes = file.read(MaxReadBytes + 1);
    if (bytes.size() > MaxReadBytes) {
        result.error = QStringLiteral("キャプチャファイルが大きすぎます（%1 MBまで）。")
                           .arg(MaxReadBytes / (1024 * 1024));
        return result;
    }
    return readCapture(bytes);
}

} // namespace capture
