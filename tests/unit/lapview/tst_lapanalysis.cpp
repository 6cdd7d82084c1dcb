// The analysis of a small session worked out by hand: six laps of three sectors, lap 3 with an
// empty sector 2 cell, lap 6 with an unreadable lap time and top speed.
//
//   lap  time      S1     S2     S3     speed
//   1    1'23"50   30.00  25.50  28.00  150
//   2    1'22"90   29.80  25.20  27.90  155
//   3    1'24"00   30.10  --     28.10  148
//   4    1'23"00   29.90  25.40  27.70  160
//   5    1'32"00   33.00  28.00  31.00  140
//   6    1'2x"00   31.00  26.00  29.00  abc
//
// Sector bests 29.80 (lap 2), 25.20 (lap 2), 27.70 (lap 4): theoretical best 82.70, 0.20 under
// the best lap 82.90 (lap 2). At 107 % (88.703 s) laps 1-4 are clean: mean 83.35, spread 1.10,
// deviations +0.15 -0.45 +0.65 -0.35, squares 0.77 / 4 = 0.1925, standard deviation 0.43875.
// At 112 % (92.848 s) lap 5 joins: mean 85.08, spread 9.10, squares 60.628 / 5 = 12.1256,
// standard deviation 3.48219.
#include "laps/lapanalysis.h"
#include "laps/lapanalysistext.h"
#include "laps/laptable.h"

#include <QTest>

namespace {

void fillSession(LapTable& table) {
    const char* rows[6][5] = {
        {" 01'23\"50", " 00'30\"00", " 00'25\"50", " 00'28\"00", "150"},
        {" 01'22\"90", " 00'29\"80", " 00'25\"20", " 00'27\"90", "155"},
        {" 01'24\"00", " 00'30\"10", "", " 00'28\"10", "148"},
        {"01'23\"00", "00'29\"90", "00'25\"40", "00'27\"70", "160"}, // as a file holds them
        {" 01'32\"00", " 00'33\"00", " 00'28\"00", " 00'31\"00", "140"},
        {" 01'2x\"00", " 00'31\"00", " 00'26\"00", " 00'29\"00", "abc"},
    };
    table.sectorCount = 3;
    for (int lap = 1; lap <= 6; ++lap) {
        const int row = LapTable::rowOfLap(lap);
        table.setCell(LapTable::ColTime, row, QString::fromUtf8(rows[lap - 1][0]));
        for (int s = 0; s < 3; ++s)
            table.setCell(LapTable::ColSector1 + s, row, QString::fromUtf8(rows[lap - 1][1 + s]));
        table.setCell(LapTable::ColTopSpeed, row, QString::fromUtf8(rows[lap - 1][4]));
    }
}

using Opt = std::optional<int>;

} // namespace

class TestLapAnalysis : public QObject {
    Q_OBJECT

private slots:
    void sessionFigures();
    void lapDeltas_data();
    void lapDeltas();
    void consistency_data();
    void consistency();
    void emptyGridHasNoFigures();
    void texts();
    void fuelPerLap_data();
    void fuelPerLap();
};

void TestLapAnalysis::sessionFigures() {
    LapTable table;
    fillSession(table);
    const LapAnalysis a = analyseLaps(table);
    QCOMPARE(a.timedLaps, 5);
    QCOMPARE(a.best, (LapTime{2, 8290}));
    QCOMPARE(a.sectorsPresent, 3);
    QCOMPARE(a.sectorBest[0], (LapTime{2, 2980}));
    QCOMPARE(a.sectorBest[1], (LapTime{2, 2520}));
    QCOMPARE(a.sectorBest[2], (LapTime{4, 2770}));
    QCOMPARE(a.sectorBest[3], std::nullopt);
    QCOMPARE(a.theoreticalHundredths, Opt(8270));
    QCOMPARE(a.theoreticalGap, Opt(20));
    QCOMPARE(a.fastest, (QList<LapTime>{{2, 8290}, {4, 8300}, {1, 8350}}));
    QCOMPARE(a.topSpeed, Opt(160));
    QCOMPARE(a.topSpeedLap, 4);
    QVERIFY(a.meanTopSpeed);
    QCOMPARE(*a.meanTopSpeed, 150.6); // (150 + 155 + 148 + 160 + 140) / 5; lap 6 reads "abc"
    QCOMPARE(a.rows.size(), 6);       // lap 6 still has sector times

    // Laps the racer marked (the best lap 2, the unreadable lap 6) count nowhere: lap 4's
    // sectors make the theoretical best, and the figures say one timed lap was left out.
    const LapAnalysis m = analyseLaps(table, DefaultCleanLimitPercent, {2, 6});
    QCOMPARE(m.timedLaps, 4);
    QCOMPARE(m.leftOutLaps, 1);
    QCOMPARE(m.best, (LapTime{4, 8300}));
    QCOMPARE(m.theoreticalHundredths, Opt(2990 + 2540 + 2770));
    QCOMPARE(m.rows.size(), 4);
    QVERIFY(analysisFigures(m, std::nullopt)
                .contains(AnalysisFigure{QStringLiteral("除外したラップ"), QStringLiteral("1")}));
}

void TestLapAnalysis::lapDeltas_data() {
    QTest::addColumn<int>("lap");
    QTest::addColumn<Opt>("toBest");
    QTest::addColumn<Opt>("toTheoretical");
    QTest::addColumn<QList<Opt>>("toSectorBest");
    QTest::addColumn<QList<bool>>("sectorBest");
    QTest::newRow("lap 1") << 1 << Opt(60) << Opt(80) << QList<Opt>{20, 30, 30}
                           << QList<bool>{false, false, false};
    QTest::newRow("lap 2, best lap")
        << 2 << Opt(0) << Opt(20) << QList<Opt>{0, 0, 20} << QList<bool>{true, true, false};
    QTest::newRow("lap 3, sector 2 empty")
        << 3 << Opt(110) << Opt(130) << QList<Opt>{30, std::nullopt, 40}
        << QList<bool>{false, false, false};
    QTest::newRow("lap 4") << 4 << Opt(10) << Opt(30) << QList<Opt>{10, 20, 0}
                           << QList<bool>{false, false, true};
    QTest::newRow("lap 5") << 5 << Opt(910) << Opt(930) << QList<Opt>{320, 280, 330}
                           << QList<bool>{false, false, false};
    QTest::newRow("lap 6, time unreadable")
        << 6 << Opt() << Opt() << QList<Opt>{120, 80, 130} << QList<bool>{false, false, false};
}

void TestLapAnalysis::lapDeltas() {
    QFETCH(int, lap);
    QFETCH(Opt, toBest);
    QFETCH(Opt, toTheoretical);
    QFETCH(QList<Opt>, toSectorBest);
    QFETCH(QList<bool>, sectorBest);
    LapTable table;
    fillSession(table);
    const LapAnalysis a = analyseLaps(table);
    const LapDeltaRow& r = a.rows.at(lap - 1);
    QCOMPARE(r.lap, lap);
    QCOMPARE(r.toBest, toBest);
    QCOMPARE(r.toTheoretical, toTheoretical);
    QCOMPARE(r.bestLap, lap == 2);
    for (int s = 0; s < 3; ++s) {
        QCOMPARE(r.toSectorBest[s], toSectorBest[s]);
        QCOMPARE(r.sectorBest[s], sectorBest[s]);
    }
    QCOMPARE(r.toSectorBest[3], std::nullopt);
}

void TestLapAnalysis::consistency_data() {
    QTest::addColumn<double>("limit");
    QTest::addColumn<int>("clean");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("stdDev");
    QTest::addColumn<int>("spread");
    QTest::newRow("107 %") << 107.0 << 4 << 8335.0 << 43.875 << 110;
    QTest::newRow("112 %, the slow lap joins") << 112.0 << 5 << 8508.0 << 348.219 << 910;
    QTest::newRow("100 %, the best lap alone") << 100.0 << 1 << 8290.0 << 0.0 << 0;
}

void TestLapAnalysis::consistency() {
    QFETCH(double, limit);
    QFETCH(int, clean);
    QFETCH(double, mean);
    QFETCH(double, stdDev);
    QFETCH(int, spread);
    LapTable table;
    fillSession(table);
    const LapAnalysis a = analyseLaps(table, limit);
    QVERIFY(a.consistency);
    QCOMPARE(a.consistency->cleanLaps, clean);
    QCOMPARE(a.consistency->meanHundredths, mean);
    QVERIFY2(qAbs(a.consistency->stdDevHundredths - stdDev) < 0.001,
             qPrintable(QString::number(a.consistency->stdDevHundredths, 'f', 5)));
    QCOMPARE(a.consistency->spreadHundredths, spread);
}

void TestLapAnalysis::emptyGridHasNoFigures() {
    LapTable table; // lap numbers 001..300 only
    const LapAnalysis a = analyseLaps(table);
    QCOMPARE(a.timedLaps, 0);
    QVERIFY(!a.best && !a.theoreticalHundredths && !a.consistency && !a.topSpeed);
    QVERIFY(a.rows.isEmpty() && a.fastest.isEmpty());
    QCOMPARE(analysisFigures(a, std::nullopt),
             (QList<AnalysisFigure>{{QStringLiteral("計測ラップ数"), QStringLiteral("0")}}));
    QCOMPARE(deltaTable(a).headings.size(), 4);
}

void TestLapAnalysis::texts() {
    LapTable table;
    fillSession(table);
    const LapAnalysis a = analyseLaps(table);
    const QList<AnalysisFigure> figures = analysisFigures(a, FuelPerLap{0.9, 45.9, 3});
    const QList<AnalysisFigure> expected{
        {"計測ラップ数", "5"},
        {"ベストラップ", " 01'22\"90  ラップ002"},
        {"理論ベスト", " 01'22\"70"},
        {"理論ベストとの差", "+0.20"},
        {"セクタ1ベスト", " 00'29\"80  ラップ002"},
        {"セクタ2ベスト", " 00'25\"20  ラップ002"},
        {"セクタ3ベスト", " 00'27\"70  ラップ004"},
        {"クリーンラップ（107%以内）", "4 / 5"},
        {"平均タイム", " 01'23\"35"},
        {"標準偏差", "0.44 秒"},
        {"ばらつき（最遅−最速）", "1.10 秒"},
        {"速い順 1位", " 01'22\"90  ラップ002"},
        {"速い順 2位", " 01'23\"00  ラップ004"},
        {"速い順 3位", " 01'23\"50  ラップ001"},
        {"最高速 ベスト", "160 km/h  ラップ004"},
        {"最高速 平均", "150.6 km/h"},
        {"1ラップの燃料", "0.900 ㍑"},
        {"残り周回数", "45.9 ラップ"},
    };
    QCOMPARE(figures, expected);

    const DeltaTable t = deltaTable(a);
    QCOMPARE(t.headings, (QStringList{"ラップ", "タイム", "ベスト差", "理論差", "セクタ1差",
                                      "セクタ2差", "セクタ3差"}));
    QCOMPARE(t.cells.at(1), (QStringList{"002", " 01'22\"90", "★", "+0.20", "★", "★", "+0.20"}));
    QCOMPARE(t.best.at(1), (QList<bool>{false, false, true, false, true, true, false}));
    QCOMPARE(t.cells.at(2),
             (QStringList{"003", " 01'24\"00", "+1.10", "+1.30", "+0.30", "", "+0.40"}));
    QCOMPARE(t.cells.at(5), (QStringList{"006", "", "", "", "+1.20", "+0.80", "+1.30"}));
}

void TestLapAnalysis::fuelPerLap_data() {
    // Steps: "f <remaining> <used>" is a reading, "l <lap>" a live lap.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<double>("litresPerLap");
    QTest::addColumn<double>("lapsRemaining");
    QTest::addColumn<int>("laps");
    // 0.9 l over lap 1 -> 2, 1.8 l over lap 2 -> 4 (lap 3 came without a reading): 2.7 / 3.
    QTest::newRow("readings between laps")
        << QStringList{"f 44 1", "l 1", "f 43.1 1.9", "l 2", "l 3", "f 41.3 3.7", "l 4"} << true
        << 0.9 << 41.3 / 0.9 << 3;
    QTest::newRow("no readings") << QStringList{"l 1", "l 2", "l 3"} << false << 0.0 << 0.0 << 0;
    QTest::newRow("readings, no laps")
        << QStringList{"f 44 1", "f 43 2"} << false << 0.0 << 0.0 << 0;
    QTest::newRow("one lap paired")
        << QStringList{"f 44 1", "l 1", "l 2"} << false << 0.0 << 0.0 << 0;
    // The refill between laps 2 and 3 ends a stretch: 1.0 l over 1 lap, then 1.0 l over 1 lap.
    QTest::newRow("refill starts a new stretch")
        << QStringList{"f 10 1", "l 1", "f 9 2", "l 2", "f 45 0.2", "l 3", "f 44 1.2", "l 4"}
        << true << 1.0 << 44.0 << 2;
}

void TestLapAnalysis::fuelPerLap() {
    QFETCH(QStringList, steps);
    QFETCH(bool, shown);
    QFETCH(double, litresPerLap);
    QFETCH(double, lapsRemaining);
    QFETCH(int, laps);
    LapFuelTracker tracker;
    for (const QString& step : steps) {
        const QStringList p = step.split(QLatin1Char(' '));
        if (p[0] == QLatin1String("f"))
            tracker.noteFuel(p[1].toFloat(), p[2].toFloat());
        else
            tracker.noteLiveLap(p[1].toInt());
    }
    const std::optional<FuelPerLap> f = tracker.estimate();
    QCOMPARE(f.has_value(), shown);
    if (!f)
        return;
    QVERIFY2(qAbs(f->litresPerLap - litresPerLap) < 1e-5,
             qPrintable(QString::number(f->litresPerLap)));
    QVERIFY2(qAbs(f->lapsRemaining - lapsRemaining) < 1e-3,
             qPrintable(QString::number(f->lapsRemaining)));
    QCOMPARE(f->lapsCounted, laps);
    tracker.clear();
    QVERIFY(!tracker.estimate());
}

QTEST_MAIN(TestLapAnalysis)
#include "tst_lapanalysis.moc"
