#include "logbook/lapvalues.h"

#include "laps/lapanalysistext.h"
#include "laps/lapchartdata.h"
#include "laps/lapdecoders.h"

#include <QCryptographicHash>

#include <cmath>

namespace logbook {

namespace {

std::optional<int> hundredthsOf(const QString& cell) {
    const LapTimeCell parsed = parseLapTimeCell(cell);
    if (parsed.kind != LapTimeCell::Kind::Time)
        return std::nullopt;
    const int hundredths = int(std::lround(parsed.ms / 10));
    // A zero time is what the lap timer sends for a sector it did not measure.
    if (hundredths <= 0)
        return std::nullopt;
    return hundredths;
}

} // namespace

LapValues lapValuesOf(const feed::LapRow& row) {
    LapValues lap;
    lap.lap = row.lap;
    auto cell = [&row](int col) { return col < row.cells.size() ? row.cells.at(col) : QString(); };
    lap.time = hundredthsOf(cell(LapTable::ColTime));
    for (int i = 0; i < LapTable::MaxSectors; ++i)
        lap.sectors[size_t(i)] = hundredthsOf(cell(LapTable::sectorColumn(i)));
    lap.topSpeed = parseTopSpeedCell(cell(LapTable::ColTopSpeed));
    lap.remark = cell(LapTable::ColRemarks).trimmed();
    return lap;
}

feed::LapRow lapRowOf(const LapValues& lap, double courseKm) {
    const auto time = [](const std::optional<int>& hundredths) {
        return hundredths && *hundredths <= 0xFFFF ? formatLapTime(quint16(*hundredths))
                                                   : QString();
    };
    feed::LapRow row;
    row.lap = lap.lap;
    row.cells.resize(LapTable::ColumnCount);
    row.cells[LapTable::ColLap] = formatLapNumber(lap.lap);
    row.cells[LapTable::ColTime] = time(lap.time);
    for (int i = 0; i < LapTable::MaxSectors; ++i)
        row.cells[LapTable::sectorColumn(i)] = time(lap.sectors[size_t(i)]);
    if (lap.topSpeed)
        row.cells[LapTable::ColTopSpeed] = QString::asprintf("%03d", *lap.topSpeed);
    if (lap.time && *lap.time <= 0xFFFF)
        row.cells[LapTable::ColAverage] = formatAverageSpeed(courseKm, quint16(*lap.time));
    row.cells[LapTable::ColRemarks] = lap.remark;
    return row;
}

QString contentHash(const feed::LapSet& laps) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(laps.summary.join(QLatin1Char('\t')).toUtf8());
    for (const feed::LapRow& row : laps.laps) {
        hash.addData("\n");
        hash.addData(row.cells.join(QLatin1Char('\t')).toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace logbook
