#include "laps/lapdecoders.h"

#include "laps/laptable.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int LapNumberOffset = RadioFrame::HeaderSize;
constexpr int FirstRecordOffset = LapNumberOffset + 2;
constexpr int RecordSize = RadioFrame::LapRecordSize;
constexpr int FrameLengthOffset = 4;
constexpr int FrameTrailerSize = 2; // checksum and ETX

quint16 readU16(const QByteArray& bytes, int offset) {
    return quint16((quint8(bytes[offset]) << 8) | quint8(bytes[offset + 1]));
}

// Fields of an "LInfo:" line: commas separate fields, blanks next to a comma are ignored and a
// blank inside a field separates it too. Two commas in a row give an empty field, as does a
// comma at the end of the line.
QStringList splitInfoFields(const QString& line) {
    QStringList fields;
    const auto isBlank = [](QChar c) { return c.unicode() <= 0x20; };
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && isBlank(line[i]))
        ++i;
    while (i < n) {
        const qsizetype start = i;
        while (i < n && !isBlank(line[i]) && line[i] != u',')
            ++i;
        fields.append(line.mid(start, i - start));
        while (i < n && isBlank(line[i]))
            ++i;
        if (i < n && line[i] == u',') {
            if (i + 1 == n)
                fields.append(QString());
            ++i;
            while (i < n && isBlank(line[i]))
                ++i;
        }
    }
    return fields;
}

int toIntOrZero(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

QString threeDigits(int value) {
    return QString::asprintf("%03d", value);
}

} // namespace

QString formatLapTime(quint16 hundredths) {
    const int t = hundredths;
    return QString::asprintf(" %02d'%02d\"%02d", t / 6000, (t % 6000) / 100, t % 100);
}

double courseLengthFromText(const QString& text) {
    bool ok = false;
    const double km = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(km) ? km : 0.0;
}

QString formatAverageSpeed(double courseLengthKm, quint16 lapTimeHundredths) {
    if (courseLengthKm == 0.0 || lapTimeHundredths == 0)
        return {};
    return QString::asprintf("%6.2lf", courseLengthKm / lapTimeHundredths * 360000.0);
}

QString buildRemarks(const LapTable& table, int lap) {
    QString remarks;
    if (lap == table.bestLap)
        remarks += QLatin1String("FL ");
    if (lap == table.topSpeedLap)
        remarks += QLatin1String("TS ");
    const int sectors = std::clamp(table.sectorCount, 0, LapTable::MaxSectors);
    for (int s = 1; s <= sectors; ++s) {
        if (lap == table.fastestSectorLap[s - 1])
            remarks += QString::asprintf("FS%d ", s);
    }
    return remarks;
}

LapFrameResult decodeLapFrame(LapTable& table, const QByteArray& frame, int recordCount,
                              double courseLengthKm) {
    LapFrameResult result;
    // Trust neither the record count nor the frame size alone: the records must lie inside the
    // bytes received and before the checksum that the frame's own length byte places.
    qsizetype usable = frame.size();
    if (usable > FrameLengthOffset)
        usable = std::min<qsizetype>(usable, quint8(frame[FrameLengthOffset]) - FrameTrailerSize);
    const bool live = recordCount == RadioFrame::LiveLapRecords;
    const bool hasLapNumber = usable >= LapNumberOffset + 2;
    const int newestOrFirst = hasLapNumber ? readU16(frame, LapNumberOffset) : 0;
    const int sectorCells =
        live ? LapTable::MaxSectors : std::clamp(table.sectorCount, 0, LapTable::MaxSectors);
    // A live-lap frame names its newest lap, which its last record holds.
    int lap = live ? newestOrFirst - (RadioFrame::LiveLapRecords - 1) : newestOrFirst;

    {
        LapTable::Batch batch(table);
        for (int k = 0; hasLapNumber && k < recordCount; ++k, ++lap) {
            const int offset = FirstRecordOffset + k * RecordSize;
            if (offset + RecordSize > usable)
                break;
            if (lap <= 0 || (!live && lap > table.lapCount) || lap > LapTable::MaxLaps)
                continue;

            const quint16 lapTime = readU16(frame, offset);
            const quint16 topSpeed = readU16(frame, offset + 2);
            const int row = LapTable::rowOfLap(lap);

            if (lapTime > 0) {
                table.setCell(LapTable::ColLap, row, threeDigits(lap));
                table.setCell(LapTable::ColTime, row, formatLapTime(lapTime));
                for (int s = 0; s < sectorCells; ++s) {
                    const quint16 sectorTime = readU16(frame, offset + 4 + 2 * s);
                    table.setCell(LapTable::sectorColumn(s), row,
                                  sectorTime > 0 ? formatLapTime(sectorTime) : QString());
                }
            }
            for (int s = sectorCells; s < LapTable::MaxSectors; ++s)
                table.setCell(LapTable::sectorColumn(s), row, QString());
            if (lapTime > 0)
                table.setCell(LapTable::ColTopSpeed, row, threeDigits(topSpeed));
            const QString average = formatAverageSpeed(courseLengthKm, lapTime);
            if (!average.isEmpty())
                table.setCell(LapTable::ColAverage, row, average);
            if (!live) {
                // User remarks survive unless the lap timer has something to say about the lap.
                const QString remarks = buildRemarks(table, lap);
                if (!remarks.isEmpty())
                    table.setCell(LapTable::ColRemarks, row, remarks);
            }

            if (result.firstRow < 0)
                result.firstRow = row;
            result.lastRow = row;
        }
    }

    const auto inGridRows = [](int row) { return std::clamp(row, 0, LapTable::RowCount - 1); };
    if (live) {
        if (!hasLapNumber)
            return result;
        const int row = LapTable::rowOfLap(newestOrFirst);
        if (row != table.lastLiveRow && row >= LapTable::FirstLapRow) {
            result.scrollRow = inGridRows(row);
            result.newLiveLap = true;
            table.lastLiveRow = row;
        }
    } else if (table.lapInfoStep > 0) {
        table.nextLapToRead += RadioFrame::LapBlockRecords;
        if (table.nextLapToRead > table.lapCount) {
            result.scrollRow = inGridRows(table.lapCount);
            table.lapInfoStep = 99;
        } else {
            result.scrollRow = inGridRows(table.nextLapToRead);
            table.lapInfoStep += 1;
        }
        result.readAdvanced = true;
    }
    return result;
}

bool isLapInfo(const QStringList& lines) {
    return lines.size() == 1 && splitInfoFields(lines.first()).size() == 8;
}

int decodeLapInfo(LapTable& table, const QStringList& lines, QString* lapsCaption) {
    if (!isLapInfo(lines))
        return 0;
    const QStringList fields = splitInfoFields(lines.first());

    table.lapCount = toIntOrZero(fields[0]);
    table.bestLap = toIntOrZero(fields[1]);
    table.topSpeedLap = toIntOrZero(fields[2]);
    // The table has four sector columns and a record four sector fields.
    table.sectorCount = std::clamp(toIntOrZero(fields[3]), 0, LapTable::MaxSectors);
    for (int s = 0; s < LapTable::MaxSectors; ++s)
        table.fastestSectorLap[s] = toIntOrZero(fields[4 + s]);

    table.bestLapMark = table.bestLap;
    table.topSpeedMark = table.topSpeedLap;
    table.fastestSectorMark = table.fastestSectorLap;
    table.notifyHighlightsChanged();

    if (table.lapCount != 0) {
        if (lapsCaption)
            *lapsCaption = fields[0];
        LapTable::Batch batch(table);
        const int row = LapTable::SummaryRow;
        table.setCell(LapTable::ColRemarks, row,
                      QString::fromUtf8("全ラップ ") + threeDigits(table.lapCount));
        if (table.bestLap != 0) {
            table.setCell(LapTable::ColTime, row, threeDigits(table.bestLap));
            table.setCell(LapTable::ColAverage, row, threeDigits(table.bestLap));
        }
        if (table.topSpeedLap != 0)
            table.setCell(LapTable::ColTopSpeed, row, threeDigits(table.topSpeedLap));
        for (int s = 0; s < LapTable::MaxSectors; ++s) {
            if (table.fastestSectorLap[s] != 0)
                table.setCell(LapTable::sectorColumn(s), row,
                              threeDigits(table.fastestSectorLap[s]));
        }
    }
    return table.lapCount;
}

int decodeLapData(LapTable& table, const QStringList& lines) {
    if (lines.size() != 1)
        return 0;
    // Plain comma split: the time texts are stored exactly as the lap timer sent them.
    const QStringList fields = lines.first().split(u',');
    if (fields.size() != 7)
        return 0;

    const int lap = toIntOrZero(fields[0]);
    if (lap < 1 || lap > table.lapCount || lap > LapTable::MaxLaps)
        return lap;

    const int row = LapTable::rowOfLap(lap);
    const int sectors = std::clamp(table.sectorCount, 0, LapTable::MaxSectors);
    LapTable::Batch batch(table);
    table.setCell(LapTable::ColLap, row, fields[0]);
    table.setCell(LapTable::ColTime, row, fields[1]);
    for (int s = 0; s < LapTable::MaxSectors; ++s)
        table.setCell(LapTable::sectorColumn(s), row, s < sectors ? fields[3 + s] : QString());
    table.setCell(LapTable::ColTopSpeed, row, fields[2]);
    const QString remarks = buildRemarks(table, lap);
    if (!remarks.isEmpty())
        table.setCell(LapTable::ColRemarks, row, table.cell(LapTable::ColRemarks, row) + remarks);
    return lap;
}
