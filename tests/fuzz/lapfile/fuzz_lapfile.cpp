// Fuzz target: the lap-list parser over arbitrary file bytes (file form, read line by
// line as from disk, and from memory) and over arbitrary lap lists (device form).
#include "files/lapfile.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkResult(const LapListParse& parse) {
    fuzzCheck(parse.accepted() == (parse.failure == LapListParse::Failure::None));
    fuzzCheck(parse.accepted() || !parse.message.isEmpty());
    if (!parse.accepted())
        return;
    int previous = -1;
    for (const LapCell& cell : parse.result->cells) {
        fuzzCheck(cell.column >= 0 && cell.column < LapTable::ColumnCount);
        fuzzCheck(cell.row >= 0 && cell.row < LapTable::RowCount);
        const int key = cell.row * LapTable::ColumnCount + cell.column;
        fuzzCheck(key > previous); // each cell once, in order
        previous = key;
    }
    fuzzCheck(parse.result->lapRows >= 0 && parse.result->lapRows <= LapTable::MaxLaps);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);

    // The reader (chunked, with a small line cap to reach the too-long path) and the
    // in-memory split must agree whenever no line is too long.
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    LapLineReader reader(buffer, 512);
    const LapListParse fromDevice = parseLapFile(LapListForm::File, reader);
    const LapListParse fromMemory = parseLapFile(LapListForm::File, QByteArrayView(bytes));
    checkResult(fromDevice);
    checkResult(fromMemory);
    bool longLine = false;
    for (const QByteArray& line : splitLapLines(bytes, lapFileMaxLines))
        longLine = longLine || line.size() > 512;
    if (!longLine) {
        fuzzCheck(fromDevice.failure == fromMemory.failure);
        if (fromDevice.accepted()) {
            fuzzCheck(fromDevice.result->cells == fromMemory.result->cells);
            fuzzCheck(fromDevice.result->marks == fromMemory.result->marks);
        }
    }

    // Device form: the first byte picks the list (sector index -1..5, out of range
    // included) and the lap count caption.
    LapListState state;
    if (size > 0) {
        state.sectorIndex = int(data[0] % 7) - 1;
        state.lapsCaption = data[0] & 0x80 ? QStringLiteral("12") : QString();
        state.marks.bestLap = data[0] & 0x0f;
        state.marks.fastestSector[1] = (data[0] >> 4) & 0x03;
    }
    const LapCellReader cells = [](int column, int row) {
        return QStringLiteral("%1/%2 ").arg(column).arg(row);
    };
    checkResult(parseLapFile(LapListForm::Device, QByteArrayView(bytes).sliced(size > 0 ? 1 : 0),
                             state, cells));

    // Whatever the tokens, quoting them back and splitting again gives them back
    // (tokens that hold no NUL, CR or LF, which end a line's text).
    for (const QByteArray& line : splitLapLines(bytes, 8)) {
        QStringList cellsOfLine;
        for (const QByteArray& token : tokenizeLapLine(line))
            cellsOfLine.append(QString::fromLatin1(token));
        const QByteArray written = commaTextLine(cellsOfLine).toLatin1();
        const QList<QByteArray> again = tokenizeLapLine(written);
        bool leadBytes = false;
        for (char c : line)
            leadBytes = leadBytes || isShiftJisLeadByte(static_cast<unsigned char>(c));
        if (!leadBytes && !cellsOfLine.isEmpty() &&
            !(cellsOfLine.size() == 1 && cellsOfLine[0].isEmpty())) {
            fuzzCheck(again.size() == cellsOfLine.size());
            for (qsizetype i = 0; i < again.size(); ++i)
                fuzzCheck(again[i] == cellsOfLine[i].toLatin1());
        }
    }
    return 0;
}
