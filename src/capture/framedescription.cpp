#include "capture/framedescription.h"
#include "laps/lapdecoders.h"
#include "protocol/devicetext.h"
#include "protocol/framepieces.h"
#include "protocol/radioframe.h"

namespace capture {

namespace {

using RadioFrame::Piece;

quint16 be16(const quint8* p) {
    return quint16((p[0] << 8) | p[1]);
}

QString hex(uint value, int digits) {
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(digits, u'0').toUpper();
}

QString hexByte(quint8 value) {
    return hex(value, 2);
}

// Text as the line carried it, line ends and other control bytes made visible.
QString visibleText(QByteArrayView bytes) {
    QString text = decodeDeviceText(bytes);
    text.replace(QStringLiteral("\r"), QStringLiteral("\\r"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'.';
    return text;
}

// The instruments' plain replies and the port search's texts are printable ASCII lines.
bool isPlainText(QByteArrayView bytes) {
    for (char c : bytes) {
        const auto u = quint8(c);
        if ((u < 0x20 || u > 0x7e) && u != '\r' && u != '\n' && u != '\t')
            return false;
    }
    return true;
}

QString unitName(char kind) {
    if (kind == RadioFrame::KindLapTimer)
        return QStringLiteral("RK-13");
    if (kind == RadioFrame::KindFuelMeter)
        return QStringLiteral("QK-11");
    return QStringLiteral("種別%1").arg(hexByte(quint8(kind)));
}

QStringList lapRecords(const quint8* frame, int length, bool live) {
    QStringList fields;
    const int records = live ? RadioFrame::LiveLapRecords : RadioFrame::LapBlockRecords;
    int lap = be16(frame + 6) - (live ? records - 1 : 0);
    for (int k = 0; k < records; ++k, ++lap) {
        const int at = 8 + k * RadioFrame::LapRecordSize;
        if (at + RadioFrame::LapRecordSize > length - 2)
            break; // a short frame: only its complete records
        const quint8* r = frame + at;
        QStringList sectors;
        for (int s = 0; s < 4; ++s)
            sectors << formatLapTime(be16(r + 4 + 2 * s)).trimmed();
        fields << QStringLiteral("ラップ%1 タイム %2 最高速 %3 km/h セクタ %4")
                      .arg(lap, 3, 10, QLatin1Char('0'))
                      .arg(formatLapTime(be16(r)).trimmed())
                      .arg(be16(r + 2))
                      .arg(sectors.join(u' '));
    }
    return fields;
}

PieceDescription frame(const quint8* bytes, int length) {
    PieceDescription d;
    const char kind = char(bytes[1]);
    const quint8 code = bytes[5];
    d.summary = QStringLiteral("%1 ID %2 コード %3 長さ %4 チェックサム正常")
                    .arg(unitName(kind))
                    .arg(hex(be16(bytes + 2), 4))
                    .arg(hexByte(code))
                    .arg(length);
    const QByteArrayView payload(reinterpret_cast<const char*>(bytes) + RadioFrame::HeaderSize,
                                 length - RadioFrame::MinFrameLength);
    if (kind == RadioFrame::KindLapTimer &&
        (code == RadioFrame::CodeLapBlock || code == RadioFrame::CodeLiveLap) &&
        payload.size() >= 2) {
        d.fields = lapRecords(bytes, length, code == RadioFrame::CodeLiveLap);
    } else if (kind == RadioFrame::KindLapTimer && code == RadioFrame::CodeLapRequest &&
               payload.size() == 2) {
        d.fields
            << QStringLiteral("ラップ%1から要求").arg(be16(bytes + 6), 3, 10, QLatin1Char('0'));
    } else if (kind == RadioFrame::KindFuelMeter &&
               (code == RadioFrame::CodeFuel || code == RadioFrame::CodeFuelAlternate) &&
               payload.size() >= RadioFrame::FuelPayloadSize) {
        const RadioFrame::FuelReading f = RadioFrame::decodeFuelPayload(bytes + 6);
        d.fields << QStringLiteral("残量 %1 L 使用量 %2 L 燃費 %3 km/L 距離 %4 km")
                        .arg(double(f.remaining), 0, 'f', 2)
                        .arg(double(f.used), 0, 'f', 2)
                        .arg(double(f.economy), 0, 'f', 2)
                        .arg(f.distance / 10.0, 0, 'f', 1);
    } else if (!payload.isEmpty()) {
        d.fields << visibleText(payload);
    }
    return d;
}

} // namespace

QList<PieceDescription> describeBytes(QByteArrayView bytes) {
    QList<PieceDescription> out;
    for (const Piece& piece : RadioFrame::splitPieces(bytes)) {
        const QByteArrayView span = bytes.sliced(piece.offset, piece.length);
        const auto* p = reinterpret_cast<const quint8*>(span.data());
        PieceDescription d;
        switch (piece.kind) {
        case Piece::Kind::Frame:
            d = frame(p, int(piece.length));
            break;
        case Piece::Kind::Broken:
            d.good = false;
            d.summary = span.size() >= RadioFrame::MinFrameLength
                            ? QStringLiteral("不正なフレーム 長さ %1 チェックサム %2（計算値 %3）")
                                  .arg(piece.length)
                                  .arg(hexByte(p[piece.length - 2]))
                                  .arg(hexByte(RadioFrame::frameChecksum(p, int(piece.length) - 2)))
                            : QStringLiteral("不正なフレーム 長さ %1").arg(piece.length);
            break;
        case Piece::Kind::CutOff:
            d.good = false;
            d.summary = QStringLiteral("途中で切れたフレーム %1バイト").arg(piece.length);
            break;
        case Piece::Kind::Outside:
            d.good = isPlainText(span);
            d.summary = d.good ? QStringLiteral("テキスト")
                               : QStringLiteral("フレーム外 %1バイト").arg(piece.length);
            if (d.good)
                d.fields << visibleText(span);
            break;
        }
        d.bytes = span.toByteArray();
        out.append(d);
    }
    return out;
}

} // namespace capture
