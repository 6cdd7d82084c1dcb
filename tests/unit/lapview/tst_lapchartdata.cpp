// Rebuilding the chart from the grid cells: time cells, speed cells, the axis ranges, the time
// labels and the pixel arithmetic of zoom, scroll and 3-D depth.
#include "laps/badtimecells.h"
#include "laps/lapchartdata.h"
#include "laps/laptable.h"

#include <QTest>

class TestLapChartData : public QObject {
    Q_OBJECT

private slots:
    void timeCell_data();
    void timeCell();
    void topSpeedCell_data();
    void topSpeedCell();
    void threeLapsGiveRangeOneSecondBeyond();
    void singleSectorLeavesSector1Empty();
    void twoSectorsChartSector1();
    void emptyTopSpeedAddsNoPointZeroAddsOne();
    void badCellsReportedOnceEachAndSkipped();
    void badCellsToldOnceByName();
    void pointsInLapOrderWithLapAsX();
    void noTimesGiveTheEmptyRange();
    void singleLapWidensLapRange();
    void timeLabel_data();
    void timeLabel();
    void tickSteps_data();
    void tickSteps();
    void ticksStayOnMultiples();
    void dragAction_data();
    void dragAction();
    void zoomAndScrollSpans();
    void depthGrowsWithPercent();
};

void TestLapChartData::timeCell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("error");
    using K = LapTimeCell::Kind;
    const QString badTime = QStringLiteral("Invalid argument to time encode");
    QTest::newRow("decoder cell") << " 01'23\"45" << int(K::Time) << 83450.0 << "";
    QTest::newRow("file cell") << "01'23\"45" << int(K::Time) << 83450.0 << "";
    QTest::newRow("short parts") << "1'2\"3" << int(K::Time) << 62030.0 << "";
    QTest::newRow("controls around") << "\t 00'59\"99\r\n" << int(K::Time) << 59990.0 << "";
    QTest::newRow("largest count") << " 10'55\"35" << int(K::Time) << 655350.0 << "";
    QTest::newRow("empty") << "" << int(K::NotATime) << 0.0 << "";
    QTest::newRow("colons") << "1:23.45" << int(K::NotATime) << 0.0 << "";
    QTest::newRow("no quote") << "1'23" << int(K::NotATime) << 0.0 << "";
    QTest::newRow("no apostrophe") << "1\"23" << int(K::NotATime) << 0.0 << "";
    QTest::newRow("hundredths 100") << " 01'23\"100" << int(K::Malformed) << 0.0 << badTime;
    QTest::newRow("seconds 60") << " 01'60\"00" << int(K::Malformed) << 0.0 << badTime;
    QTest::newRow("minutes 60") << " 60'00\"00" << int(K::Malformed) << 0.0 << badTime;
    QTest::newRow("negative") << "-1'23\"45" << int(K::Malformed) << 0.0 << badTime;
    QTest::newRow("letters") << "a'23\"45" << int(K::Malformed) << 0.0
                             << "'a' is not a valid integer value";
    QTest::newRow("empty seconds")
        << "01'\"45" << int(K::Malformed) << 0.0 << "'' is not a valid integer value";
    QTest::newRow("empty hundredths")
        << "01'23\"" << int(K::Malformed) << 0.0 << "'' is not a valid integer value";
    QTest::newRow("quote first") << "01\"23'45" << int(K::Malformed) << 0.0
                                 << "'01\"23' is not a valid integer value";
    QTest::newRow("quote before apostrophe")
        << "1\"2'3" << int(K::Malformed) << 0.0 << "'1\"2' is not a valid integer value";
    QTest::newRow("inner blank") << "01 '23\"45" << int(K::Malformed) << 0.0
                                 << "'01 ' is not a valid integer value";
    QTest::newRow("huge") << "99999999999'00\"00" << int(K::Malformed) << 0.0
                          << "'99999999999' is not a valid integer value";
}

void TestLapChartData::timeCell() {
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(double, ms);
    QFETCH(QString, error);
    const LapTimeCell cell = parseLapTimeCell(text);
    QCOMPARE(int(cell.kind), kind);
    if (cell.kind == LapTimeCell::Kind::Time)
        QCOMPARE(cell.ms, ms);
    QCOMPARE(cell.error, error);
}

void TestLapChartData::topSpeedCell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("speed"); // -1: no point
    QTest::newRow("decoder") << "098" << 98;
    QTest::newRow("zero") << "000" << 0;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("text") << "abc" << -1;
    QTest::newRow("blanks") << " 245 " << 245;
    QTest::newRow("sentinel") << "99999" << -1;
    QTest::newRow("below sentinel") << "99998" << 99998;
    QTest::newRow("decimal") << "245.5" << -1;
}

void TestLapChartData::topSpeedCell() {
    QFETCH(QString, text);
    QFETCH(int, speed);
    const std::optional<int> got = parseTopSpeedCell(text);
    QCOMPARE(got.value_or(-1), speed);
}

void TestLapChartData::threeLapsGiveRangeOneSecondBeyond() {
    LapTable table;
    table.setCell(1, 2, QStringLiteral(" 01'23\"45"));
    table.setCell(1, 3, QStringLiteral(" 01'22\"10"));
    table.setCell(1, 4, QStringLiteral(" 01'24\"00"));
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.points[SeriesLap].size(), 3);
    // 1'21"10 to 1'25"00.
    QCOMPARE(data.timeAxisSpan(), (AxisSpan{81100, 85000}));
    QCOMPARE(formatTimeAxisLabel(data.timeAxisSpan().min), QStringLiteral("1:21:100"));
    QCOMPARE(formatTimeAxisLabel(data.timeAxisSpan().max), QStringLiteral("1:25:00"));
    QCOMPARE(data.lapAxisSpan(), (AxisSpan{1, 3}));
    for (int s = SeriesSector1; s < LapSeriesCount; ++s)
        QVERIFY(data.points[s].isEmpty());
}

void TestLapChartData::singleSectorLeavesSector1Empty() {
    LapTable table;
    table.sectorCount = 1;
    for (int col = 1; col <= 5; ++col)
        table.setCell(col, 2, QStringLiteral(" 00'3%1\"00").arg(col));
    const LapChartData data = buildLapChartData(table);
    QVERIFY(data.points[SeriesSector1].isEmpty());
    QCOMPARE(data.points[SeriesLap], (QList<QPointF>{{1, 31000}}));
    QCOMPARE(data.points[SeriesSector2], (QList<QPointF>{{1, 33000}}));
    QCOMPARE(data.points[SeriesSector3], (QList<QPointF>{{1, 34000}}));
    QCOMPARE(data.points[SeriesSector4], (QList<QPointF>{{1, 35000}}));
    // The skipped column takes no part in the range either.
    QCOMPARE(data.timeAxisSpan(), (AxisSpan{30000, 36000}));
}

void TestLapChartData::twoSectorsChartSector1() {
    LapTable table;
    table.sectorCount = 2;
    table.setCell(2, 5, QStringLiteral(" 00'40\"00"));
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.points[SeriesSector1], (QList<QPointF>{{4, 40000}}));
}

void TestLapChartData::emptyTopSpeedAddsNoPointZeroAddsOne() {
    LapTable table;
    table.setCell(6, 2, QString());
    table.setCell(6, 3, QStringLiteral("000"));
    table.setCell(6, 4, QStringLiteral("245"));
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.points[SeriesSpeed], (QList<QPointF>{{2, 0}, {3, 245}}));
    QVERIFY(!data.timeExtent);
    QCOMPARE(data.lapAxisSpan(), (AxisSpan{2, 3}));
}

void TestLapChartData::badCellsReportedOnceEachAndSkipped() {
    LapTable table;
    table.setCell(1, 2, QStringLiteral(" 01'23\"100"));
    table.setCell(1, 3, QStringLiteral(" 01'23\"45"));
    table.setCell(1, 4, QStringLiteral("1:23.45")); // another layout: silent
    table.setCell(3, 2, QStringLiteral(" x'23\"45"));
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.errors, (QStringList{QStringLiteral("Invalid argument to time encode"),
                                       QStringLiteral("'x' is not a valid integer value")}));
    QCOMPARE(data.points[SeriesLap], (QList<QPointF>{{2, 83450}}));
    QVERIFY(data.points[SeriesSector2].isEmpty());
    QCOMPARE(data.errorCells, (QList<QPoint>{{1, 2}, {3, 2}}));
}

// Every live lap rebuilds the chart: bad cells are told in one message, by name, and only
// once, until the grid is reset for other laps.
void TestLapChartData::badCellsToldOnceByName() {
    LapTable table;
    table.resetLapGrid();
    for (int lap = 1; lap <= 7; ++lap)
        table.setCell(LapTable::ColTime, LapTable::rowOfLap(lap), QStringLiteral(" 01'23\"1x"));
    table.setCell(LapTable::sectorColumn(1), LapTable::rowOfLap(2), QStringLiteral(" 00'61\"00"));
    BadTimeCellNotice notice;
    const QString told = notice.take(buildLapChartData(table), table);
    const QString notInteger = QStringLiteral("'1x' is not a valid integer value");
    QCOMPARE(told, QStringLiteral("グラフに表示できないタイムが8件あります。\r\n"
                                  "1周目 タイム: %1\r\n2周目 タイム: %1\r\n3周目 タイム: %1\r\n"
                                  "4周目 タイム: %1\r\n5周目 タイム: %1\r\n…ほか3件")
                       .arg(notInteger));
    QCOMPARE(notice.take(buildLapChartData(table), table), QString());
    // A cell that changes is news; the others stay told.
    table.setCell(LapTable::ColTime, LapTable::rowOfLap(3), QStringLiteral(" 01'23\"2x"));
    QCOMPARE(notice.take(buildLapChartData(table), table),
             QStringLiteral("グラフに表示できないタイムが1件あります。\r\n"
                            "3周目 タイム: '2x' is not a valid integer value"));
    notice.forget();
    QVERIFY(notice.take(buildLapChartData(table), table)
                .startsWith(QStringLiteral("グラフに表示できないタイムが8件あります。")));
}

void TestLapChartData::pointsInLapOrderWithLapAsX() {
    LapTable table;
    table.setCell(1, 301, QStringLiteral(" 02'00\"00"));
    table.setCell(1, 2, QStringLiteral(" 01'00\"00"));
    table.setCell(1, 0, QStringLiteral(" 09'00\"00")); // the summary and heading rows are no laps
    table.setCell(6, 1, QStringLiteral("100"));
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.points[SeriesLap], (QList<QPointF>{{1, 60000}, {300, 120000}}));
    QVERIFY(data.points[SeriesSpeed].isEmpty());
}

void TestLapChartData::noTimesGiveTheEmptyRange() {
    LapTable table;
    const LapChartData data = buildLapChartData(table);
    QCOMPARE(data.timeAxisSpan(), EmptyTimeAxisSpan);
    QCOMPARE(data.lapAxisSpan(), EmptyLapAxisSpan);
}

void TestLapChartData::singleLapWidensLapRange() {
    LapTable table;
    table.setCell(1, 6, QStringLiteral(" 01'00\"00"));
    QCOMPARE(buildLapChartData(table).lapAxisSpan(), (AxisSpan{4, 6}));
}

void TestLapChartData::timeLabel_data() {
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("label");
    QTest::newRow("zero") << 0.0 << "0:00:00";
    QTest::newRow("5 ms") << 5.0 << "0:00:05";
    QTest::newRow("lap") << 83450.0 << "1:23:450";
    QTest::newRow("whole second") << 61000.0 << "1:01:00";
    QTest::newRow("ten minutes") << 600000.0 << "10:00:00";
    QTest::newRow("rounded") << 81099.6 << "1:21:100";
}

void TestLapChartData::timeLabel() {
    QFETCH(double, ms);
    QFETCH(QString, label);
    QCOMPARE(formatTimeAxisLabel(ms), label);
}

void TestLapChartData::tickSteps_data() {
    QTest::addColumn<double>("span");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<double>("minStep");
    QTest::addColumn<double>("step");
    QTest::newRow("4 s of time") << 3900.0 << 10 << 1000.0 << 1000.0;
    QTest::newRow("zoomed below a second") << 300.0 << 10 << 1000.0 << 1000.0;
    QTest::newRow("5 minutes") << 300000.0 << 10 << 1000.0 << 50000.0;
    QTest::newRow("300 laps") << 299.0 << 10 << 2.0 << 40.0;
    QTest::newRow("3 laps") << 2.0 << 10 << 2.0 << 2.0;
    QTest::newRow("speed") << 330.0 << 12 << 1.0 << 50.0;
}

void TestLapChartData::tickSteps() {
    QFETCH(double, span);
    QFETCH(int, maxTicks);
    QFETCH(double, minStep);
    QFETCH(double, step);
    QCOMPARE(tickStepFor(span, maxTicks, minStep), step);
}

void TestLapChartData::ticksStayOnMultiples() {
    QCOMPARE(tickValues({81100, 85000}, 1000), (QList<double>{82000, 83000, 84000, 85000}));
    QCOMPARE(tickValues({-1500, 1000}, 1000), (QList<double>{0, 1000}));
    QVERIFY(tickValues({0, 1e9}, 1).isEmpty()); // never thousands of labels
}

void TestLapChartData::dragAction_data() {
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<int>("action");
    QTest::newRow("upper left to lower right")
        << QPointF(10, 10) << QPointF(100, 80) << int(ChartDrag::ZoomIn);
    QTest::newRow("lower right to upper left")
        << QPointF(100, 80) << QPointF(10, 10) << int(ChartDrag::Undo);
    QTest::newRow("to lower left") << QPointF(100, 10) << QPointF(10, 80) << int(ChartDrag::Undo);
    QTest::newRow("click") << QPointF(50, 50) << QPointF(51, 52) << int(ChartDrag::None);
    QTest::newRow("flat to the right")
        << QPointF(10, 50) << QPointF(200, 51) << int(ChartDrag::None);
}

void TestLapChartData::dragAction() {
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(int, action);
    QCOMPARE(int(chartDragAction(from, to)), action);
}

void TestLapChartData::zoomAndScrollSpans() {
    // A plot 200 px wide from x = 50 showing laps 0..100: pixels 100..150 are laps 25..50.
    QCOMPARE(spanBetweenPixels({0, 100}, 50, 200, 150, 100, false), (AxisSpan{25, 50}));
    // Vertical axes grow upwards: the top quarter of 0..330 from y = 0 over 330 px.
    QCOMPARE(spanBetweenPixels({0, 330}, 0, 330, 0, 82.5, true), (AxisSpan{247.5, 330}));
    // Outside the plot counts as its edge.
    QCOMPARE(spanBetweenPixels({0, 100}, 0, 100, -50, 500, false), (AxisSpan{0, 100}));
    // Dragging right by a tenth of the plot shows lower laps; dragging down higher values.
    QCOMPARE(scrolledSpan({10, 20}, 100, 10, false), (AxisSpan{9, 19}));
    QCOMPARE(scrolledSpan({0, 330}, 330, 33, true), (AxisSpan{33, 363}));
    QCOMPARE(blendSpans({0, 10}, {10, 30}, 0.5), (AxisSpan{5, 20}));
}

void TestLapChartData::depthGrowsWithPercent() {
    const QSize size(600, 400);
    QCOMPARE(depthPixels(5, size), 10);
    QCOMPARE(depthPixels(30, size), 60);
    QCOMPARE(depthPixels(100, size), 200);
    QCOMPARE(depthPixels(0, size), depthPixels(1, size)); // kept within 1..100
    QCOMPARE(depthPixels(5000, size), depthPixels(100, size));
    QCOMPARE(depthPixels(50, QSize(-5, 10)), 0);
}

QTEST_GUILESS_MAIN(TestLapChartData)
#include "tst_lapchartdata.moc"
