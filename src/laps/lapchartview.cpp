#include "laps/lapchartview.h"

#include "windows/prompts.h"
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

    axisLap = new QValueAxis;
    axisLap->setTitleText(QStringLiteral("LAP"));
    axisLap->setLabelFormat(QStringLiteral("%d"));
    axisLap->setTickType(QValueAxis::TicksDynamic);
    axisLap->setTickAnchor(0);
    axisLap->setMinorGridLineVisible(false);
    axisLap->setGridLineColor(Navy);

    axisTime = new QCategoryAxis;
    axisTime->setTitleText(QStringLiteral("TIME"));
    axisTime->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axisTime->setMinorGridLineVisible(false);
    axisTime->setGridLineColor(Navy);

    axisSpeed = new QValueAxis;
    axisSpeed->setTitleText(QStringLiteral("Speed (km/h)"));
    axisSpeed->setLabelFormat(QStringLiteral("%d"));
    axisSpeed->setTickType(QValueAxis::TicksDynamic);
    axisSpeed->setTickAnchor(0);
    axisSpeed->setMinorGridLineVisible(false);
    axisSpeed->setGridLineColor(Fuchsia);

    c->addAxis(axisLap, Qt::AlignBottom);
    c->addAxis(axisTime, Qt::AlignLeft);
    c->addAxis(axisSpeed, Qt::AlignRight);

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
        s->attachAxis(axisLap);
        s->attachAxis(i == SeriesSpeed ? static_cast<QAbstractAxis*>(axisSpeed)
                                       : static_cast<QAbstractAxis*>(axisTime));
        all[i] = s;
    }
    chartLap = all[SeriesLap];
    chartSector1 = all[SeriesSector1];
    chartSector2 = all[SeriesSector2];
    chartSector3 = all[SeriesSector3];
    chartSector4 = all[SeriesSector4];
    chartSpeed = all[SeriesSpeed];

    setRubberBand(QChartView::NoRubberBand);
    setRenderHint(QPainter::Antialiasing, true);
    baseMargins = c->margins();

    band = new QRubberBand(QRubberBand::Rectangle, viewport());
    band->hide();
    zoomAnimation = new QVariantAnimation(this);
    zoomAnimation->setStartValue(0.0);
    zoomAnimation->setEndValue(1.0);

    connect(axisLap, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(axisTime, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(axisSpeed, &QValueAxis::rangeChanged, this, &LapChartView::updateTicks);
    connect(c, &QChart::plotAreaChanged, this, &LapChartView::updateTicks);

    setSpans(homeLap, homeTime, homeSpeed);
    applySettings(current);
}

LapChartView::~LapChartView() {
    zoomAnimation->stop();
}

QLineSeries* LapChartView::series(int index) const {
    if (index < 0 || index >= LapSeriesCount)
        return nullptr;
    return all[index];
}

AxisSpan LapChartView::lapSpan() const {
    return {axisLap->min(), axisLap->max()};
}

AxisSpan LapChartView::timeSpan() const {
    return {axisTime->min(), axisTime->max()};
}

AxisSpan LapChartView::speedSpan() const {
    return {axisSpeed->min(), axisSpeed->max()};
}

QStringList LapChartView::refreshLapChart(const LapTable& table) {
    zoomReset();
    const LapChartData data = buildLapChartData(table);
    // Replacing the whole point list empties and refills each series in one step.
    for (int i = 0; i < LapSeriesCount; ++i)
        all[i]->replace(data.points[i]);
    homeLap = data.lapAxisSpan();
    homeTime = data.timeAxisSpan();
    homeSpeed = SpeedAxisSpan;
    setSpans(homeLap, homeTime, homeSpeed);
    if (msgs) {
        for (const QString& error : data.errors)
            msgs->message(error, QStringLiteral("読み込み不可"), Prompts::Icon::Error);
    }
    return data.errors;
}

void LapChartView::clearChartSeries() {
    for (QLineSeries* s : all)
        s->clear();
}

void LapChartView::zoomReset() {
    zoomAnimation->stop();
    setSpans(homeLap, homeTime, homeSpeed);
}

void LapChartView::setSpans(const AxisSpan& lap, const AxisSpan& time, const AxisSpan& speed) {
    axisLap->setRange(lap.min, lap.max);
    axisTime->setRange(time.min, time.max);
    axisSpeed->setRange(speed.min, speed.max);
    updateTicks();
}

void LapChartView::updateTicks() {
    const QRectF plot = chart()->plotArea();
    const int lapTicks = std::max(2, int(plot.width()) / LapLabelPixels);
    const int valueTicks = std::max(2, int(plot.height()) / TimeLabelPixels);

    const double lapStep = tickStepFor(lapSpan().length(), lapTicks, 2);
    if (axisLap->tickInterval() != lapStep)
        axisLap->setTickInterval(lapStep);
    const double speedStep = tickStepFor(speedSpan().length(), valueTicks, 1);
    if (axisSpeed->tickInterval() != speedStep)
        axisSpeed->setTickInterval(speedStep);

    const AxisSpan time = timeSpan();
    const double timeStep = tickStepFor(time.length(), valueTicks, 1000);
    const QList<double> ticks = tickValues(time, timeStep);
    if (ticks == timeTicks)
        return;
    timeTicks = ticks;
    for (const QString& label : axisTime->categoriesLabels())
        axisTime->remove(label);
    if (ticks.isEmpty())
        return;
    axisTime->setStartValue(ticks.first() - timeStep);
    for (double v : ticks)
        axisTime->append(formatTimeAxisLabel(v), v);
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
    zoomAnimation->stop();
    if (!animated || zoomAnimationMs <= 0) {
        setSpans(toLap, toTime, toSpeed);
        return;
    }
    zoomAnimation->disconnect(this);
    connect(zoomAnimation, &QVariantAnimation::valueChanged, this, [=, this](const QVariant& v) {
        const double t = v.toDouble();
        setSpans(blendSpans(fromLap, toLap, t), blendSpans(fromTime, toTime, t),
                 blendSpans(fromSpeed, toSpeed, t));
    });
    zoomAnimation->setDuration(zoomAnimationMs);
    zoomAnimation->start();
}

void LapChartView::scrollByPixels(QPointF delta) {
    zoomAnimation->stop();
    const QRectF plot = plotRect();
    setSpans(scrolledSpan(lapSpan(), plot.width(), delta.x(), false),
             scrolledSpan(timeSpan(), plot.height(), delta.y(), true),
             scrolledSpan(speedSpan(), plot.height(), delta.y(), true));
}

void LapChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        zoomDrag = true;
        dragStart = event->position();
        band->setGeometry(QRect(dragStart.toPoint(), QSize()));
        band->show();
        event->accept();
    } else if (event->button() == Qt::RightButton) {
        scrollDrag = true;
        lastScrollPos = event->position();
        event->accept();
    } else {
        QChartView::mousePressEvent(event);
    }
}

void LapChartView::mouseMoveEvent(QMouseEvent* event) {
    if (zoomDrag) {
        band->setGeometry(QRect(dragStart.toPoint(), event->position().toPoint()).normalized());
        event->accept();
    } else if (scrollDrag) {
        scrollByPixels(event->position() - lastScrollPos);
        lastScrollPos = event->position();
        event->accept();
    } else {
        QChartView::mouseMoveEvent(event);
    }
}

void LapChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (zoomDrag && event->button() == Qt::LeftButton) {
        zoomDrag = false;
        band->hide();
        switch (chartDragAction(dragStart, event->position())) {
        case ChartDrag::ZoomIn:
            zoomToRect(QRectF(dragStart, event->position()));
            break;
        case ChartDrag::Undo:
            undoZoom();
            break;
        case ChartDrag::None:
            break;
        }
        event->accept();
    } else if (scrollDrag && event->button() == Qt::RightButton) {
        scrollDrag = false;
        event->accept();
    } else {
        QChartView::mouseReleaseEvent(event);
    }
}

void LapChartView::undoZoom() {
    // Undo animates like the zoom, from the current ranges back to the rebuild's.
    const AxisSpan fromLap = lapSpan(), fromTime = timeSpan(), fromSpeed = speedSpan();
    zoomAnimation->stop();
    if (zoomAnimationMs <= 0) {
        zoomReset();
        return;
    }
    zoomAnimation->disconnect(this);
    connect(zoomAnimation, &QVariantAnimation::valueChanged, this, [=, this](const QVariant& v) {
        const double t = v.toDouble();
        setSpans(blendSpans(fromLap, homeLap, t), blendSpans(fromTime, homeTime, t),
                 blendSpans(fromSpeed, homeSpeed, t));
    });
    zoomAnimation->setDuration(zoomAnimationMs);
    zoomAnimation->start();
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
    current = settings;
    updateDepthMargins();
    viewport()->update();
}

int LapChartView::depth() const {
    if (!current.view3D)
        return 0;
    return depthPixels(current.depthPercent, viewport()->size());
}

void LapChartView::updateDepthMargins() {
    // The back of the box lies up and to the right of the plot: leave room for it there.
    const int d = depth();
    const QMargins wanted = baseMargins + QMargins(0, d, d, 0);
    if (chart()->margins() != wanted)
        chart()->setMargins(wanted);
}

void LapChartView::drawBackground(QPainter* painter, const QRectF& rect) {
    const QColor back = fromBgr(current.backColor);
    painter->fillRect(rect, back);
    if (depth() > 0)
        draw3D(painter);
}

void LapChartView::draw3D(QPainter* painter) {
    const QColor back = fromBgr(current.backColor);
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
        QLineSeries* s = all[i];
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
