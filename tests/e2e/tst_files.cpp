// Files and hand-offs end to end: lap files saved and loaded by the real main window,
// the RK-12's lap lists, the fuel log fed by koda-sim, and the mail hand-off.
#include "app/frmmain.h"
#include "capture/capturefile.h"
#include "files/fuellog.h"
#include "files/mailuri.h"
#include "support/filebytes.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/frmanimation.h"
#include "windows/frmsettings.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// The lap-timer model chosen in the port dialog, as a user does it.
void chooseRk12(MainFormRig& rig) {
    rig.prompts.dialogs.append([](QDialog& dialog) {
        auto& settings = static_cast<TSettingsForm&>(dialog);
        settings.rbtRK12->setChecked(true);
        settings.bbtnOk->click();
        return int(settings.result());
    });
    rig.form->mnuCommSettingsClick();
}

// The same as a user does it on the screen: the dialog shown, Tab from the port entry to
// the model, an arrow key to the RK-12, Enter for OK. The dialog is saved as a picture.
void chooseRk12ByKeyboard(MainFormRig& rig, bool& modelSeen) {
    rig.prompts.dialogs.append([&modelSeen](QDialog& dialog) {
        auto& settings = static_cast<TSettingsForm&>(dialog);
        settings.show();
        if (!QTest::qWaitForWindowExposed(&settings))
            return int(QDialog::Rejected);
        settings.activateWindow();
        // The arrow keys act in the active window, on the focused control: wait for both, as
        // long as a loaded machine needs.
        (void)QTest::qWaitForWindowActive(&settings, 60000);
        settings.cmbComCh->setFocus();
        (void)QTest::qWaitFor([&settings] { return settings.cmbComCh->hasFocus(); }, 60000);
        const QRect inside = settings.rect();
        modelSeen = settings.GroupBox2->isVisible() && settings.rbtRK12->isVisible() &&
                    inside.contains(settings.GroupBox2->geometry());
        for (int i = 0; i < 4 && settings.focusWidget() != settings.rbtRK13; ++i)
            QTest::keyClick(settings.focusWidget(), Qt::Key_Tab);
        QTest::keyClick(settings.focusWidget(), Qt::Key_Up);
        windowcheck::saveScreenshot(&settings, QStringLiteral("port-dialog-model-RK12"));
        QTest::keyClick(settings.focusWidget(), Qt::Key_Return);
        return int(settings.result());
    });
    rig.form->mnuCommSettingsClick();
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void savedLapsLoadBackTheSame();
    void lapsWithoutLapInformationLoadBack_data();
    void lapsWithoutLapInformationLoadBack();
    void failedSaveKeepsTheOldFile();
    void badTimeCellsAreToldOnce();
    void rejectedFileLeavesAnEmptyGrid_data();
    void rejectedFileLeavesAnEmptyGrid();
    void rk12ReadFillsLapsAndSectors_data();
    void rk12ReadFillsLapsAndSectors();
    void rk12ChosenInThePortDialogReadsEveryLap_data();
    void rk12ChosenInThePortDialogReadsEveryLap();
    void rk12GarbledListIsAskedForAgain_data();
    void rk12GarbledListIsAskedForAgain();
    void fuelLogHoldsOneRowPerFrame();
    void killedProgramLeavesTheFuelRows();
    void fuelLogKeepsItsReadingsWhenItsFileIsTaken_data();
    void fuelLogKeepsItsReadingsWhenItsFileIsTaken();
    void mailHandOffCarriesTheMonitor_data();
    void mailHandOffCarriesTheMonitor();
};

void TestFiles::savedLapsLoadBackTheSame() {
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("45"), QStringLiteral("--sectors"),
                    QStringLiteral("4")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    // Remarks typed by the user, with a comma, a blank and a double quote.
    f.lapTable.setCell(8, 5, QStringLiteral("rain, \"wet\" track"));
    f.dataModified = true;
    const QString path = rig.dir.filePath(QStringLiteral("laps.csv"));
    rig.prompts.fileNames = {path};
    f.mnuCsvSaveClick();
    QVERIFY(!f.dataModified);
    // The status bar names the file for a while, whatever hint comes meanwhile; then the
    // hint of the moment shows again. The caption stays.
    QCOMPARE(f.statusPanel[0]->text(), QStringLiteral("保存しました：") + path);
    QCOMPARE(f.windowTitle(), QStringLiteral("KODA Monitor"));
    f.ShowHint(f.spbSave->statusTip());
    QCOMPARE(f.statusPanel[0]->text(), QStringLiteral("保存しました：") + path);
    QVERIFY(f.timSavedNotice.isActive());
    f.timSavedNoticeTimer();
    QCOMPARE(f.statusPanel[0]->text(), f.spbSave->statusTip());
    QVERIFY(readAll(path).startsWith("RIN KODA Terminal Version 2.0\r\nLaps,45\r\n"));
    QVERIFY(readAll(path).endsWith("\r\n"));

    QStringList before;
    for (int row = 0; row < LapTable::RowCount; ++row)
        for (int col = 0; col < LapTable::ColumnCount; ++col)
            before << f.lapTable.cell(col, row);
    const int bestMark = f.lapTable.bestLapMark;
    const int topMark = f.lapTable.topSpeedMark;
    const auto sectorMarks = f.lapTable.fastestSectorMark;

    rig.prompts.fileNames = {path};
    f.mnuCsvLoadClick();
    QCOMPARE(f.windowTitle(), QStringLiteral("KODA Monitor - ") + path);
    QVERIFY(f.spbSave->isEnabled());
    for (int row = 0; row < LapTable::RowCount; ++row)
        for (int col = 0; col < LapTable::ColumnCount; ++col) {
            if (row == 0 && col == 8) {
                // The lap count is written back without leading zeros.
                QCOMPARE(f.lapTable.cell(col, row), QStringLiteral("全ラップ 45"));
                continue;
            }
            QCOMPARE(f.lapTable.cell(col, row), before[row * LapTable::ColumnCount + col]);
        }
    QCOMPARE(f.lapTable.bestLapMark, bestMark);
    QCOMPARE(f.lapTable.topSpeedMark, topMark);
    QCOMPARE(f.lapTable.fastestSectorMark, sectorMarks);
    QCOMPARE(f.lblLaps->text(), QStringLiteral("45"));
    // The chart is drawn from the loaded cells as from read ones.
    QVERIFY(f.close());
}

void TestFiles::lapsWithoutLapInformationLoadBack_data() {
    // Laps in the grid with no lap count in its best row: live laps only, or laps read and
    // then cleared from the grid with a remark typed afterwards. The count label still holds
    // the window's design text or the cleared read's count; the file holds the laps shown.
    QTest::addColumn<bool>("clearAfterRead");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("live laps only") << false
                                    << QByteArray("RIN KODA Terminal Version 2.0\r\nLaps,3\r\n"
                                                  "\x83\x78\x83\x58\x83\x67,,,,,,,,\r\n");
    QTest::newRow("grid clear, then a remark")
        << true
        << QByteArray("RIN KODA Terminal Version 2.0\r\nLaps,4\r\n"
                      "\x83\x78\x83\x58\x83\x67,,,,,,,,\r\n");
}

void TestFiles::lapsWithoutLapInformationLoadBack() {
    QFETCH(bool, clearAfterRead);
    QFETCH(QByteArray, start);
    SimProcess sim({QStringLiteral("--laps"), QString::fromLatin1(clearAfterRead ? "12" : "0")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    TMainForm& f = *rig.form;
    if (clearAfterRead) {
        QVERIFY(rig.readLaps());
        QCOMPARE(f.lblLaps->text(), QStringLiteral("12"));
        f.StringGrid1DblClick(); // answered Yes
        QCOMPARE(f.lapTable.cell(1, 2), QString());
        f.lapTable.setCell(8, 5, QStringLiteral("pit in"));
        f.dataModified = true;
    } else {
        QCOMPARE(f.lblLaps->text(), QStringLiteral("300"));
        for (int lap = 1; lap <= 3; ++lap) {
            sim.command("live");
            QVERIFY(rig.waitFor([&] { return !f.lapTable.cell(1, lap + 1).isEmpty(); }));
        }
    }
    const QString path = rig.dir.filePath(QStringLiteral("laps.csv"));
    rig.prompts.fileNames = {path};
    f.mnuCsvSaveClick();
    const QByteArray saved = readAll(path);
    QVERIFY2(saved.startsWith(start), saved.left(200).constData());

    QStringList before;
    for (int row = 0; row < LapTable::RowCount; ++row)
        for (int col = 0; col < LapTable::ColumnCount; ++col)
            before << f.lapTable.cell(col, row);
    rig.prompts.fileNames = {path};
    f.mnuCsvLoadClick();
    QCOMPARE(f.windowTitle(), QStringLiteral("KODA Monitor - ") + path);
    for (const QString& text : rig.prompts.texts())
        QVERIFY2(!text.startsWith(QStringLiteral("ファイル")), qPrintable(text));
    for (int row = 0; row < LapTable::RowCount; ++row)
        for (int col = 0; col < LapTable::ColumnCount; ++col) {
            // The best row now shows the count the file carries.
            const QString expected = row == 0 && col == 8
                                         ? QStringLiteral("全ラップ %1").arg(clearAfterRead ? 4 : 3)
                                         : before[row * LapTable::ColumnCount + col];
            QCOMPARE(f.lapTable.cell(col, row), expected);
        }
    QVERIFY(f.close());
}

// A lap file with bad time cells, loaded while live laps keep coming (each rebuilds the
// chart): the cells are told once, in one message that names the first of them, and not
// again with every live lap.
void TestFiles::badTimeCellsAreToldOnce() {
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("12")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    for (int lap = 1; lap <= 4; ++lap) {
        f.lapTable.setCell(LapTable::ColTime, LapTable::rowOfLap(lap),
                           QStringLiteral(" 01'2x\"00"));
        f.lapTable.setCell(LapTable::sectorColumn(0), LapTable::rowOfLap(lap),
                           QStringLiteral(" 00'30\"100"));
    }
    const QString path = rig.dir.filePath(QStringLiteral("bad.csv"));
    rig.prompts.fileNames = {path};
    f.mnuCsvSaveClick();
    const auto toldBadCells = [&rig] {
        int n = 0;
        for (const auto& shown : rig.prompts.shown)
            n += shown.caption == QStringLiteral("読み込み不可") ? 1 : 0;
        return n;
    };
    const int before = toldBadCells();
    rig.prompts.fileNames = {path};
    f.mnuCsvLoadClick();
    QVERIFY(rig.waitFor([&] { return toldBadCells() > before; }, 5000));
    for (int lap = 13; lap <= 15; ++lap) {
        sim.command("live");
        QVERIFY(rig.waitFor([&] { return f.lapTable.lastLiveRow == LapTable::rowOfLap(lap); }));
    }
    QTest::qWait(300);
    QCOMPARE(toldBadCells(), before + 1);
    const auto& told =
        *std::find_if(rig.prompts.shown.cbegin(), rig.prompts.shown.cend(),
                      [](const auto& s) { return s.caption == QStringLiteral("読み込み不可"); });
    QCOMPARE(told.icon, Prompts::Icon::Error);
    const QString notInteger = QStringLiteral("1周目 タイム: '2x' is not a valid integer value");
    QVERIFY2(told.text.startsWith(QStringLiteral("グラフに表示できないタイムが8件あります。\r\n") +
                                  notInteger),
             qPrintable(told.text));
    QVERIFY(told.text.endsWith(QStringLiteral("\r\n…ほか3件")));
    QVERIFY(f.close());
}

void TestFiles::failedSaveKeepsTheOldFile() {
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("45")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    QVERIFY(rig.readLaps());
    const QString path = rig.dir.filePath(QStringLiteral("old.csv"));
    QVERIFY(writeAll(path, "the old file\r\n"));
    rig.form->dataModified = true;
    // A disk that takes no more than 1000 bytes of a file (root ignores permissions).
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    rig.prompts.fileNames = {path};
    rig.form->mnuCsvSaveClick();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(readAll(path), QByteArray("the old file\r\n"));
    QVERIFY(rig.form->dataModified);
    const auto& report = rig.prompts.shown.last();
    QCOMPARE(report.icon, Prompts::Icon::Error);
    QVERIFY2(report.text.contains(path), qPrintable(report.text));
    QVERIFY(rig.form->close());
}

void TestFiles::rejectedFileLeavesAnEmptyGrid_data() {
    QTest::addColumn<bool>("pipe"); // a named pipe instead of a file
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong format") << false << QStringLiteral("ファイル形式が違います。");
    // Opening a pipe would wait for a writer with the window frozen.
    QTest::newRow("named pipe") << true
                                << QStringLiteral("ファイルを読み込めませんでした。\r\n%1\r\n"
                                                  "通常のファイルではありません。");
}

void TestFiles::rejectedFileLeavesAnEmptyGrid() {
    QFETCH(bool, pipe);
    QFETCH(QString, message);
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("10")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    QVERIFY(rig.readLaps());
    const QString path = rig.dir.filePath(QStringLiteral("broken.csv"));
    if (pipe) {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QVERIFY(writeAll(path, "RIN,KODA,Terminal,Version,2.0\r\nLaps,3\r\nSomething,else\r\n"));
    }
    rig.prompts.fileNames = {path};
    rig.form->mnuCsvLoadClick();
    QCOMPARE(rig.prompts.fileDialogSuffixes, QStringList{QStringLiteral("csv")});
    QCOMPARE(rig.prompts.shown.last().text, pipe ? message.arg(path) : message);
    QCOMPARE(rig.prompts.shown.last().caption, QStringLiteral("RIN-KODA"));
    QCOMPARE(rig.prompts.shown.last().icon, Prompts::Icon::Warning);
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("KODA Monitor"));
    QCOMPARE(rig.form->lapTable.cell(1, 2), QString());
    QCOMPARE(rig.form->lapTable.cell(0, 2), QStringLiteral("001"));
    QCOMPARE(rig.form->lapTable.bestLapMark, 0);
    QCOMPARE(rig.form->lblLaps->text(), QString());
    QVERIFY(rig.form->close());
}

void TestFiles::rk12ReadFillsLapsAndSectors_data() {
    // The lists carry no end line: each is complete when its lap lines are all there.
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("laps");
    QTest::addColumn<QStringList>("link"); // how the lists travel
    QTest::newRow("1 magnetic line") << 1 << 20 << QStringList{};
    QTest::newRow("2 magnetic lines") << 2 << 20 << QStringList{};
    QTest::newRow("3 magnetic lines") << 3 << 20 << QStringList{};
    QTest::newRow("4 magnetic lines") << 4 << 20 << QStringList{};
    QTest::newRow("45 laps, 3 lines, each list split by a 300 ms pause")
        << 3 << 45 << QStringList{QStringLiteral("--list-pause"), QStringLiteral("300")};
    // A list is whole only with the line end of its last line, wherever the pause falls.
    QTest::newRow("20 laps, 2 lines, each list split right after its last comma")
        << 2 << 20
        << QStringList{QStringLiteral("--list-pause"), QStringLiteral("300"),
                       QStringLiteral("--list-split"), QStringLiteral("last-comma")};
    QTest::newRow("20 laps, 2 lines, each list split inside its last value")
        << 2 << 20
        << QStringList{QStringLiteral("--list-pause"), QStringLiteral("300"),
                       QStringLiteral("--list-split"), QStringLiteral("-3")};
    QTest::newRow("45 laps, 3 lines, field link: lists split at any byte, late replies")
        << 3 << 45 << QStringList{QStringLiteral("--field")};
    QTest::newRow("no laps") << 2 << 0 << QStringList{};
    QTest::newRow("lists that end with END")
        << 2 << 20 << QStringList{QStringLiteral("--list-end")};
}

void TestFiles::rk12ReadFillsLapsAndSectors() {
    QFETCH(int, lines);
    QFETCH(int, laps);
    QFETCH(QStringList, link);
    const QStringList options{QStringLiteral("--rk12"), QStringLiteral("--laps"),
                              QString::number(laps),    QStringLiteral("--sectors"),
                              QString::number(lines),   QStringLiteral("--seed"),
                              QStringLiteral("5")};
    const QList<QStringList> expected = simulatorLaps(options);
    QCOMPARE(expected.size(), laps);
    SimProcess sim(options + link);
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    chooseRk12(rig);
    QCOMPARE(rig.form->deviceModel, DeviceModel::RK12);
    QVERIFY(rig.form->portOpen);
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;

    QStringList sent{QStringLiteral("Tx:@CP"), QStringLiteral("Tx:@LAP")};
    for (int s = 1; s <= lines && lines >= 2; ++s)
        sent << QStringLiteral("Tx:@SECTOR:%1").arg(s);
    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")), sent);
    QVERIFY(monitorLines(f, QStringLiteral("Wakeup Retry:")).isEmpty());
    QVERIFY(!rig.prompts.texts().contains(
        QStringLiteral("KODAシリーズと通信できませんでした。\r\n接続を確認してください。")));
    QCOMPARE(f.lblLaps->text(), QString::number(laps));
    for (const QStringList& lap : expected) {
        const int row = lap[0].toInt() + 1;
        QCOMPARE(f.lapTable.cell(0, row), lap[0]);
        // List times lose their first character (the blank) on the way in.
        QCOMPARE(f.lapTable.cell(1, row), lap[1].mid(1));
        for (int s = 1; s <= 4; ++s)
            QCOMPARE(f.lapTable.cell(1 + s, row),
                     s <= lines && lines >= 2 ? lap[1 + s].mid(1) : QString());
        QCOMPARE(f.lapTable.cell(6, row), lap[6]);
    }
    QCOMPARE(f.lapTable.cell(1, laps + 2), QString()); // nothing beyond the last lap
    const int best = f.lapTable.bestLapMark;
    QVERIFY(laps == 0 || (best >= 1 && best <= laps));
    QVERIFY(laps == 0 || f.lapTable.cell(8, best + 1).contains(QStringLiteral("FL ")));
    QVERIFY(f.spbSave->isEnabled());
    QVERIFY(f.close());
}

namespace {

// The laps read from an RK-12 chosen in the port dialog, compared with the simulator's own.
void compareRk12Laps(TMainForm& f, const QList<QStringList>& expected, int lines) {
    QCOMPARE(f.lblLaps->text(), QString::number(expected.size()));
    for (const QStringList& lap : expected) {
        const int row = lap[0].toInt() + 1;
        QCOMPARE(f.lapTable.cell(0, row), lap[0]);
        QCOMPARE(f.lapTable.cell(1, row), lap[1].mid(1));
        for (int s = 1; s <= 4; ++s)
            QCOMPARE(f.lapTable.cell(1 + s, row), s <= lines ? lap[1 + s].mid(1) : QString());
        QCOMPARE(f.lapTable.cell(6, row), lap[6]);
    }
}

} // namespace

void TestFiles::rk12ChosenInThePortDialogReadsEveryLap_data() {
    QTest::addColumn<int>("laps");
    QTest::addColumn<int>("baud");
    QTest::newRow("20 laps, 4 lines, 38400 baud") << 20 << 38400;
    // The lap list takes about 16 s on the wire, longer than the 12 s reply wait.
    QTest::newRow("300 laps, 4 lines, 4800 baud") << 300 << 4800;
}

void TestFiles::rk12ChosenInThePortDialogReadsEveryLap() {
    QFETCH(int, laps);
    QFETCH(int, baud);
    const QStringList options{QStringLiteral("--rk12"), QStringLiteral("--laps"),
                              QString::number(laps),    QStringLiteral("--sectors"),
                              QStringLiteral("4"),      QStringLiteral("--seed"),
                              QStringLiteral("8")};
    const QList<QStringList> expected = simulatorLaps(options);
    QCOMPARE(expected.size(), laps);
    SimProcess sim(options + QStringList{QStringLiteral("--baud"), QString::number(baud)});
    MainFormRig rig;
    QVERIFY(rig.start(sim, QStringLiteral("[Com]\r\nBaudRate=%1\r\n").arg(baud)));
    bool modelSeen = false;
    chooseRk12ByKeyboard(rig, modelSeen);
    QVERIFY(modelSeen);
    TMainForm& f = *rig.form;
    QCOMPARE(f.deviceModel, DeviceModel::RK12);
    QCOMPARE(f.commSettings.baudRate, baud);
    QCOMPARE(f.commSettings.parity, quint8(0)); // the RK-12's cable
    QVERIFY(f.portOpen);

    QElapsedTimer took;
    took.start();
    f.spbReadClick();
    QVERIFY(rig.idle(240000));
    qInfo("%d laps, 4 lines at %d baud read in %.1f s", laps, baud, took.elapsed() / 1000.0);
    // One answer to each request, none sent again: "@CP", "@LAP" and four sector lists (the
    // monitor keeps only the end of such long lists).
    QCOMPARE(sim.output().count("reply\n"), 6);
    QCOMPARE(rig.prompts.texts(), QStringList{linkedMessage});
    compareRk12Laps(f, expected, 4);
    QVERIFY(f.close());
    QVERIFY(readAll(rig.dir.filePath(QStringLiteral("KodaMonitor.ini")))
                .contains("Rin Koda=RK-12\r\n"));
}

void TestFiles::rk12GarbledListIsAskedForAgain_data() {
    QTest::addColumn<int>("garbled");     // --garble-list
    QTest::addColumn<QString>("failure"); // the message that ends the read, if any
    // The second list is the first sector list: it needs the lap count the lap list gave.
    QTest::newRow("first sector list garbled once") << 2 << QString();
    QTest::newRow("every list garbled")
        << 0 << QStringLiteral("RIN KODAから受信したラップデータを読み取れませんでした。");
}

void TestFiles::rk12GarbledListIsAskedForAgain() {
    QFETCH(int, garbled);
    QFETCH(QString, failure);
    const QStringList options{QStringLiteral("--rk12"), QStringLiteral("--laps"),
                              QStringLiteral("20"),     QStringLiteral("--sectors"),
                              QStringLiteral("2"),      QStringLiteral("--seed"),
                              QStringLiteral("5")};
    const QList<QStringList> expected = simulatorLaps(options);
    SimProcess sim(options +
                   QStringList{QStringLiteral("--garble-list"), QString::number(garbled)});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    chooseRk12(rig);
    TMainForm& f = *rig.form;
    f.spbReadClick();
    // Each time a list is rejected, the reply wait runs out at once.
    int rejected = 0;
    while (rig.waitFor([&] { return f.lapTable.lapReadStep == 0 || !f.lapListFailure.isEmpty(); },
                       15000)) {
        if (f.lapTable.lapReadStep == 0)
            break;
        ++rejected;
        QVERIFY(rejected <= 4);
        f.timWakeupWaitTimer();
    }
    QVERIFY(rig.idle());
    QVERIFY(!rig.prompts.texts().contains(noContactMessage));
    if (failure.isEmpty()) {
        QCOMPARE(rejected, 1);
        QCOMPARE(monitorLines(f, QStringLiteral("Tx:")),
                 (QStringList{QStringLiteral("Tx:@CP"), QStringLiteral("Tx:@LAP"),
                              QStringLiteral("Tx:@SECTOR:1"), QStringLiteral("Tx:@SECTOR:1"),
                              QStringLiteral("Tx:@SECTOR:2")}));
        QCOMPARE(rig.prompts.texts(), QStringList{linkedMessage});
        compareRk12Laps(f, expected, 2);
    } else {
        QCOMPARE(rejected, 4);
        QCOMPARE(rig.prompts.texts(), (QStringList{linkedMessage, failure}));
        QCOMPARE(rig.prompts.shown.last().icon, Prompts::Icon::Warning);
    }
    QVERIFY(f.close());
}

void TestFiles::fuelLogHoldsOneRowPerFrame() {
    SimProcess sim({QStringLiteral("--qk11")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    const QString path = rig.dir.filePath(QStringLiteral("fuel.csv"));
    rig.prompts.fileNames = {path};
    f.rgrpQKLogRecord->click();
    QVERIFY(f.fuelLog->isLogging());
    for (int i = 0; i < 3; ++i) {
        sim.command("fuel");
        QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() == 3 + i; }, 5000));
    }
    QVERIFY(!f.pnlFuel->text().isEmpty());
    f.rgrpQKLogStop->click();
    QVERIFY(!f.fuelLog->isLogging());
    const QStringList lines =
        QString(QStringDecoder("windows-31j").decode(readAll(path))).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6); // two heading lines, three rows, and the final line end
    QVERIFY(lines[0].startsWith(QStringLiteral("QK11(ID:0x5678) ")));
    QVERIFY(lines[0].endsWith(QStringLiteral(" Logging Start")));
    QCOMPARE(lines[1], QStringLiteral("時刻,残燃料,使用燃料,燃費,走行距離"));
    const QRegularExpression row(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d(, *-?\\d+\\.\\d){4}$"));
    for (int i = 2; i < 5; ++i)
        QVERIFY2(row.match(lines[i]).hasMatch(), qPrintable(lines[i]));
    QCOMPARE(lines[5], QString());
    QVERIFY(f.close());
}

void TestFiles::fuelLogKeepsItsReadingsWhenItsFileIsTaken_data() {
    QTest::addColumn<bool>("replaced");
    QTest::newRow("removed") << false;
    QTest::newRow("replaced by another program") << true;
}

// Laps saved over the running fuel log's file (the overwrite question answered Yes) are
// refused; the file then removed or replaced behind the program's back is said at once,
// and every reading goes on in a new file.
void TestFiles::fuelLogKeepsItsReadingsWhenItsFileIsTaken() {
    QFETCH(bool, replaced);
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--laps"), QStringLiteral("5"),
                    QStringLiteral("--qk11")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    QVERIFY(!f.lblLaps->text().isEmpty()); // laps to save
    const QString path = rig.dir.filePath(QStringLiteral("fuel.csv"));
    rig.prompts.fileNames = {path};
    f.rgrpQKLogRecord->click();
    sim.command("fuel");
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() == 3; }));
    const QByteArray logged = readAll(path);

    rig.prompts.shown.clear();
    rig.prompts.fileNames = {path};
    f.mnuCsvSaveClick();
    QCOMPARE(rig.prompts.texts(),
             QStringList{QStringLiteral("このファイルにはQK-11 ログを記録中です。\r\n%1\r\n"
                                        "別のファイル名で保存してください。")
                             .arg(path)});
    QCOMPARE(rig.prompts.shown.first().icon, Prompts::Icon::Warning);
    QCOMPARE(readAll(path), logged);

    const QByteArray other = "another program's file\r\n";
    if (replaced) {
        const QString fresh = rig.dir.filePath(QStringLiteral("other.tmp"));
        QVERIFY(writeAll(fresh, other));
        QVERIFY(::rename(QFile::encodeName(fresh).constData(),
                         QFile::encodeName(path).constData()) == 0);
    } else {
        QVERIFY(QFile::remove(path));
    }
    sim.command("fuel");
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() == 4; }));
    f.timDisplayedTimeTimer(); // the once-a-second look at the file
    const QString recovered = rig.dir.filePath(QStringLiteral("fuel_recovered.csv"));
    QCOMPARE(rig.prompts.shown.size(), 2);
    QCOMPARE(rig.prompts.texts().last(),
             QStringLiteral("QK-11 ログのファイルが削除されたか、別のファイルに置き換えられました。"
                            "\r\n%1\r\n記録はこれまでの分も含めて次のファイルに続けます。\r\n%2")
                 .arg(path, recovered));
    QVERIFY(f.fuelLog->isLogging());
    f.timDisplayedTimeTimer();
    QCOMPARE(rig.prompts.shown.size(), 2); // said once

    sim.command("fuel");
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() == 5; }));
    f.rgrpQKLogStop->click();
    QVERIFY(!f.fuelLog->isLogging());
    QCOMPARE(QString(QStringDecoder("windows-31j").decode(readAll(recovered)))
                 .split(QStringLiteral("\r\n")),
             f.fuelLog->lines() + QStringList{QString()});
    if (replaced)
        QCOMPARE(readAll(path), other);
    else
        QVERIFY(!QFile::exists(path));
    QVERIFY(f.close());
}

void TestFiles::killedProgramLeavesTheFuelRows() {
    // The window runs in a child process (this test program again, in child mode),
    // which is killed while it logs.
    if (qEnvironmentVariableIsSet("KODA_FUELLOG_CHILD")) {
        MainFormRig rig;
        if (!rig.start(qEnvironmentVariable("KODA_FUELLOG_PORT")))
            std::exit(3);
        rig.prompts.fileNames = {qEnvironmentVariable("KODA_FUELLOG_CHILD")};
        rig.form->rgrpQKLogRecord->click();
        QTest::qWait(60000);
        std::exit(4);
    }
    // Readings at least 200 ms apart, so that each is a reception of its own.
    SimProcess sim(
        {QStringLiteral("--qk11"), QStringLiteral("--fuel-period"), QStringLiteral("400")});
    QVERIFY(sim.isValid());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuel.csv"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KODA_FUELLOG_CHILD"), path);
    env.insert(QStringLiteral("KODA_FUELLOG_PORT"), sim.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("killedProgramLeavesTheFuelRows")});
    QVERIFY(child.waitForStarted());
    QElapsedTimer timer;
    timer.start();
    while (readAll(path).count("\r\n") < 5 && timer.elapsed() < 20000)
        QTest::qWait(20);
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(5000);
    const QByteArray bytes = readAll(path);
    QVERIFY2(bytes.count("\r\n") >= 5, bytes.constData());
    QVERIFY(bytes.startsWith("QK11(ID:0x5678) "));
    // Every row so far is complete on disk.
    QVERIFY(bytes.endsWith("\r\n"));
}

void TestFiles::mailHandOffCarriesTheMonitor_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("repeats"); // of 送信失敗 in each line
    QTest::addColumn<bool>("handlerFails");
    QTest::addColumn<bool>("capture");  // the capture beside the window records the line
    QTest::addColumn<bool>("attaches"); // a program hands attachments to the mail program
    QTest::newRow("one line") << 1 << 1 << false << false << false;
    QTest::newRow("no mail program") << 1 << 1 << true << false << false;
    // Double-byte text near the monitor's limit is more than one program argument
    // takes: the mail carries the newest whole lines that fit.
    QTest::newRow("long Japanese lines") << 3 << 3000 << false << false << false;
    QTest::newRow("capture attached") << 1 << 1 << false << true << true;
    // The file is saved all the same, and the user is told where.
    QTest::newRow("capture for the user to attach") << 1 << 1 << false << true << false;
    // Two whole lines would fill the address to a few bytes short of its limit: with the
    // attachment's path beside it, the newest one goes.
    QTest::newRow("full address, capture attached") << 3 << 2729 << false << true << true;
}

void TestFiles::mailHandOffCarriesTheMonitor() {
    QFETCH(int, lines);
    QFETCH(int, repeats);
    QFETCH(bool, handlerFails);
    QFETCH(bool, capture);
    QFETCH(bool, attaches);
    SimProcess sim({QStringLiteral("--rk13")});
    MainFormRig rig;
    rig.withCapture = capture;
    rig.prompts.mailTakesAttachments = attaches;
    QVERIFY(rig.start(sim));
    rig.form->spbMonitorClearClick();
    for (int i = 0; i < lines; ++i)
        rig.form->appendMonitorLine(QStringLiteral("送信失敗").repeated(repeats));
    rig.prompts.urlHandlerFails = handlerFails;
    rig.prompts.shown.clear();
    rig.form->btnSendMailClick();
    QCOMPARE(rig.prompts.openedUrls.size(), 1);
    const QByteArray uri = rig.prompts.openedUrls.first().toLatin1();
    if (lines == 1)
        QCOMPARE(uri, QByteArray("mailto:support@rin-koda.example?subject=RIN-KODA3 Log"
                                 "&body=%91%97%90%4D%8E%B8%94%73%0D%0A"));
    QVERIFY2(uri.startsWith("mailto:support@rin-koda.example?subject=RIN-KODA3 Log&body=%91%97"),
             uri.left(120).constData());
    QVERIFY2(uri.endsWith("%91%97%90%4D%8E%B8%94%73%0D%0A"), uri.right(60).constData());
    QVERIFY(uri.size() < 128 * 1024);

    QCOMPARE(rig.prompts.attachedFiles.size(), attaches ? 1 : 0);
    QStringList messages = rig.prompts.texts();
    QString attachment;
    if (attaches) {
        attachment = rig.prompts.attachedFiles.first();
        QVERIFY(uri.size() + attachmentRoom(attachment) <= 128 * 1024 - 1);
    } else if (capture) {
        const QString told = QStringLiteral("通信のキャプチャを次のファイルに保存しました。"
                                            "メールに添付してください。\r\n");
        QVERIFY2(!messages.isEmpty() && messages.first().startsWith(told),
                 qPrintable(messages.join(u'|')));
        QCOMPARE(rig.prompts.shown.first().icon, Prompts::Icon::Information);
        attachment = messages.takeFirst().mid(told.size());
    }
    if (capture) {
        // The newest capture, in a file of its own: the port search's traffic in both
        // directions, the port opened before it.
        QVERIFY2(QFileInfo(attachment).fileName().startsWith(QStringLiteral("KODA_Capture_")),
                 qPrintable(attachment));
        QVERIFY(attachment.endsWith(QStringLiteral(".pcapng")));
        const capture::ReadResult read = capture::readCaptureFile(attachment);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QVERIFY(!read.records.isEmpty());
        QCOMPARE(read.records.first().kind, QStringLiteral("open"));
        QVERIFY(std::any_of(read.records.begin(), read.records.end(),
                            [](const auto& r) { return r.direction == capture::Direction::Sent; }));
        QVERIFY(std::any_of(read.records.begin(), read.records.end(), [](const auto& r) {
            return r.direction == capture::Direction::Received;
        }));
    }
    if (handlerFails) {
        QCOMPARE(messages, QStringList{QStringLiteral("メールソフトを起動できませんでした。")});
        QCOMPARE(rig.prompts.shown[0].icon, Prompts::Icon::Warning);
        QCOMPARE(rig.prompts.shown[0].caption, QStringLiteral("KODA Monitor"));
    } else {
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'|')));
    }
    QVERIFY(rig.form->close());
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
