// Fuzz target: the chart's reading of grid cells. Every time cell, top-speed cell and
// whole grid of such cells must give points in lap order with valid times; every time
// the decoders write must read back as itself.
//
// Input: lines separated by LF, each a cell text (Latin-1); line k goes to row 2 + k / 6,
// column 1 + k % 6. The first byte also picks the sector count (0..4) of the table.
#include "laps/lapchartdata.h"
#include "laps/lapdecoders.h"
#include "laps/laptable.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The largest time a cell can hold: 59'59"99.
constexpr double maxTimeMs = 59 * 60000.0 + 59 * 1000.0 + 990.0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    LapTable table;
    table.sectorCount = size > 0 ? data[0] % 5 : 0;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype k = 0; k < lines.size() && k < 6 * LapTable::MaxLaps; ++k) {
        const QString text = QString::fromLatin1(lines[k]);
        const LapTimeCell cell = parseLapTimeCell(text);
        switch (cell.kind) {
        case LapTimeCell::Kind::Time:
            fuzzCheck(cell.ms >= 0 && cell.ms <= maxTimeMs && cell.error.isEmpty());
            fuzzCheck(!formatTimeAxisLabel(cell.ms).isEmpty());
            break;
        case LapTimeCell::Kind::NotATime:
            fuzzCheck(!text.contains(u'\'') || !text.contains(u'"'));
            break;
        case LapTimeCell::Kind::Malformed:
            fuzzCheck(!cell.error.isEmpty());
            break;
        }
        if (const auto speed = parseTopSpeedCell(text))
            fuzzCheck(*speed < NoTopSpeed);
        table.setCell(1 + int(k % 6), 2 + int(k / 6), text);
    }

    const LapChartData chart = buildLapChartData(table);
    qsizetype timePoints = 0;
    for (int series = 0; series < LapSeriesCount; ++series) {
        double previous = 0;
        for (const QPointF& p : chart.points[size_t(series)]) {
            fuzzCheck(p.x() > previous && p.x() <= LapTable::MaxLaps);
            previous = p.x();
            if (series != SeriesSpeed)
                fuzzCheck(p.y() >= 0 && p.y() <= maxTimeMs);
        }
        if (series != SeriesSpeed)
            timePoints += chart.points[size_t(series)].size();
    }
    if (table.sectorCount == 1)
        fuzzCheck(chart.points[SeriesSector1].isEmpty());
    fuzzCheck(chart.timeExtent.has_value() == (timePoints > 0));
    const AxisSpan span = chart.timeAxisSpan();
    fuzzCheck(span.max >= span.min);
    const double step = tickStepFor(span.length(), 10, 1000);
    fuzzCheck(step >= 1000);
    fuzzCheck(tickValues(span, step).size() <= 64);

    // Every lap time the decoders write reads back as that time.
    if (size >= 2) {
        const quint16 t = quint16((data[0] << 8) | data[1]);
        const LapTimeCell back = parseLapTimeCell(formatLapTime(t));
        fuzzCheck(back.kind == LapTimeCell::Kind::Time && back.ms == t * 10.0);
    }
    return 0;
}
