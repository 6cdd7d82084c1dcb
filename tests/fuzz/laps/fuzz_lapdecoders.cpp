// Fuzz target: the lap decoders ("LInfo:", "LData:", block and live-lap frames) filling
// a lap table, and the highlight rules over the marks they leave, any 32-bit mark
// included (a best row of a lap file can set any).
//
// Input: one flag byte, the "LInfo:" line up to the first LF, the "LData:" line up to
// the next LF, then the frame. Flag bit 0: a live-lap frame (else a block frame);
// bit 1: the frame's first 24 bytes are six raw marks (best, top speed, sectors 1-4)
// set before the frame; bit 2: an RK-13 read is running; bits 3-7: the course length.
#include "laps/lapdecoders.h"
#include "laps/laptable.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

qint32 readMark(const QByteArray& bytes, int offset) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | quint8(bytes[offset + i]);
    return qint32(v);
}

// The colour a cell must have, worked out in 64 bits so that no mark can overflow.
LapTable::Highlight expectedHighlight(const LapTable& t, int col, int row) {
    using H = LapTable::Highlight;
    if (col == LapTable::ColLap || row < 2)
        return H::Fixed;
    const auto marks = [row](qint64 mark) { return mark >= 1 && mark <= 300 && mark + 1 == row; };
    if (col == LapTable::ColTime && marks(t.bestLapMark))
        return H::Blue;
    if (col == LapTable::ColAverage && marks(t.bestLapMark))
        return H::Red;
    if (col == LapTable::ColTopSpeed && marks(t.topSpeedMark))
        return H::Red;
    for (int s = 0; s < LapTable::MaxSectors; ++s) {
        if (col == LapTable::ColSector1 + s && marks(t.fastestSectorMark[size_t(s)]))
            return H::Blue;
    }
    return H::Plain;
}

void checkRows(const LapFrameResult& r) {
    fuzzCheck(r.firstRow == -1 || (r.firstRow >= 2 && r.firstRow < LapTable::RowCount));
    fuzzCheck(r.lastRow >= r.firstRow && r.lastRow < LapTable::RowCount);
    fuzzCheck(r.scrollRow >= -1 && r.scrollRow < LapTable::RowCount);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const quint8 flags = data[0];
    QByteArray rest = fuzzBytes(data + 1, size - 1);
    const auto takeLine = [&rest]() {
        const qsizetype lf = rest.indexOf('\n');
        const QByteArray line = lf < 0 ? rest : rest.left(lf);
        rest = lf < 0 ? QByteArray() : rest.mid(lf + 1);
        return QString::fromLatin1(line);
    };
    const QString infoLine = takeLine();
    const QString dataLine = takeLine();

    LapTable table;
    QString caption;
    const int laps = decodeLapInfo(table, {infoLine}, &caption);
    fuzzCheck(laps == table.lapCount);
    fuzzCheck(table.sectorCount >= 0 && table.sectorCount <= LapTable::MaxSectors);
    if (laps != 0)
        fuzzCheck(table.cell(LapTable::ColRemarks, 0) ==
                  QString::fromUtf8("全ラップ ") + QString::asprintf("%03d", laps));

    const int lap = decodeLapData(table, {dataLine});
    if (lap >= 1 && lap <= table.lapCount && lap <= LapTable::MaxLaps)
        fuzzCheck(table.cell(LapTable::ColLap, lap + 1) == dataLine.split(u',').first());

    if ((flags & 0x02) && rest.size() >= 24) {
        table.bestLapMark = readMark(rest, 0);
        table.topSpeedMark = readMark(rest, 4);
        for (int s = 0; s < LapTable::MaxSectors; ++s)
            table.fastestSectorMark[size_t(s)] = readMark(rest, 8 + 4 * s);
        rest.remove(0, 24);
    }
    if (flags & 0x04) {
        table.lapInfoStep = 1;
        table.nextLapToRead = 1;
    }
    const bool live = flags & 0x01;
    const double courseKm = (flags >> 3) / 4.0;
    const int stepBefore = table.lapInfoStep;
    const LapFrameResult r = decodeLapFrame(
        table, rest, live ? RadioFrame::LiveLapRecords : RadioFrame::LapBlockRecords, courseKm);
    checkRows(r);
    if (live || stepBefore == 0)
        fuzzCheck(!r.readAdvanced && table.lapInfoStep == stepBefore);
    else
        fuzzCheck(r.readAdvanced && (table.lapInfoStep == 99 || table.lapInfoStep == 2));

    for (int row = 0; row < LapTable::RowCount; ++row) {
        for (int col = 0; col < LapTable::ColumnCount; ++col)
            fuzzCheck(table.highlightAt(col, row) == expectedHighlight(table, col, row));
    }
    return 0;
}
