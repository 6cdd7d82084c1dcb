#pragma once
// The lap chart: lap time and sector times on a time axis and the top speed on a speed axis,
// against the lap number, rebuilt as a whole from the lap grid's cells. Left-dragging from
// upper left to lower right zooms into the rectangle, dragging back up or left undoes the
// zoom, right-dragging scrolls; with the keyboard focus, the arrow keys scroll, "+" zooms into
// the middle of the plot and "-" undoes the zoom. The 3-D view draws the plot as a box with
// depth: back wall, side wall, floor and every series as a ribbon running into the depth.
#include "laps/lapchartdata.h"
#include "windows/chartviewsettings.h"

#include <QChartView>
#include <QStringList>

#include <array>

class LapTable;
class QCategoryAxis;
class QLineSeries;
class QRubberBand;
class QValueAxis;
class QVariantAnimation;

class LapChartView : public QChartView {
    Q_OBJECT

public:
    explicit LapChartView(QWidget* parent = nullptr);
    ~LapChartView() override;

    // The six series, in the order of LapSeriesIndex.
    QLineSeries* chartLap = nullptr;
    QLineSeries* chartSector1 = nullptr;
    QLineSeries* chartSector2 = nullptr;
    QLineSeries* chartSector3 = nullptr;
    QLineSeries* chartSector4 = nullptr;
    QLineSeries* chartSpeed = nullptr;
    QLineSeries* series(int index) const;

    // Bottom "LAP", left "TIME" (values in ms, labels "n:ss:zz"), right "Speed (km/h)".
    QValueAxis* lapAxis() const { return axisLap_; }
    QCategoryAxis* timeAxis() const { return axisTime_; }
    QValueAxis* speedAxis() const { return axisSpeed_; }
    AxisSpan lapSpan() const;
    AxisSpan timeSpan() const;
    AxisSpan speedSpan() const;

    // Undoes zoom and scroll, rebuilds all six series from the grid cells and fixes the time
    // axis one second beyond the fastest and slowest time. Returns what the rebuild read, the
    // malformed time cells included (in grid order): the window tells the user about them.
    LapChartData refreshLapChart(const LapTable& table);
    // Empties the six series; the axes keep their ranges.
    void clearChartSeries();
    // The axes return to the ranges of the last rebuild (at once, no animation).
    void zoomReset();

    // Zooms into a rectangle given in view coordinates (clipped to the plot area).
    void zoomToRect(const QRectF& viewRect, bool animated = true);
    // Moves the content by a distance in pixels, as a right-button drag does.
    void scrollByPixels(QPointF delta);
    // Duration of the zoom animation; 0 zooms at once.
    void setZoomAnimationMs(int ms) { zoomAnimationMs_ = ms; }

    // 3-D view, its depth and the background colour (0x00BBGGRR).
    void applySettings(const ChartViewSettings& settings);
    ChartViewSettings settings() const { return current_; }
    // Depth of the 3-D view in pixels, 0 while drawn in 2-D.
    int depth() const;
    // The plot area in view coordinates (the front face in 3-D).
    QRectF plotRect() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;

private:
    void setSpans(const AxisSpan& lap, const AxisSpan& time, const AxisSpan& speed);
    // Animates from the current ranges to these; the caller has stopped any running one.
    void animateSpansTo(const AxisSpan& toLap, const AxisSpan& toTime, const AxisSpan& toSpeed);
    void updateTicks();
    void updateDepthMargins();
    void draw3D(QPainter* painter);
    // Back to the ranges of the last rebuild, animated like a zoom.
    void undoZoom();

    QValueAxis* axisLap_ = nullptr;
    QCategoryAxis* axisTime_ = nullptr;
    QValueAxis* axisSpeed_ = nullptr;
    std::array<QLineSeries*, LapSeriesCount> all_{};

    AxisSpan homeLap_ = EmptyLapAxisSpan;
    AxisSpan homeTime_ = EmptyTimeAxisSpan;
    AxisSpan homeSpeed_ = SpeedAxisSpan;

    ChartViewSettings current_;
    QMargins baseMargins_;

    QRubberBand* band_ = nullptr;
    QPointF dragStart_;
    QPointF lastScrollPos_;
    bool zoomDrag_ = false;
    bool scrollDrag_ = false;
    QVariantAnimation* zoomAnimation_ = nullptr;
    int zoomAnimationMs_ = 300;

    // Ticks last put on the time axis, to rebuild its labels only when they change.
    QList<double> timeTicks_;
};
