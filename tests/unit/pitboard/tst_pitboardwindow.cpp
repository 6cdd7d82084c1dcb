// The pit board window fed as the main window feeds it: its texts after live laps and fuel
// readings, the flash of an alert, the keys, and the lap time's height on laptop and desktop
// screens in both themes (screenshots for the eye).
#include "pitboard/pitboardwindow.h"
#include "support/windowcheck.h"

#include <QLabel>
#include <QTest>

using namespace pitboard;

namespace {

feed::LiveLap liveLap(int lap, const QString& time, const QString& sector1 = {}) {
    feed::LiveLap live;
    live.row.lap = lap;
    live.row.cells = {QString::asprintf("%03d", lap), time, sector1, {}, {}, {},
                      QStringLiteral("121"),          {},   {}};
    return live;
}

feed::FuelReading fuel(float remaining, float used) {
    feed::FuelReading reading;
    reading.remaining = remaining;
    reading.used = used;
    return reading;
}

QString textOf(const QWidget& board, const char* name) {
    const auto* label = board.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("(no %1)").arg(QString::fromLatin1(name));
}

// Rows of the label's picture that hold a pixel away from its background: the digits' height.
int inkHeight(QWidget* board, QLabel* label) {
    const QImage image = board->grab(label->geometry()).toImage();
    const QRgb background = image.pixel(0, 0);
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAbs(qGray(image.pixel(x, y)) - qGray(background)) > 96) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

} // namespace

class TestPitBoardWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void readableFromThePitWall_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("theme");
        QTest::newRow("laptop, sunlight") << QSize(1366, 768) << int(Theme::Sunlight);
        QTest::newRow("laptop, night") << QSize(1366, 768) << int(Theme::Night);
        QTest::newRow("desktop, sunlight") << QSize(1920, 1080) << int(Theme::Sunlight);
        QTest::newRow("desktop, night") << QSize(1920, 1080) << int(Theme::Night);
    }
    void readableFromThePitWall() {
        QFETCH(QSize, size);
        QFETCH(int, theme);
        feed::EventFeed feed;
        PitBoardWindow board(feed, QString());
        board.setMuted(true);
        board.setTheme(Theme(theme));
        board.resize(size);
        board.showBoard();
        QVERIFY(QTest::qWaitForWindowExposed(&board));

        emit feed.connectionChanged(feed::Connection::Opened, 1, QString(), QString());
        emit feed.fuelReading(fuel(20, 0));
        emit feed.liveLap(liveLap(1, QStringLiteral(" 01'30\"00"), QStringLiteral(" 00'30\"00")));
        emit feed.fuelReading(fuel(18, 2));
        emit feed.liveLap(liveLap(2, QStringLiteral(" 01'28\"50"), QStringLiteral(" 00'29\"50")));
        QCOMPARE(textOf(board, "lblPitLapTime"), QStringLiteral("01'28\"50"));
        QCOMPARE(textOf(board, "lblPitToBest"), QStringLiteral("ベスト差 -1.50"));
        QCOMPARE(textOf(board, "lblPitLapNumber"), QStringLiteral("ラップ 2"));
        QCOMPARE(textOf(board, "lblPitSessionBest"), QStringLiteral("ベスト 01'28\"50 (L2)"));
        QCOMPARE(textOf(board, "lblPitTopSpeed"), QStringLiteral("最高速 121 km/h"));
        QCOMPARE(textOf(board, "lblPitFuelLaps"), QStringLiteral("残り 9.0 周"));
        QCOMPARE(board.flashing(), std::optional<Alert>(Alert::NewBest));
        QVERIFY(windowcheck::missingGlyphs(&board).isEmpty());

        const QString name = QStringLiteral("pitboard-%1x%2-%3")
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(theme == int(Theme::Night) ? "night" : "sunlight");
        QVERIFY(windowcheck::saveScreenshot(&board, name + QStringLiteral("-newbest")));
        // The digits of the lap time are at least a fifth of the window's height.
        const int digits =
            inkHeight(&board, board.findChild<QLabel*>(QStringLiteral("lblPitLapTime")));
        qInfo("%s: lap time digits %d px of %d px", qPrintable(name), digits, board.height());
        QVERIFY2(digits * 5 >= board.height(), qPrintable(QString::number(digits)));

        // 5 litres left at 2 litres a lap: fewer than three laps of fuel.
        emit feed.fuelReading(fuel(5, 15));
        QCOMPARE(board.alertsFired(), (QList<Alert>{Alert::NewBest, Alert::LowFuel}));
        QCOMPARE(textOf(board, "lblPitFuelLaps"), QStringLiteral("残り 2.5 周"));
        QVERIFY(windowcheck::saveScreenshot(&board, name + QStringLiteral("-lowfuel")));

        emit feed.connectionChanged(feed::Connection::Lost, 1, QString(), QString());
        QCOMPARE(textOf(board, "lblPitLink"), QStringLiteral("ポートが閉じています"));
        QVERIFY(board.findChild<QLabel*>(QStringLiteral("lblPitLink"))->isVisible());
    }

    void keys() {
        feed::EventFeed feed;
        PitBoardWindow board(feed, QString());
        board.showBoard();
        QVERIFY(QTest::qWaitForWindowExposed(&board));
        QTest::keyClick(&board, Qt::Key_T);
        QCOMPARE(board.theme(), Theme::Night);
        QTest::keyClick(&board, Qt::Key_M);
        QVERIFY(board.muted());
        QTest::keyClick(&board, Qt::Key_F11);
        QVERIFY(board.windowState() & Qt::WindowFullScreen);
    }
};

QTEST_MAIN(TestPitBoardWindow)
#include "tst_pitboardwindow.moc"
