#include "laps/lapchartdata.h"

#include "laps/laptable.h"

#include <algorithm>
#include <cmath>

namespace {

// Blanks and control characters, as the grid's texts may carry them from a file.
QString trimBlanksAndControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

// A decimal integer with an optional sign and nothing else.
std::optional<int> strictInteger(const QString& part) {
    qsizetype i = 0;
    if (i < part.size() && (part.at(i) == u'+' || part.at(i) == u'-'))
        ++i;
    if (i == part.size())
        return std::nullopt;
    for (; i < part.size(); ++i) {
        if (part.at(i) < u'0' || part.at(i) > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = part.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QString notAnIntegerText(const QString& part) {
    return QStringLiteral("'%1' is not a valid integer value").arg(part);
}

void extend(std::optional<AxisSpan>& extent, double value) {
    if (!extent)
        extent = AxisSpan{value, value};
    else
        extent = AxisSpan{std::min(extent->min, value), std::max(extent->max, value)};
}

} // namespace

LapTimeCell parseLapTimeCell(const QString& text) {
    const QString t = trimBlanksAndControls(text);
    const qsizetype apostrophe = t.indexOf(u'\'');
    const qsizetype quote = t.indexOf(u'"');
    if (apostrophe < 0 || quote < 0)
        return {};

    LapTimeCell cell;
    cell.kind = LapTimeCell::Kind::Malformed;
    // A double quote before the apostrophe leaves the seconds empty.
    const QString parts[3] = {
        t.left(apostrophe),
        quote > apostrophe ? t.mid(apostrophe + 1, quote - apostrophe - 1) : QString(),
        t.mid(quote + 1),
    };
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> v = strictInteger(parts[i]);
        if (!v) {
            cell.error = notAnIntegerText(parts[i]);
            return cell;
        }
        values[i] = *v;
    }
    const int minutes = values[0], seconds = values[1], hundredths = values[2];
    if (minutes < 0 || minutes >= 60 || seconds < 0 || seconds >= 60 || hundredths < 0 ||
        hundredths >= 100) {
        cell.error = QStringLiteral("Invalid argument to time encode");
        return cell;
    }
    cell.kind = LapTimeCell::Kind::Time;
    cell.ms = minutes * 60000.0 + seconds * 1000.0 + hundredths * 10.0;
    return cell;
}

std::optional<int> parseTopSpeedCell(const QString& text) {
    const std::optional<int> v = strictInteger(trimBlanksAndControls(text));
    if (!v || *v >= NoTopSpeed)
        return std::nullopt;
    return v;
}

AxisSpan LapChartData::timeAxisSpan() const {
    if (!timeExtent)
        return EmptyTimeAxisSpan;
    return {timeExtent->min - TimeAxisMarginMs, timeExtent->max + TimeAxisMarginMs};
}

AxisSpan LapChartData::lapAxisSpan() const {
    if (!lapExtent)
        return EmptyLapAxisSpan;
    if (lapExtent->min == lapExtent->max)
        return {lapExtent->min - 1, lapExtent->max + 1};
    return *lapExtent;
}

LapChartData buildLapChartData(const LapTable& table) {
    LapChartData data;
    for (auto& list : data.points)
        list.reserve(LapTable::MaxLaps);

    // The time series and the column each reads.
    struct TimeSeries {
        int series;
        int column;
    };
    static constexpr TimeSeries timeSeries[] = {
        {SeriesLap, LapTable::ColTime},
        {SeriesSector1, LapTable::sectorColumn(0)},
        {SeriesSector2, LapTable::sectorColumn(1)},
        {SeriesSector3, LapTable::sectorColumn(2)},
        {SeriesSector4, LapTable::sectorColumn(3)},
    };
    for (const TimeSeries& t : timeSeries) {
        // With a single sector per lap the sector 1 time is the lap time again.
        if (t.series == SeriesSector1 && table.sectorCount == 1)
            continue;
        QList<QPointF>& series = data.points[t.series];
        for (int row = LapTable::FirstLapRow; row < LapTable::RowCount; ++row) {
            const LapTimeCell cell = parseLapTimeCell(table.cell(t.column, row));
            if (cell.kind == LapTimeCell::Kind::Malformed) {
                data.errors << cell.error;
                data.errorCells << QPoint(t.column, row);
            }
            if (cell.kind != LapTimeCell::Kind::Time)
                continue;
            const int lap = LapTable::lapOfRow(row);
            series.append(QPointF(lap, cell.ms));
            extend(data.timeExtent, cell.ms);
            extend(data.lapExtent, lap);
        }
    }
    for (int row = LapTable::FirstLapRow; row < LapTable::RowCount; ++row) {
        const std::optional<int> speed = parseTopSpeedCell(table.cell(LapTable::ColTopSpeed, row));
        if (!speed)
            continue;
        const int lap = LapTable::lapOfRow(row);
        data.points[SeriesSpeed].append(QPointF(lap, *speed));
        extend(data.lapExtent, lap);
    }
    return data;
}

QString formatTimeAxisLabel(double ms) {
    const qint64 total = std::llround(ms);
    if (total < 0)
        return {};
    const qint64 minutes = (total / 60000) % 60; // a time of day: minutes within the hour
    const qint64 seconds = (total / 1000) % 60;
    const qint64 millis = total % 1000;
    return QString::asprintf("%lld:%02lld:%02lld", minutes, seconds, millis);
}

double tickStepFor(double span, int maxTicks, double minStep) {
    if (!(span > 0) || maxTicks < 1 || !(minStep > 0))
        return minStep;
    static constexpr double factors[] = {1, 2, 5};
    for (double decade = minStep; decade < 1e12 * minStep; decade *= 10) {
        for (double f : factors) {
            if (span / (decade * f) <= maxTicks)
                return decade * f;
        }
    }
    return span;
}

QList<double> tickValues(const AxisSpan& span, double step) {
    QList<double> ticks;
    if (!(step > 0) || !(span.max >= span.min) || span.length() / step > 1000)
        return ticks;
    const double first = std::max(0.0, std::ceil(span.min / step)) * step;
    for (double v = first; v <= span.max + step * 1e-9; v += step)
        ticks.append(v);
    return ticks;
}

ChartDrag chartDragAction(QPointF from, QPointF to) {
    constexpr double minPixels = 4;
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    if (dx >= minPixels && dy >= minPixels)
        return ChartDrag::ZoomIn;
    if (dx <= -minPixels || dy <= -minPixels)
        return ChartDrag::Undo;
    return ChartDrag::None;
}

AxisSpan spanBetweenPixels(const AxisSpan& span, double pixelStart, double pixelLength, double p0,
                           double p1, bool inverted) {
    if (!(pixelLength > 0))
        return span;
    auto valueAt = [&](double p) {
        double f = std::clamp((p - pixelStart) / pixelLength, 0.0, 1.0);
        if (inverted)
            f = 1 - f;
        return span.min + f * span.length();
    };
    const double a = valueAt(p0), b = valueAt(p1);
    return {std::min(a, b), std::max(a, b)};
}

AxisSpan scrolledSpan(const AxisSpan& span, double pixelLength, double pixelDelta, bool inverted) {
    if (!(pixelLength > 0))
        return span;
    double shift = pixelDelta / pixelLength * span.length();
    if (!inverted)
        shift = -shift; // dragging right brings lower laps into view
    return {span.min + shift, span.max + shift};
}

AxisSpan blendSpans(const AxisSpan& from, const AxisSpan& to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {from.min + (to.min - from.min) * t, from.max + (to.max - from.max) * t};
}

int depthPixels(int depthPercent, QSize chartSize) {
    const int percent = std::clamp(depthPercent, 1, 100);
    const int side = std::max(0, std::min(chartSize.width(), chartSize.height()));
    return int(std::lround(side * percent / 200.0));
}
