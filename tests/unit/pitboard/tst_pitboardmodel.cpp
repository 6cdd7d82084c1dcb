// The pit board's figures and alert rules, from hand-computed sessions.
#include "pitboard/alertsounds.h"
#include "pitboard/pitboardmodel.h"
#include "pitboard/pitboardtext.h"

#include <QTest>
#include <QtEndian>

using namespace pitboard;

Q_DECLARE_METATYPE(QList<pitboard::Alert>)

namespace {

// A live lap row as the grid holds it: lap, time, sectors 1-4, top speed, average, remarks.
feed::LapRow lapRow(int lap, const QString& time, const QStringList& sectors = {},
                    const QString& topSpeed = {}) {
    feed::LapRow row;
    row.lap = lap;
    row.cells = {QString::asprintf("%03d", lap), time};
    for (int i = 0; i < LapTable::MaxSectors; ++i)
        row.cells << sectors.value(i);
    row.cells << topSpeed << QString() << QString();
    return row;
}

// Steps of a session: "lap N TIME [S1 S2 S3 S4] @MS", "fuel REMAINING USED @MS", "tick @MS",
// "lost @MS", "opened @MS". The alerts of every step are collected.
QList<Alert> play(PitBoardModel& model, const QStringList& steps) {
    QList<Alert> fired;
    for (const QString& step : steps) {
        const QStringList w = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const qint64 at = w.last().mid(1).toLongLong();
        if (w[0] == QLatin1String("lap"))
            fired += model.noteLiveLap(lapRow(w[1].toInt(), w[2], w.mid(3, w.size() - 4)), at);
        else if (w[0] == QLatin1String("fuel"))
            fired += model.noteFuel(w[1].toFloat(), w[2].toFloat(), at);
        else if (w[0] == QLatin1String("tick"))
            fired += model.tick(at);
        else if (w[0] == QLatin1String("lost"))
            model.noteConnection(feed::Connection::Lost, at);
        else if (w[0] == QLatin1String("opened"))
            model.noteConnection(feed::Connection::Opened, at);
    }
    return fired;
}

} // namespace

class TestPitBoardModel : public QObject {
    Q_OBJECT

private slots:
    void lapFigures_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("lap");
        QTest::addColumn<int>("toBest"); // -9999: none
        QTest::addColumn<int>("bestLap");
        QTest::addColumn<QList<Alert>>("alerts");
        const QList<Alert> none;
        QTest::newRow("first lap: no gap, no alert")
            << QStringList{"lap 1 01'30\"00 @0"} << 1 << -9999 << 1 << none;
        QTest::newRow("faster lap: a new best, 1.50 s faster")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 01'28\"50 @88500"} << 2 << -150 << 2
            << QList<Alert>{Alert::NewBest};
        QTest::newRow("slower lap: against the best before it")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 01'28\"50 @88500",
                           "lap 3 01'29\"00 @177500"}
            << 3 << 50 << 2 << QList<Alert>{Alert::NewBest};
        QTest::newRow("the same lap pushed again changes nothing")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 01'28\"50 @88500", "lap 2 01'28\"50 @89000",
                           "lap 1 01'30\"00 @89000"}
            << 2 << -150 << 2 << QList<Alert>{Alert::NewBest};
        QTest::newRow("lap numbers begin again: a new run, its first lap")
            << QStringList{"lap 7 01'30\"00 @0", "lap 8 01'28\"50 @88500",
                           "lap 1 01'35\"00 @300000"}
            << 1 << -9999 << 1 << QList<Alert>{Alert::NewBest};
        QTest::newRow("a row without a time is no lap")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 x @1000"} << 1 << -9999 << 1 << none;
    }
    void lapFigures() {
        QFETCH(QStringList, steps);
        QFETCH(int, lap);
        QFETCH(int, toBest);
        QFETCH(int, bestLap);
        QFETCH(QList<Alert>, alerts);
        PitBoardModel model;
        QCOMPARE(play(model, steps), alerts);
        const Figures& f = model.figures();
        QCOMPARE(f.lap, lap);
        QCOMPARE(f.toSessionBest.value_or(-9999), toBest);
        QCOMPARE(f.sessionBest->lap, bestLap);
    }

    void sectorsAgainstTheirBests() {
        PitBoardModel model;
        model.setPersonalBest(8800);
        play(model, {"lap 1 01'30\"00 00'30\"00 00'30\"00 00'30\"00 @0",
                     "lap 2 01'29\"00 00'29\"50 00'30\"10 00'29\"40 @89000"});
        const Figures& f = model.figures();
        QCOMPARE(f.sectorCount, 3);
        QCOMPARE(f.sectors[0].toBest, std::optional<int>(-50));
        QVERIFY(f.sectors[0].best);
        QCOMPARE(f.sectors[1].toBest, std::optional<int>(10));
        QVERIFY(!f.sectors[1].best);
        QCOMPARE(f.sectors[2].toBest, std::optional<int>(-60));
        QVERIFY(f.sectors[2].best);
        QVERIFY(!f.sectors[3].hundredths);
        QCOMPARE(f.toPersonalBest, std::optional<int>(100));
    }

    void fuelAndTimeRules_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<double>("lapsLeft"); // -1: none
        QTest::addColumn<int>("link");
        QTest::addColumn<bool>("overdue");
        QTest::addColumn<QList<Alert>>("alerts");
        const QStringList fuel{"fuel 20 0 @0", "lap 1 01'30\"00 @1000", "fuel 18 2 @2000",
                               "lap 2 01'30\"00 @91000"};
        // 2 litres over lap 1 -> 2: 18 litres last 9 laps.
        QTest::newRow("fuel for nine laps")
            << fuel << 9.0 << int(LinkState::Live) << false << QList<Alert>{};
        // 5 litres left at 2 litres a lap: 2.5 laps, below 3: one alert, not repeated.
        QTest::newRow("low fuel, said once")
            << (fuel + QStringList{"fuel 5 15 @92000", "fuel 4.8 15.2 @93000"}) << 2.4
            << int(LinkState::Live) << false << QList<Alert>{Alert::LowFuel};
        // Median lap 90 s: overdue after 135 s without a lap, said once.
        QTest::newRow("overdue after 1.5 median laps")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 01'30\"00 @90000", "tick @224000",
                           "tick @225100", "tick @230000"}
            << -1.0 << int(LinkState::Live) << true << QList<Alert>{Alert::Overdue};
        QTest::newRow("not yet overdue")
            << QStringList{"lap 1 01'30\"00 @0", "lap 2 01'30\"00 @90000", "tick @224000"} << -1.0
            << int(LinkState::Live) << false << QList<Alert>{};
        // Readings every second: quiet after 5 s (three gaps, never sooner than 5 s).
        QTest::newRow("readings stop: the link is quiet")
            << QStringList{"fuel 20 0 @0", "fuel 20 0 @1000", "fuel 20 0 @2000", "tick @7001"}
            << -1.0 << int(LinkState::Quiet) << false << QList<Alert>{};
        QTest::newRow("readings come: the link is live")
            << QStringList{"fuel 20 0 @0", "fuel 20 0 @1000", "fuel 20 0 @2000", "tick @6999"}
            << -1.0 << int(LinkState::Live) << false << QList<Alert>{};
        QTest::newRow("port gone: said at once, no overdue alert")
            << QStringList{"lap 1 01'30\"00 @0", "lost @1000", "tick @500000"} << -1.0
            << int(LinkState::PortGone) << false << QList<Alert>{};
    }
    void fuelAndTimeRules() {
        QFETCH(QStringList, steps);
        QFETCH(double, lapsLeft);
        QFETCH(int, link);
        QFETCH(bool, overdue);
        QFETCH(QList<Alert>, alerts);
        PitBoardModel model;
        QCOMPARE(play(model, steps), alerts);
        const Figures& f = model.figures();
        if (lapsLeft < 0)
            QVERIFY(!f.fuelLapsLeft);
        else
            QCOMPARE(qRound(*f.fuelLapsLeft * 10), qRound(lapsLeft * 10));
        QCOMPARE(int(f.link), link);
        QCOMPARE(f.overdue, overdue);
    }

    void alertsSwitchedOff() {
        PitBoardModel model;
        Rules rules;
        rules.newBestAlert = false;
        rules.overdueAlert = false;
        model.setRules(rules);
        QVERIFY(play(model, {"lap 1 01'30\"00 @0", "lap 2 01'29\"00 @89000", "tick @900000"})
                    .isEmpty());
        QVERIFY(model.figures().newBest);
        QVERIFY(model.figures().overdue);
    }

    void texts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lap time") << lapTimeText(8850) << QStringLiteral("01'28\"50");
        QTest::newRow("faster") << gapText(-150) << QStringLiteral("-1.50");
        QTest::newRow("slower") << gapText(5) << QStringLiteral("+0.05");
        QTest::newRow("even") << gapText(0) << QStringLiteral("±0.00");
        QTest::newRow("since") << sinceText(754999) << QStringLiteral("12:34");
        QTest::newRow("quiet") << linkText(LinkState::Quiet)
                               << QStringLiteral("受信が途絶えています");
        QTest::newRow("live") << linkText(LinkState::Live) << QString();
    }
    void texts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // A sound device reads the header: RIFF/WAVE, PCM, mono, 22050 Hz, 16 bits.
    void alertSoundHeader() {
        const QByteArray wav = alertWav(Alert::NewBest);
        const QByteArray header = QByteArray::fromHex("52494646") + QByteArray(4, 0) +
                                  QByteArray::fromHex("57415645666d7420100000000100010022560000"
                                                      "44ac0000020010006461746100000000");
        QCOMPARE(wav.size() % 2, 0);
        QCOMPARE(wav.left(4), header.left(4));
        QCOMPARE(wav.mid(8, 32), header.mid(8, 32));
        const quint32 dataSize = qFromLittleEndian<quint32>(wav.constData() + 40);
        QCOMPARE(int(dataSize), wav.size() - 44);
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 4), quint32(wav.size() - 8));
    }
};

QTEST_GUILESS_MAIN(TestPitBoardModel)
#include "tst_pitboardmodel.moc"
