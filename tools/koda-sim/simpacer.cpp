#include "simpacer.h"

namespace kodasim::pacing {

qint64 wireTimeUs(qsizetype bytes, int baud) {
    if (baud <= 0)
        return 0;
    return static_cast<qint64>(bytes) * kBitsPerByte * 1000000 / baud;
}

qsizetype chunkBytes(int baud) {
    const qsizetype perTenMs = static_cast<qsizetype>(baud) / kBitsPerByte / 100;
    return qMax<qsizetype>(1, perTenMs);
}

QList<PacedChunk> schedule(qsizetype bytes, int baud) {
    QList<PacedChunk> chunks;
    const qsizetype step = chunkBytes(baud);
    for (qsizetype offset = 0; offset < bytes; offset += step)
        chunks.append({wireTimeUs(offset, baud), offset, qMin(step, bytes - offset)});
    return chunks;
}

} // namespace kodasim::pacing
