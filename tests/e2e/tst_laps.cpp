// Lap downloads end to end: the real main window, offscreen, reading the laps that
// koda-sim holds, compared cell for cell with the simulator's own listing.
#include "app/frmmain.h"
#include "app/logbookhookup.h"
#include "laps/lapdecoders.h"
#include "laps/lapgridview.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/frmanimation.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestLaps : public QObject {
    Q_OBJECT

private slots:
    void rk13ReadFillsTheGrid_data();
    void rk13ReadFillsTheGrid();
    void timerWithoutLapsFinishesAtOnce();
    void liveLapEndsARunningRead();
    void newestLiveLapIsFullyInView();
    void fullDownloadScreenshots();
    void clearAsksFirst_data();
    void clearAsksFirst();
};

void TestLaps::rk13ReadFillsTheGrid_data() {
    QTest::addColumn<bool>("ldata");
    QTest::addColumn<bool>("gridShown"); // the "データ" page is shown during the read
    QTest::newRow("block frames") << false << false;
    QTest::newRow("LData lines") << true << false;
    QTest::newRow("block frames, grid shown") << false << true;
}

void TestLaps::rk13ReadFillsTheGrid() {
    QFETCH(bool, ldata);
    QFETCH(bool, gridShown);
    const QStringList lapOptions{QStringLiteral("--laps"),    QStringLiteral("45"),
                                 QStringLiteral("--sectors"), QStringLiteral("3"),
                                 QStringLiteral("--seed"),    QStringLiteral("11")};
    const QList<QStringList> expected = simulatorLaps(lapOptions);
    QCOMPARE(expected.size(), 45);
    SimProcess sim(lapOptions + (ldata ? QStringList{QStringLiteral("--ldata")} : QStringList{}));
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    TMainForm& f = *rig.form;
    if (gridShown)
        f.PageControlSetting->setCurrentWidget(f.tabBasicSetting);
    QVERIFY(rig.readLaps());

    // A read of blocks ends scrolled to the row of lap 44 (row 45, the lap count), which is
    // fully visible once the page is shown, whether or not it was shown during the read.
    // "LData:" lines do not scroll the grid.
    f.PageControlSetting->setCurrentWidget(f.tabBasicSetting);
    QTest::qWait(0);
    const QRect lastRow = f.StringGrid1->visualRect(f.lapTable.index(45, 1));
    if (!ldata)
        QVERIFY2(lastRow.top() >= 0 && lastRow.bottom() < f.StringGrid1->viewport()->height(),
                 qPrintable(QStringLiteral("row 45 at %1..%2, view %3 high")
                                .arg(lastRow.top())
                                .arg(lastRow.bottom())
                                .arg(f.StringGrid1->viewport()->height())));

    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")), QStringList{QStringLiteral("Tx:@LINFO")});
    // Lap-data requests are logged as frames: laps 1, 21, 41 in blocks, or every lap.
    const QStringList requests = monitorLines(f, QStringLiteral("02 4C 12 34 0A 02"));
    if (ldata) {
        QCOMPARE(requests.size(), 45);
    } else {
        QCOMPARE(requests, (QStringList{QStringLiteral("02 4C 12 34 0A 02 00 01 61 03 "),
                                        QStringLiteral("02 4C 12 34 0A 02 00 15 75 03 "),
                                        QStringLiteral("02 4C 12 34 0A 02 00 29 49 03 ")}));
    }
    QCOMPARE(f.lapTable.lapCount, 45);
    QCOMPARE(f.lblLaps->text(), QStringLiteral("45"));
    QCOMPARE(f.lapTable.cell(8, 0), QStringLiteral("全ラップ 045"));
    for (const QStringList& lap : expected) {
        const int row = lap[0].toInt() + 1;
        QCOMPARE(f.lapTable.cell(0, row), lap[0]);
        if (ldata) {
            // "LData:" times are stored as received (without the leading blank).
            QCOMPARE(f.lapTable.cell(1, row), lap[1].mid(1));
            QCOMPARE(f.lapTable.cell(2, row), lap[2].mid(1));
        } else {
            QCOMPARE(f.lapTable.cell(1, row), lap[1]);
            for (int s = 0; s < 3; ++s)
                QCOMPARE(f.lapTable.cell(2 + s, row), lap[2 + s]);
            QCOMPARE(f.lapTable.cell(5, row), QString());
            // Average speed from the course length of 3.7 km.
            const QString time = lap[1];
            const int hundredths = time.mid(1, 2).toInt() * 6000 + time.mid(4, 2).toInt() * 100 +
                                   time.mid(7, 2).toInt();
            QCOMPARE(f.lapTable.cell(7, row),
                     QString::asprintf("%6.2lf", 3.7 / hundredths * 360000));
        }
        QCOMPARE(f.lapTable.cell(6, row), lap[6]);
    }
    QCOMPARE(f.lapTable.cell(0, 47), QStringLiteral("046")); // beyond the laps: untouched
    QCOMPARE(f.lapTable.cell(1, 47), QString());
    QVERIFY(f.spbSave->isEnabled());
    QVERIFY(f.mnuCsvSave->isEnabled());
    QVERIFY(f.spbRead->isEnabled());
    QCOMPARE(rig.prompts.texts(), QStringList{linkedMessage});
    QVERIFY(f.close());
}

void TestLaps::timerWithoutLapsFinishesAtOnce() {
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("0")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    QVERIFY(rig.readLaps());
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")),
             QStringList{QStringLiteral("Tx:@LINFO")});
    QVERIFY(monitorLines(*rig.form, QStringLiteral("02 4C 12 34 0A 02")).isEmpty());
    QCOMPARE(rig.form->lapTable.cell(1, 2), QString());
    QVERIFY(rig.form->spbSave->isEnabled());
    QVERIFY(rig.form->close());
}

void TestLaps::liveLapEndsARunningRead() {
    // Slow replies, so that the live lap arrives as a reception of its own in the
    // middle of the read (a live lap behind a block frame in one reception is dropped).
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("200"), QStringLiteral("--latency"),
                    QStringLiteral("600")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    rig.form->spbReadClick();
    QVERIFY(rig.waitFor([&] { return rig.form->lapTable.lapCount == 200; }));
    sim.command("live");
    QVERIFY(rig.waitFor([&] { return rig.form->lapTable.lapInfoStep == 0; }));
    QVERIFY2(rig.form->lapTable.nextLapToRead < 200,
             qPrintable(rig.form->memTxRxMonitor->toPlainText().right(3000))); // stopped early
    QCOMPARE(rig.form->lapTable.cell(0, 202), QStringLiteral("201")); // the live lap is there
    QVERIFY(!rig.form->lapTable.cell(1, 202).isEmpty());
    QVERIFY(!rig.form->busyWindow);
    QVERIFY(rig.form->close());
}

void TestLaps::newestLiveLapIsFullyInView() {
    // Live laps one after another past the bottom of the grid: each new one is seen whole,
    // above the horizontal scroll bar.
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("0")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    TMainForm& f = *rig.form;
    f.PageControlSetting->setCurrentWidget(f.tabBasicSetting);
    QTest::qWait(0);
    const int visible = f.StringGrid1->visibleRowCount();
    QVERIFY(visible > 3);
    QStringList hidden;
    for (int lap = 1; lap <= visible + 6; ++lap) {
        sim.command("live");
        const int row = lap + 1;
        QVERIFY(rig.waitFor([&] { return f.lapTable.lastLiveRow == row; }, 5000));
        QTest::qWait(0);
        const QRect cell = f.StringGrid1->visualRect(f.lapTable.index(row, 1));
        if (cell.top() < 0 || cell.bottom() >= f.StringGrid1->viewport()->height())
            hidden
                << QStringLiteral("lap %1 at %2..%3").arg(lap).arg(cell.top()).arg(cell.bottom());
    }
    QVERIFY2(hidden.isEmpty(),
             qPrintable(hidden.join(QStringLiteral(", ")) +
                        QStringLiteral("; view %1 high").arg(f.StringGrid1->viewport()->height())));
    QVERIFY(f.close());
}

void TestLaps::fullDownloadScreenshots() {
    // 300 laps read from an RK-13, fuel values from a QK-11: the window as a user sees it.
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--qk11"), QStringLiteral("--laps"),
                    QStringLiteral("300"), QStringLiteral("--sectors"), QStringLiteral("4")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    QCOMPARE(f.lapTable.lapCount, 300);
    QVERIFY(!f.lapTable.cell(1, 301).isEmpty());
    sim.command("fuel");
    QVERIFY(rig.waitFor([&] { return !f.pnlFuel->text().isEmpty(); }, 5000));
    f.PageControlSetting->setCurrentWidget(f.tabBasicSetting);
    f.scrollToRow(f.lapTable.bestLapMark + 1);
    QTest::qWait(50);
    QVERIFY(windowcheck::saveScreenshot(&f, QStringLiteral("main-300laps-2d")));
    f.applyChartAppearance({true, 15, ChartViewSettings::defaultBackColor});
    QTest::qWait(50);
    QVERIFY(windowcheck::saveScreenshot(&f, QStringLiteral("main-300laps-3d")));
    QVERIFY(f.close());
}

// The clear's question, and with the logbook one more before it while the timer's laps are
// not kept yet. answers: Y yes, N no, C cancel, in the order asked.
void TestLaps::clearAsksFirst_data() {
    QTest::addColumn<bool>("logbook");
    QTest::addColumn<bool>("readFirst");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("Yes") << false << true << "Y" << true;
    QTest::newRow("Cancel") << false << true << "C" << false;
    QTest::newRow("logbook, laps kept: asked once") << true << true << "Y" << true;
    QTest::newRow("logbook, laps not kept: No") << true << false << "N" << false;
    QTest::newRow("logbook, laps not kept: Yes, Yes") << true << false << "YY" << true;
}

void TestLaps::clearAsksFirst() {
    QFETCH(bool, logbook);
    QFETCH(bool, readFirst);
    QFETCH(QString, answers);
    QFETCH(bool, cleared);
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("5")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    if (logbook) // owned by the window
        new LogbookHookup(*rig.form, rig.prompts, rig.dir.filePath(QStringLiteral("lb.sqlite")));
    if (readFirst) {
        QVERIFY(rig.readLaps());
        QVERIFY(rig.form->lapTable.bestLapMark != 0);
    }
    const QHash<QChar, Prompts::Answer> answer{{QLatin1Char('Y'), Prompts::Answer::Yes},
                                               {QLatin1Char('N'), Prompts::Answer::No},
                                               {QLatin1Char('C'), Prompts::Answer::Cancel}};
    for (const QChar c : answers)
        rig.prompts.answers << answer[c];
    const qsizetype before = rig.prompts.shown.size();
    rig.form->spbClearClick();
    const auto asked = rig.prompts.shown.mid(before);
    QCOMPARE(asked.size(), answers.size());
    const QString clearQuestion =
        QStringLiteral("RIN-KODA のデータをクリアします。\r\nよろしいですか？");
    if (logbook && !readFirst) {
        QCOMPARE(asked.first().text,
                 QStringLiteral("RIN-KODA のラップはまだログブックに記録されていません。\r\n"
                                "クリアするとラップは失われます。よろしいですか？"));
        QCOMPARE(asked.first().buttons, Prompts::Buttons::YesNo);
        QCOMPARE(asked.first().icon, Prompts::Icon::Warning);
    }
    if (answers.back() != QLatin1Char('N')) {
        const auto& question = asked.last();
        QCOMPARE(question.text, clearQuestion);
        QCOMPARE(question.buttons, Prompts::Buttons::YesCancel);
        QCOMPARE(question.icon, Prompts::Icon::Warning);
    }
    if (!cleared) {
        QVERIFY(!rig.form->busyWindow);
        QCOMPARE(rig.form->lapTable.bestLapMark != 0, readFirst); // the highlighting stays
        QVERIFY(
            !monitorLines(*rig.form, QStringLiteral("Tx:")).contains(QStringLiteral("Tx:@CLR")));
    } else {
        QCOMPARE(rig.form->lapTable.bestLapMark, 0);
        QVERIFY(rig.waitFor([&] { return !rig.form->busyWindow; }));
        QVERIFY(monitorLines(*rig.form, QStringLiteral("Tx:")).contains(QStringLiteral("Tx:@CLR")));
        QVERIFY(rig.form->spbRead->isEnabled());
        // The timer's memory is empty now.
        QVERIFY(rig.readLaps());
        QCOMPARE(rig.form->lapTable.lapCount, 0);
    }
    QVERIFY(rig.form->close());
}

QTEST_MAIN(TestLaps)
#include "tst_laps.moc"
