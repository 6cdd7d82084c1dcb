#pragma once
// A reception cut into the pieces the frame scan sees: bytes outside any frame, frames
// whose envelope holds (length, ETX, checksum), candidates whose envelope is broken, and a
// candidate cut off by the end of the bytes. For showing the traffic, not for dispatching:
// every frame is kept, whatever its unit, ID or code.
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

namespace RadioFrame {

struct Piece {
    enum class Kind {
        Outside, // bytes before an STX, or after the last frame without one
        Frame,   // STX, length L >= 8, ETX at L-1 and a matching checksum at L-2
        Broken,  // an STX candidate with a bad length, ETX or checksum (L bytes, 1 when L is 0)
        CutOff,  // a candidate that runs past the end: the rest of the bytes
    };
    Kind kind = Kind::Outside;
    qsizetype offset = 0;
    qsizetype length = 0;
};

QList<Piece> splitPieces(QByteArrayView bytes);

} // namespace RadioFrame
