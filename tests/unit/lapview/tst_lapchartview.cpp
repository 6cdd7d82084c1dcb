// The lap chart widget: series and axes, the rebuild from the grid, messages for bad cells,
// zoom, scroll and reset, background colour and the 3-D view.
#include "laps/lapchartview.h"
#include "support/lapfill.h"
#include "support/scriptedprompts.h"
#include "support/windowcheck.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

namespace {

struct Chart {
    LapTable table;
    LapChartView view;
    explicit Chart(QSize size = {800, 500}) {
        view.resize(size);
        view.setZoomAnimationMs(0);
        view.show();
    }
    QImage grab() {
        QApplication::processEvents();
        return view.grab().toImage();
    }
};

void fillThreeLaps(LapTable& t) {
    t.setCell(1, 2, QStringLiteral(" 01'23\"45"));
    t.setCell(1, 3, QStringLiteral(" 01'22\"10"));
    t.setCell(1, 4, QStringLiteral(" 01'24\"00"));
}

int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int countColour(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour.rgb();
    return n;
}

} // namespace

class TestLapChartView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void seriesAndAxes();
    void threeLapsFixTheTimeAxis();
    void singleSectorLeavesSector1Empty();
    void topSpeedPoints();
    void badCellsShowOneMessageEach();
    void zoomResetRestoresTheRebuildRange();
    void mouseDragZoomsAndUndoes();
    void zoomIsAnimated();
    void rightDragScrolls();
    void clearEmptiesSeriesKeepsAxes();
    void backgroundColour();
    void threeDimensionalViewHasDepth();
    void screenshots();
};

void TestLapChartView::initTestCase() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

void TestLapChartView::seriesAndAxes() {
    Chart c;
    const QStringList titles = {"Lap", "Sector1  ", "Sector2", "Sector3", "Sector4", "Speed"};
    const QList<QColor> colours = {QColor(255, 255, 0), QColor(0, 0, 255), QColor(255, 0, 0),
                                   QColor(0, 255, 0),   QColor(0, 128, 0), QColor(255, 0, 255)};
    QCOMPARE(c.view.chart()->series().size(), 6);
    for (int i = 0; i < LapSeriesCount; ++i) {
        QLineSeries* s = c.view.series(i);
        QCOMPARE(s->name(), titles[i]);
        QCOMPARE(s->pen().color(), colours[i]);
        QCOMPARE(s->pen().width(), 2);
        QVERIFY(!s->pointsVisible());
        QCOMPARE(s->attachedAxes().size(), 2);
        QVERIFY(s->attachedAxes().contains(c.view.lapAxis()));
        QAbstractAxis* value = i == SeriesSpeed ? static_cast<QAbstractAxis*>(c.view.speedAxis())
                                                : static_cast<QAbstractAxis*>(c.view.timeAxis());
        QVERIFY(s->attachedAxes().contains(value));
    }
    QCOMPARE(c.view.chartLap, c.view.series(SeriesLap));
    QCOMPARE(c.view.chartSpeed, c.view.series(SeriesSpeed));
    QCOMPARE(c.view.lapAxis()->titleText(), QStringLiteral("LAP"));
    QCOMPARE(c.view.timeAxis()->titleText(), QStringLiteral("TIME"));
    QCOMPARE(c.view.speedAxis()->titleText(), QStringLiteral("Speed (km/h)"));
    QCOMPARE(c.view.lapAxis()->alignment(), Qt::AlignBottom);
    QCOMPARE(c.view.timeAxis()->alignment(), Qt::AlignLeft);
    QCOMPARE(c.view.speedAxis()->alignment(), Qt::AlignRight);
    QCOMPARE(c.view.speedSpan(), SpeedAxisSpan);
    QCOMPARE(c.view.lapAxis()->gridLineColor(), QColor(0, 0, 128));
    QCOMPARE(c.view.timeAxis()->gridLineColor(), QColor(0, 0, 128));
    QCOMPARE(c.view.speedAxis()->gridLineColor(), QColor(255, 0, 255));
    QCOMPARE(c.view.chart()->legend()->alignment(), Qt::AlignBottom);
    QVERIFY(c.view.chart()->title().isEmpty());
}

void TestLapChartView::threeLapsFixTheTimeAxis() {
    Chart c;
    fillThreeLaps(c.table);
    c.view.refreshLapChart(c.table);
    QCOMPARE(c.view.timeSpan(), (AxisSpan{81100, 85000}));
    QCOMPARE(c.view.lapSpan(), (AxisSpan{1, 3}));
    QCOMPARE(c.view.speedSpan(), SpeedAxisSpan);
    QCOMPARE(c.view.chartLap->points(), (QList<QPointF>{{1, 83450}, {2, 82100}, {3, 84000}}));
    // Labels every second, minutes without a leading zero.
    QCOMPARE(c.view.timeAxis()->categoriesLabels(),
             (QStringList{"1:22:00", "1:23:00", "1:24:00", "1:25:00"}));
    QVERIFY(c.view.lapAxis()->tickInterval() >= 2);
}

void TestLapChartView::singleSectorLeavesSector1Empty() {
    Chart c;
    c.table.sectorCount = 1;
    for (int col = 1; col <= 5; ++col)
        c.table.setCell(col, 2, QStringLiteral(" 00'40\"00"));
    c.view.refreshLapChart(c.table);
    QCOMPARE(c.view.chartSector1->count(), 0);
    QCOMPARE(c.view.chartLap->count(), 1);
    QCOMPARE(c.view.chartSector2->count(), 1);
    QCOMPARE(c.view.chartSector4->count(), 1);
}

void TestLapChartView::topSpeedPoints() {
    Chart c;
    c.table.setCell(6, 2, QString());
    c.table.setCell(6, 3, QStringLiteral("000"));
    c.view.refreshLapChart(c.table);
    QCOMPARE(c.view.chartSpeed->points(), (QList<QPointF>{{2, 0}}));
}

void TestLapChartView::badCellsShowOneMessageEach() {
    // The view tells nobody itself: it hands the bad cells to the window, which says it once.
    Chart c;
    fillThreeLaps(c.table);
    c.table.setCell(1, 5, QStringLiteral(" 01'23\"100"));
    c.table.setCell(4, 9, QStringLiteral(" 01'2x\"00"));
    c.table.setCell(5, 9, QStringLiteral(" 01:23.00")); // another layout: not bad, not charted
    const LapChartData data = c.view.refreshLapChart(c.table);
    QCOMPARE(data.errors, (QStringList{QStringLiteral("Invalid argument to time encode"),
                                       QStringLiteral("'2x' is not a valid integer value")}));
    QCOMPARE(data.errorCells, (QList<QPoint>{{1, 5}, {4, 9}}));
    // The rebuild went on: the good cells are charted.
    QCOMPARE(c.view.chartLap->count(), 3);
}

void TestLapChartView::zoomResetRestoresTheRebuildRange() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    lapfill::fillLaps(c.table, 40);
    c.view.refreshLapChart(c.table);
    const AxisSpan lap = c.view.lapSpan(), time = c.view.timeSpan();
    QCOMPARE(lap, (AxisSpan{1, 40}));
    const QRectF plot = c.view.plotRect();
    c.view.zoomToRect(QRectF(plot.center(), plot.bottomRight()), false);
    QVERIFY(c.view.lapSpan().length() < lap.length() * 0.6);
    QVERIFY(c.view.timeSpan().length() < time.length() * 0.6);
    c.view.scrollByPixels(QPointF(40, -25));
    QVERIFY(c.view.lapSpan() != lap);
    c.view.zoomReset();
    QCOMPARE(c.view.lapSpan(), lap);
    QCOMPARE(c.view.timeSpan(), time); // the rebuild's fixed range, not an automatic one
    QCOMPARE(c.view.speedSpan(), SpeedAxisSpan);

    // A new rebuild first undoes a zoom, then fixes its own range.
    c.view.zoomToRect(QRectF(plot.topLeft(), plot.center()), false);
    fillThreeLaps(c.table);
    c.table.sectorCount = 1;
    for (int row = 2; row < LapTable::RowCount; ++row) {
        for (int col = 2; col <= 6; ++col)
            c.table.setCell(col, row, QString());
        if (row > 4)
            c.table.setCell(1, row, QString());
    }
    c.view.refreshLapChart(c.table);
    QCOMPARE(c.view.timeSpan(), (AxisSpan{81100, 85000}));
    c.view.scrollByPixels(QPointF(0, 30));
    c.view.zoomReset();
    QCOMPARE(c.view.timeSpan(), (AxisSpan{81100, 85000}));
}

void TestLapChartView::mouseDragZoomsAndUndoes() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    lapfill::fillLaps(c.table, 60);
    c.view.refreshLapChart(c.table);
    const AxisSpan lap = c.view.lapSpan(), time = c.view.timeSpan();
    const QRectF plot = c.view.plotRect();
    const QPoint from = (plot.topLeft() + QPointF(plot.width() / 4, plot.height() / 4)).toPoint();
    const QPoint to = plot.center().toPoint();
    auto drag = [&c](QPoint a, QPoint b, Qt::MouseButton button) {
        QTest::mousePress(c.view.viewport(), button, {}, a);
        QMouseEvent move(QEvent::MouseMove, QPointF(b), c.view.viewport()->mapToGlobal(QPointF(b)),
                         Qt::NoButton, button, Qt::NoModifier);
        QApplication::sendEvent(c.view.viewport(), &move);
        QTest::mouseRelease(c.view.viewport(), button, {}, b);
    };
    drag(from, to, Qt::LeftButton);
    // A quarter of the plot each way: laps 1..60 become about 15.75..30.5.
    QCOMPARE(qRound(c.view.lapSpan().length()), qRound(lap.length() / 4));
    QVERIFY(c.view.lapSpan().min > lap.min);
    QVERIFY(c.view.timeSpan().length() < time.length() / 3);
    drag(to, from, Qt::LeftButton); // back up and left: undo
    QCOMPARE(c.view.lapSpan(), lap);
    QCOMPARE(c.view.timeSpan(), time);
    drag(from, from + QPoint(1, 1), Qt::LeftButton); // a click changes nothing
    QCOMPARE(c.view.lapSpan(), lap);
}

void TestLapChartView::zoomIsAnimated() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    lapfill::fillLaps(c.table, 60);
    c.view.refreshLapChart(c.table);
    c.view.setZoomAnimationMs(200);
    const AxisSpan lap = c.view.lapSpan();
    const QRectF plot = c.view.plotRect();
    c.view.zoomToRect(QRectF(plot.center(), plot.bottomRight()));
    QCOMPARE(c.view.lapSpan(), lap); // nothing moved yet
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(c.view.lapSpan().length() - lap.length() / 2) < 0.01, 10000);
}

void TestLapChartView::rightDragScrolls() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    lapfill::fillLaps(c.table, 60);
    c.view.refreshLapChart(c.table);
    const AxisSpan lap = c.view.lapSpan(), speed = c.view.speedSpan();
    const QPoint start = c.view.plotRect().center().toPoint();
    const QPoint end = start + QPoint(int(c.view.plotRect().width() / 10), 0);
    QTest::mousePress(c.view.viewport(), Qt::RightButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(end), c.view.viewport()->mapToGlobal(QPointF(end)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(c.view.viewport(), &move);
    QTest::mouseRelease(c.view.viewport(), Qt::RightButton, {}, end);
    // Dragging right shows lower laps, by the part of the plot width dragged over.
    const double shift = (end.x() - start.x()) / c.view.plotRect().width() * lap.length();
    QCOMPARE(qRound(c.view.lapSpan().min * 100), qRound((lap.min - shift) * 100));
    QCOMPARE(c.view.lapSpan().length(), lap.length());
    QCOMPARE(c.view.speedSpan(), speed); // no vertical movement
}

void TestLapChartView::clearEmptiesSeriesKeepsAxes() {
    Chart c;
    lapfill::fillLaps(c.table, 30);
    c.view.refreshLapChart(c.table);
    const AxisSpan time = c.view.timeSpan();
    c.view.clearChartSeries();
    for (int i = 0; i < LapSeriesCount; ++i)
        QCOMPARE(c.view.series(i)->count(), 0);
    QCOMPARE(c.view.timeSpan(), time);
}

void TestLapChartView::backgroundColour() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    QCOMPARE(c.view.settings().backColor, ChartViewSettings::defaultBackColor);
    QCOMPARE(c.grab().pixelColor(3, 3), QColor(95, 102, 252));
    ChartViewSettings s;
    s.backColor = 0x00336699; // 0x00BBGGRR
    c.view.applySettings(s);
    QCOMPARE(c.grab().pixelColor(3, 3), QColor(0x99, 0x66, 0x33));
    QCOMPARE(c.view.settings().backColor, 0x00336699u);
}

void TestLapChartView::threeDimensionalViewHasDepth() {
    Chart c;
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    fillThreeLaps(c.table);
    c.view.refreshLapChart(c.table);
    const QImage flat = c.grab();
    QCOMPARE(c.view.depth(), 0);

    auto render3D = [&c](int percent) {
        ChartViewSettings s;
        s.view3D = true;
        s.depthPercent = percent;
        c.view.applySettings(s);
        return c.grab();
    };
    const QImage shallow = render3D(5);
    const int shallowDepth = c.view.depth();
    const QImage deep = render3D(30);
    const int deepDepth = c.view.depth();
    QVERIFY(shallowDepth > 0);
    QVERIFY(deepDepth > 2 * shallowDepth);
    QCOMPARE(c.view.settings().depthPercent, 30);
    QVERIFY(differingPixels(flat, shallow) > 0);
    // The floor of the box, between the front and the back bottom edges, grows with the depth.
    const QColor floor = QColor(95, 102, 252).darker(140);
    const int flatFloor = countColour(flat, floor), shallowFloor = countColour(shallow, floor),
              deepFloor = countColour(deep, floor);
    QCOMPARE(flatFloor, 0);
    QVERIFY2(shallowFloor > 1000,
             qPrintable(QStringLiteral("%1 %2").arg(shallowFloor).arg(deepFloor)));
    QVERIFY2(deepFloor > 3 * shallowFloor,
             qPrintable(QStringLiteral("%1 %2").arg(deepFloor).arg(shallowFloor)));

    // The lap series runs back as a ribbon: halfway into the depth above its first segment
    // lies the ribbon's darker yellow.
    const QPointF a = c.view.chart()->mapToPosition(c.view.chartLap->at(0), c.view.chartLap);
    const QPointF b = c.view.chart()->mapToPosition(c.view.chartLap->at(1), c.view.chartLap);
    const QPointF inRibbon = (a + b) / 2 + QPointF(deepDepth / 2.0, -deepDepth / 2.0);
    const QColor ribbon = deep.pixelColor(c.view.mapFromScene(inRibbon));
    QCOMPARE(ribbon, QColor(255, 255, 0).darker(170));

    // 2-D again draws as before.
    ChartViewSettings off;
    c.view.applySettings(off);
    QCOMPARE(c.view.depth(), 0);
    QCOMPARE(differingPixels(flat, c.grab()), 0);
}

void TestLapChartView::screenshots() {
    Chart c({900, 560});
    QVERIFY(QTest::qWaitForWindowExposed(&c.view));
    lapfill::fillLaps(c.table);
    c.view.refreshLapChart(c.table);
    c.grab().save(windowcheck::screenshotPath(QStringLiteral("lapchart_2d")));
    ChartViewSettings s;
    s.view3D = true;
    s.depthPercent = 15;
    c.view.applySettings(s);
    c.grab().save(windowcheck::screenshotPath(QStringLiteral("lapchart_3d")));
    const QRectF plot = c.view.plotRect();
    c.view.zoomToRect(QRectF(plot.topLeft() + QPointF(plot.width() * 0.4, 0),
                             QSizeF(plot.width() * 0.2, plot.height() * 0.5)),
                      false);
    c.grab().save(windowcheck::screenshotPath(QStringLiteral("lapchart_3d_zoomed")));
}

QTEST_MAIN(TestLapChartView)
#include "tst_lapchartview.moc"
