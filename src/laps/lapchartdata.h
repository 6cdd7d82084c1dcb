#pragma once
// The UI-free half of the lap chart: how the grid cells become chart points, the axis ranges
// a rebuild fixes, the time-axis labels, and the pixel arithmetic of zooming, scrolling and
// the 3-D depth. Times are held as milliseconds since midnight (a lap of 1'23"45 is 83450).
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class LapTable;

// The chart's series in the order they are built, cleared and listed in the legend.
enum LapSeriesIndex {
    SeriesLap,
    SeriesSector1,
    SeriesSector2,
    SeriesSector3,
    SeriesSector4,
    SeriesSpeed,
    LapSeriesCount
};

struct AxisSpan {
    double min = 0;
    double max = 0;
    double length() const { return max - min; }
    friend bool operator==(const AxisSpan&, const AxisSpan&) = default;
};

// The speed axis never moves from 0..330 km/h except by zooming and scrolling.
inline constexpr AxisSpan SpeedAxisSpan{0, 330};
// Ranges shown while the chart holds no time (or no point at all).
inline constexpr AxisSpan EmptyTimeAxisSpan{0, 60000};
inline constexpr AxisSpan EmptyLapAxisSpan{0, 10};
// Margin a rebuild adds below the fastest and above the slowest time.
inline constexpr double TimeAxisMarginMs = 1000;
// A top speed cell at or above this value (or not a number) adds no speed point.
inline constexpr int NoTopSpeed = 99999;

// One time cell read back from the grid.
struct LapTimeCell {
    enum class Kind {
        Time,     // ms holds the time
        NotATime, // no "'" or no double quote: skipped without a word
        Malformed // a part is not an integer or the time is invalid; error describes it
    };
    Kind kind = Kind::NotATime;
    double ms = 0;
    QString error;
};

// Reads " MM'SS\"HH" (and the same without the leading blank, as files hold it): blanks and
// control characters around the text are dropped, minutes are the integer before the first
// "'", seconds the integer up to the first double quote, hundredths the integer after it.
LapTimeCell parseLapTimeCell(const QString& text);

// The top speed of a grid cell; nothing when the cell is empty, not an integer, or at or
// above NoTopSpeed. 0 is a speed.
std::optional<int> parseTopSpeedCell(const QString& text);

// Everything one rebuild puts into the chart.
struct LapChartData {
    std::array<QList<QPointF>, LapSeriesCount> points; // x = lap, y = ms (km/h for speed)
    QStringList errors;                                // one description per malformed cell
    QList<QPoint> errorCells;           // the grid cell (x column, y row) of each of errors
    std::optional<AxisSpan> timeExtent; // smallest..largest time of all points
    std::optional<AxisSpan> lapExtent;  // smallest..largest lap of all points

    // The fixed time range: one second beyond the data at both ends.
    AxisSpan timeAxisSpan() const;
    // The automatic lap range: the laps charted, widened by one lap for a single lap.
    AxisSpan lapAxisSpan() const;
};

// Reads the lap time, sector times (sector 1 not at all when the table says the laps have one
// sector) and top speed of every lap row, in ascending lap order.
LapChartData buildLapChartData(const LapTable& table);

// "n:ss:zz" of a time of day: minutes without a leading zero, two-digit seconds, milliseconds
// with at least two digits. 81100 gives "1:21:100", 85000 gives "1:25:00".
QString formatTimeAxisLabel(double ms);

// A tick step from 1-2-5 steps of minStep (minStep, 2*, 5*, 10* ...) so that span holds at
// most maxTicks steps; time axes pass 1000 ms, the lap axis 2 laps.
double tickStepFor(double span, int maxTicks, double minStep);
// The multiples of step inside span (none below 0).
QList<double> tickValues(const AxisSpan& span, double step);

// What a left-button drag on the chart means: ending right of and below its start zooms into
// the rectangle, ending left of or above it undoes the zoom. A drag of a few pixels is a click.
enum class ChartDrag { None, ZoomIn, Undo };
ChartDrag chartDragAction(QPointF from, QPointF to);

// The part of span shown between two pixel positions of an axis that covers pixelLength pixels
// from pixelStart. Vertical axes grow upwards: pass inverted = true.
AxisSpan spanBetweenPixels(const AxisSpan& span, double pixelStart, double pixelLength, double p0,
                           double p1, bool inverted);
// span moved so that the content follows the mouse by pixelDelta pixels.
AxisSpan scrolledSpan(const AxisSpan& span, double pixelLength, double pixelDelta, bool inverted);
// Interpolates between two spans, t in 0..1 (zoom animation).
AxisSpan blendSpans(const AxisSpan& from, const AxisSpan& to, double t);

// Depth of the 3-D view in pixels: depthPercent (kept within 1..100) of half the chart's
// smaller side.
int depthPixels(int depthPercent, QSize chartSize);
