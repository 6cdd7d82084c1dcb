#include "protocol/framepieces.h"
#include "protocol/radioframe.h"

#include <cstring>

namespace RadioFrame {

QList<Piece> splitPieces(QByteArrayView bytes) {
    QList<Piece> pieces;
    const auto* data = reinterpret_cast<const quint8*>(bytes.data());
    const qsizetype total = bytes.size();
    qsizetype pos = 0;
    while (pos < total) {
        const void* found = std::memchr(data + pos, Stx, size_t(total - pos));
        const qsizetype stx = found ? static_cast<const quint8*>(found) - data : total;
        if (stx > pos)
            pieces.append({Piece::Kind::Outside, pos, stx - pos});
        pos = stx;
        if (pos == total)
            break;
        const quint8* frame = data + pos;
        const qsizetype left = total - pos;
        // The same envelope rules as the scan of receptions.
        if (left <= 4 || frame[4] > left) {
            pieces.append({Piece::Kind::CutOff, pos, left});
            break;
        }
        const int length = frame[4];
        if (length < MinFrameLength || frame[length - 1] != Etx ||
            frame[length - 2] != frameChecksum(frame, length - 2)) {
            pieces.append({Piece::Kind::Broken, pos, length == 0 ? 1 : length});
            pos += length == 0 ? 1 : length;
            continue;
        }
        pieces.append({Piece::Kind::Frame, pos, length});
        pos += length;
    }
    return pieces;
}

} // namespace RadioFrame
