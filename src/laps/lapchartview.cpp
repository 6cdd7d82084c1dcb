#include "laps/lapchartview.h"

#include "laps/laptable.h"

#include <QCategoryAxis>
#include <QChart>
#include <QKeyEvent>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QValueAxis>
#include <QVariantAnimation>

#include <algorithm>

namespace {

const QColor Navy(0, 0, 128);
const QColor Fuchsia(255, 0, 255);

struct SeriesLook {
    const char* title;
    QColor colour;
};

// Titles and colours in the order of LapSeriesIndex. "Sector1  " keeps its two blanks.
const SeriesLook looks[LapSeriesCount] = {
    {"Lap", QColor(255, 255, 0)},   {"Sector1  ", QColor(0, 0, 255)},
    {"Sector2", QColor(255, 0, 0)}, {"Sector3", QColor(0, 255, 0)},
    {"Sector4", QColor(0, 128, 0)}, {"Speed", Fuchsia},
};

// The lap and speed axes: whole numbers, ticks counted from 0, no minor grid.
QValueAxis* newWholeNumberAxis(const QString& title, const QColor& gridColour) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setMinorGridLineVisible(false);
    axis->setGridLineColor(gridColour);
    return axis;
}

QColor fromBgr(quint32 bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Pixels per tick label a plot side can afford.
constexpr int LapLabelPixels = 45;
constexpr int TimeLabelPixels = 30;

} // namespace

LapChartView::LapChartView(QWidget* parent) : QChartView(parent) {
    QChart* c = chart();            // the view's own chart, which it owns and deletes
    c->setBackgroundVisible(false); // drawBackground paints the colour and the 3-D box
    c->setBackgroundRoundness(0);
    c->setDropShadowEnabled(false);
    c->legend()->setAlignment(Qt::AlignBottom);
    c->legend()->setBackgroundVisible(false);
    c->legend()->setShowToolTips(false);

    axisLap_ = newWholeNumberAxis(QStringLiteral("LAP"), Navy);

    axisTime_ = new QCategoryAxis;
    axisTime_->setTitleText(QStringLiteral("TIME"));
    axisTime_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axisTime_->setMinorGridLineVisible(false);
    axisTime_->setGridLineColor(Navy);

    axisSpeed_ = newWholeNumberAxis(QStringLiteral("Speed (km/h)"), Fuchsia);

    c->addAxis(axisLap_, Qt::AlignBottom);
    c->addAxis(axisTime_, Qt::AlignLeft);
    c->addAxis(axisSpeed_, Qt::AlignRight);

    for (int i = 0; i < LapSeriesCount; ++i) {
        auto* s = new QLineSeries;
        s->setName(QString::fromLatin1(looks[i].title));
        QPen pen(looks[i].colour);
        pen.setWidth(2);
        s->setPen(pen);
        s->setPointsVisible(false);
        s->setPointLabelsFormat(QStringLiteral("@xPoint")); // a point's label is its lap
        s->setPointLabelsVisible(false);
        c->addSeries(s);
        s->attachAxis(axisLap_);
        s->attachAxis(i == SeriesSpeed ? static_cast<QAbstractAxis*>(axisSpeed_)
                                       : static_cast<QAbstractAxis*>(axisTime_));
        all_[i] = s;
    }
    chartLap = all_[SeriesLap];
    chartSector1 = all_[SeriesSector1];
    chartSector2 = all_[SeriesSector2];
    chartSector3 = all_[SeriesSector3];
    chartSector4 = all_[SeriesSector4];
    chartSpeed = all_[SeriesSpeed];

    setRubberBand(QChartView::NoRubberBand);
    setRenderHint(QPainter::Antialiasing, true);
    baseMargins_ = c->margins();

    band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    band_->hide();
    zoomAnimation_ = new QVariantAnimation(this);
    zoomAnimation_->setStartValue(0.0);
    zoomAnimation_->setEndValue(1.0);

    connect(axisLap_, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(axisTime_, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(axisSpeed_, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(c, &QChart::plotAreaChanged, this, &LapChartView::updateTicks);

    setSpans(homeLap_, homeTime_, homeSpeed_);
    applySettings(current_);
}

LapChartView::~LapChartView() {
    zoomAnimation_->stop();
}

QLineSeries* LapChartView::series(int index) const {
    if (index < 0 || index >= LapSeriesCount)
        return nullptr;
    return all_[index];
}

AxisSpan LapChartView::lapSpan() const {
    return {axisLap_->min(), axisLap_->max()};
}

AxisSpan LapChartView::timeSpan() const {
    return {axisTime_->min(), axisTime_->max()};
}

AxisSpan LapChartView::speedSpan() const {
    return {axisSpeed_->min(), axisSpeed_->max()};
}

LapChartData LapChartView::refreshLapChart(const LapTable& table) {
    zoomReset();
    const LapChartData data = buildLapChartData(table);
    // Replacing the whole point list empties and refills each series in one step.
    for (int i = 0; i < LapSeriesCount; ++i)
        all_[i]->replace(data.points[i]);
    homeLap_ = data.lapAxisSpan();
    homeTime_ = data.timeAxisSpan();
    homeSpeed_ = SpeedAxisSpan;
    setSpans(homeLap_, homeTime_, homeSpeed_);
    return data;
}

void LapChartView::clearChartSeries() {
    for (QLineSeries* s : all_)
        s->clear();
}

void LapChartView::zoomReset() {
    zoomAnimation_->stop();
    setSpans(homeLap_, homeTime_, homeSpeed_);
}

void LapChartView::setSpans(const AxisSpan& lap, const AxisSpan& time, const AxisSpan& speed) {
    axisLap_->setRange(lap.min, lap.max);
    axisTime_->setRange(time.min, time.max);
    axisSpeed_->setRange(speed.min, speed.max);
    updateTicks();
}

void LapChartView::updateTicks() {
    const QRectF plot = chart()->plotArea();
    const int lapTicks = std::max(2, int(plot.width()) / LapLabelPixels);
    const int valueTicks = std::max(2, int(plot.height()) / TimeLabelPixels);

    const double lapStep = tickStepFor(lapSpan().length(), lapTicks, 2);
    if (axisLap_->tickInterval() != lapStep)
        axisLap_->setTickInterval(lapStep);
    const double speedStep = tickStepFor(speedSpan().length(), valueTicks, 1);
    if (axisSpeed_->tickInterval() != speedStep)
        axisSpeed_->setTickInterval(speedStep);

    const AxisSpan time = timeSpan();
    const double timeStep = tickStepFor(time.length(), valueTicks, 1000);
    const QList<double> ticks = tickValues(time, timeStep);
    if (ticks == timeTicks_)
        return;
    timeTicks_ = ticks;
    for (const QString& label : axisTime_->categoriesLabels())
        axisTime_->remove(label);
    if (ticks.isEmpty())
        return;
    axisTime_->setStartValue(ticks.first() - timeStep);
    for (double v : ticks)
        axisTime_->append(formatTimeAxisLabel(v), v);
}

QRectF LapChartView::plotRect() const {
    const QRectF scene = chart()->mapRectToScene(chart()->plotArea());
    return QRectF(mapFromScene(scene.topLeft()), mapFromScene(scene.bottomRight()));
}

void LapChartView::zoomToRect(const QRectF& viewRect, bool animated) {
    const QRectF plot = plotRect();
    const QRectF r = viewRect.normalized().intersected(plot);
    if (r.width() < 1 || r.height() < 1)
        return;
    const AxisSpan fromLap = lapSpan(), fromTime = timeSpan(), fromSpeed = speedSpan();
    const AxisSpan toLap =
        spanBetweenPixels(fromLap, plot.left(), plot.width(), r.left(), r.right(), false);
    const AxisSpan toTime =
        spanBetweenPixels(fromTime, plot.top(), plot.height(), r.top(), r.bottom(), true);
    const AxisSpan toSpeed =
        spanBetweenPixels(fromSpeed, plot.top(), plot.height(), r.top(), r.bottom(), true);
    zoomAnimation_->stop();
    if (!animated || zoomAnimationMs_ <= 0) {
        setSpans(toLap, toTime, toSpeed);
        return;
    }
    animateSpansTo(toLap, toTime, toSpeed);
}

void LapChartView::animateSpansTo(const AxisSpan& toLap, const AxisSpan& toTime,
                                  const AxisSpan& toSpeed) {
    const AxisSpan fromLap = lapSpan(), fromTime = timeSpan(), fromSpeed = speedSpan();
    zoomAnimation_->disconnect(this);
    connect(zoomAnimation_, &QVariantAnimation::valueChanged, this, [=, this](const QVariant& v) {
        const double t = v.toDouble();
        setSpans(blendSpans(fromLap, toLap, t), blendSpans(fromTime, toTime, t),
                 blendSpans(fromSpeed, toSpeed, t));
    });
    zoomAnimation_->setDuration(zoomAnimationMs_);
    zoomAnimation_->start();
}

void LapChartView::scrollByPixels(QPointF delta) {
    zoomAnimation_->stop();
    const QRectF plot = plotRect();
    setSpans(scrolledSpan(lapSpan(), plot.width(), delta.x(), false),
             scrolledSpan(timeSpan(), plot.height(), delta.y(), true),
             scrolledSpan(speedSpan(), plot.height(), delta.y(), true));
}

void LapChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        zoomDrag_ = true;
        dragStart_ = event->position();
        band_->setGeometry(QRect(dragStart_.toPoint(), QSize()));
        band_->show();
        event->accept();
    } else if (event->button() == Qt::RightButton) {
        scrollDrag_ = true;
        lastScrollPos_ = event->position();
        event->accept();
    } else {
        QChartView::mousePressEvent(event);
    }
}

void LapChartView::mouseMoveEvent(QMouseEvent* event) {
    if (zoomDrag_) {
        band_->setGeometry(QRect(dragStart_.toPoint(), event->position().toPoint()).normalized());
        event->accept();
    } else if (scrollDrag_) {
        scrollByPixels(event->position() - lastScrollPos_);
        lastScrollPos_ = event->position();
        event->accept();
    } else {
        QChartView::mouseMoveEvent(event);
    }
}

void LapChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (zoomDrag_ && event->button() == Qt::LeftButton) {
        zoomDrag_ = false;
        band_->hide();
        switch (chartDragAction(dragStart_, event->position())) {
        case ChartDrag::ZoomIn:
            zoomToRect(QRectF(dragStart_, event->position()));
            break;
        case ChartDrag::Undo:
            undoZoom();
            break;
        case ChartDrag::None:
            break;
        }
        event->accept();
    } else if (scrollDrag_ && event->button() == Qt::RightButton) {
        scrollDrag_ = false;
        event->accept();
    } else {
        QChartView::mouseReleaseEvent(event);
    }
}

void LapChartView::undoZoom() {
    // Undo animates like the zoom, from the current ranges back to the rebuild's
    // (a rebuild stops the animation before it sets new ones).
    zoomAnimation_->stop();
    if (zoomAnimationMs_ <= 0) {
        zoomReset();
        return;
    }
    animateSpansTo(homeLap_, homeTime_, homeSpeed_);
}

void LapChartView::keyPressEvent(QKeyEvent* event) {
    // A tenth of the plot per arrow key; the content moves as a right-drag would move it.
    const QRectF plot = plotRect();
    const double dx = plot.width() / 10, dy = plot.height() / 10;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) {
        QChartView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        scrollByPixels(QPointF(dx, 0));
        break;
    case Qt::Key_Right:
        scrollByPixels(QPointF(-dx, 0));
        break;
    case Qt::Key_Up:
        scrollByPixels(QPointF(0, dy));
        break;
    case Qt::Key_Down:
        scrollByPixels(QPointF(0, -dy));
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomToRect(plot.adjusted(plot.width() / 4, plot.height() / 4, -plot.width() / 4,
                                 -plot.height() / 4));
        break;
    case Qt::Key_Minus:
        undoZoom();
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LapChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    updateDepthMargins();
}

void LapChartView::applySettings(const ChartViewSettings& settings) {
    current_ = settings;
    updateDepthMargins();
    viewport()->update();
}

int LapChartView::depth() const {
    if (!current_.view3D)
        return 0;
    return depthPixels(current_.depthPercent, viewport()->size());
}

void LapChartView::updateDepthMargins() {
    // The back of the box lies up and to the right of the plot: leave room for it there.
    const int d = depth();
    const QMargins wanted = baseMargins_ + QMargins(0, d, d, 0);
    if (chart()->margins() != wanted)
        chart()->setMargins(wanted);
}

void LapChartView::drawBackground(QPainter* painter, const QRectF& rect) {
    const QColor back = fromBgr(current_.backColor);
    painter->fillRect(rect, back);
    if (depth() > 0)
        draw3D(painter);
}

void LapChartView::draw3D(QPainter* painter) {
    const QColor back = fromBgr(current_.backColor);
    const int d = depth();
    const QPointF offset(d, -d);
    const QRectF front = chart()->mapRectToScene(chart()->plotArea());
    const QRectF rear = front.translated(offset);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(Navy, 1));
    painter->setBrush(back.darker(115));
    painter->drawRect(rear);
    painter->setBrush(back.darker(125));
    painter->drawPolygon(
        QPolygonF{front.topLeft(), rear.topLeft(), rear.bottomLeft(), front.bottomLeft()});
    painter->setBrush(back.darker(140));
    painter->drawPolygon(
        QPolygonF{front.bottomLeft(), rear.bottomLeft(), rear.bottomRight(), front.bottomRight()});

    // Each series runs into the depth as a ribbon in a darker shade of its colour; the series
    // itself draws the front edge on top. The first series ends up in front.
    painter->setClipRect(front.united(rear));
    for (int i = LapSeriesCount - 1; i >= 0; --i) {
        QLineSeries* s = all_[i];
        if (!s->isVisible() || s->count() == 0)
            continue;
        const QList<QPointF> values = s->points();
        QList<QPointF> edge;
        edge.reserve(values.size());
        for (const QPointF& v : values)
            edge.append(chart()->mapToScene(chart()->mapToPosition(v, s)));
        const QColor colour = s->pen().color();
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour.darker(170));
        for (qsizetype k = 0; k + 1 < edge.size(); ++k) {
            painter->drawPolygon(
                QPolygonF{edge[k], edge[k + 1], edge[k + 1] + offset, edge[k] + offset});
        }
        painter->setPen(QPen(colour.darker(130), 1));
        if (edge.size() == 1)
            painter->drawLine(edge.first(), edge.first() + offset);
        else
            painter->drawPolyline(QPolygonF(edge).translated(offset));
    }
    painter->restore();
}
