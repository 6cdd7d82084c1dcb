// The running light of the busy window, step by step from a fresh start.
#include "windows/animationsteps.h"

#include <QTest>

namespace {

// 'W' white, 'B' blue, 'G' green, circle 1 first.
QString picture(const WaveAnimation::Circles& circles) {
    QString out;
    for (WaveColour c : circles)
        out += c == WaveColour::Blue    ? QLatin1Char('B')
               : c == WaveColour::Green ? QLatin1Char('G')
                                        : QLatin1Char('W');
    return out;
}

WaveAnimation::Circles allWhite() {
    WaveAnimation::Circles circles;
    circles.fill(WaveColour::White);
    return circles;
}

} // namespace

class TestAnimationSteps : public QObject {
    Q_OBJECT
private slots:
    void startState() {
        const WaveAnimation wave;
        QCOMPARE(wave.waveRightward, false);
        QCOMPARE(wave.waveHead, 12);
        QCOMPARE(wave.waveTail, 13);
    }

    void stepTable_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("circles");
        QTest::newRow("1") << 1 << "WWWWWWWWWWWB";
        QTest::newRow("2") << 2 << "WWWWWWWWWWBB";
        QTest::newRow("3") << 3 << "WWWWWWWWWBBB";
        QTest::newRow("4") << 4 << "WWWWWWWWBBBW";
        QTest::newRow("11") << 11 << "WBBBWWWWWWWW";
        QTest::newRow("12") << 12 << "BBBWWWWWWWWW";
        QTest::newRow("13") << 13 << "BBWWWWWWWWWW";
        QTest::newRow("14") << 14 << "BWWWWWWWWWWW";
        QTest::newRow("15 all white") << 15 << "WWWWWWWWWWWW";
        QTest::newRow("16 green pass") << 16 << "GWWWWWWWWWWW";
        QTest::newRow("18") << 18 << "GGGWWWWWWWWW";
        QTest::newRow("19") << 19 << "WGGGWWWWWWWW";
        QTest::newRow("27") << 27 << "WWWWWWWWWGGG";
        QTest::newRow("29") << 29 << "WWWWWWWWWWWG";
        QTest::newRow("30 all white") << 30 << "WWWWWWWWWWWW";
        QTest::newRow("31 blue again") << 31 << "WWWWWWWWWWWB";
        QTest::newRow("45 all white") << 45 << "WWWWWWWWWWWW";
        QTest::newRow("60 all white") << 60 << "WWWWWWWWWWWW";
    }

    void stepTable() {
        QFETCH(int, step);
        QFETCH(QString, circles);
        WaveAnimation wave;
        auto state = allWhite();
        for (int i = 0; i < step; ++i)
            wave.step(state);
        QCOMPARE(picture(state), circles);
    }

    // The run is never longer than three circles and every pass turns at the ends.
    void runLengthAndTurns() {
        WaveAnimation wave;
        auto state = allWhite();
        for (int i = 1; i <= 300; ++i) {
            wave.step(state);
            const QString p = picture(state);
            QVERIFY2(p.count(QLatin1Char('W')) >= 9, qPrintable(p));
            QVERIFY2(!(p.contains(QLatin1Char('B')) && p.contains(QLatin1Char('G'))),
                     qPrintable(p));
            QCOMPARE(wave.waveRightward, (i % 30) >= 15);
        }
    }

    void turnsAtTheEnds() {
        WaveAnimation wave;
        auto state = allWhite();
        for (int i = 0; i < 15; ++i)
            wave.step(state);
        QCOMPARE(wave.waveRightward, true);
        QCOMPARE(wave.waveHead, 1);
        QCOMPARE(wave.waveTail, 0);
        for (int i = 0; i < 15; ++i)
            wave.step(state);
        QCOMPARE(wave.waveRightward, false);
        QCOMPARE(wave.waveHead, 12);
        QCOMPARE(wave.waveTail, 13);
    }

    // Positions set from outside must not make the stepper write outside the row.
    void strayPositions_data() {
        QTest::addColumn<bool>("rightward");
        QTest::addColumn<int>("head");
        QTest::addColumn<int>("tail");
        QTest::newRow("far left") << false << -1000000 << 5;
        QTest::newRow("far right") << true << 5 << 2000000000;
        QTest::newRow("extremes") << true << std::numeric_limits<int>::max()
                                  << std::numeric_limits<int>::min();
        QTest::newRow("tail ahead leftward") << false << 2 << 0;
    }

    void strayPositions() {
        QFETCH(bool, rightward);
        QFETCH(int, head);
        QFETCH(int, tail);
        WaveAnimation wave;
        wave.waveRightward = rightward;
        wave.waveHead = head;
        wave.waveTail = tail;
        auto state = allWhite();
        for (int i = 0; i < 100; ++i) {
            wave.step(state);
            QVERIFY(wave.waveHead >= -24 && wave.waveHead <= 24);
            QVERIFY(wave.waveTail >= -24 && wave.waveTail <= 24);
        }
    }

    void colours() {
        QCOMPARE(waveColourRgb(WaveColour::Blue), 0x0000FFu);
        QCOMPARE(waveColourRgb(WaveColour::Green), 0x00FF00u);
        QCOMPARE(waveColourRgb(WaveColour::White), 0xFFFFFFu);
    }
};

QTEST_APPLESS_MAIN(TestAnimationSteps)
#include "tst_animationsteps.moc"
