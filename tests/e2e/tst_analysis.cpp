// The "分析" page, the session summary PDF and the logbook end to end: the real main window,
// offscreen, reading 45 laps from koda-sim, then live laps with fuel readings between them.
#include "app/frmmain.h"
#include "app/logbookhookup.h"
#include "files/sessionreport.h"
#include "laps/lapanalysisview.h"
#include "laps/lapgridview.h"
#include "logbook/logbookstore.h"
#include "logbook/logbookwindow.h"
#include "pitboard/pitboardwindow.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/updown.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

const QStringList sessionOptions{QStringLiteral("--rk13"),    QStringLiteral("--qk11"),
                                 QStringLiteral("--laps"),    QStringLiteral("45"),
                                 QStringLiteral("--sectors"), QStringLiteral("3"),
                                 QStringLiteral("--seed"),    QStringLiteral("11")};

// The value of the figure with the given caption, empty when the page does not show it.
QString figure(const TMainForm& f, const QString& caption) {
    const QTableWidget* t = f.tabAnalysis->grdAnalysisFigures;
    for (int r = 0; r < t->rowCount(); ++r)
        if (t->item(r, 0)->text() == caption)
            return t->item(r, 1)->text();
    return {};
}

QString lapNumber(int lap) {
    return QString::asprintf("%03d", lap);
}

QString outputPath(const QString& name) {
    QString base = qEnvironmentVariable("KODA_TEST_OUTPUT");
    if (base.isEmpty())
        base = QDir::currentPath() + QStringLiteral("/test-output");
    QDir().mkpath(base);
    return base + QLatin1Char('/') + name;
}

} // namespace

class TestAnalysis : public QObject {
    Q_OBJECT

private slots:
    void pageAgreesWithTheLapTimer();
    void liveLapsWithFuelGiveFuelPerLap();
    void sessionIsKeptInTheLogbook();
    void markedLapsLeaveTheAnalysis();
    void pitBoardFollowsTheLiveLaps();
    void summaryPdf_data();
    void summaryPdf();
};

// The lap timer names its best lap and fastest sectors itself ("LInfo:"); the analysis finds
// them from the cells alone, and the page sits after the lap timer's pages.
void TestAnalysis::pageAgreesWithTheLapTimer() {
    SimProcess sim(sessionOptions);
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    QCOMPARE(f.lapTable.lapCount, 45);
    QCOMPARE(f.PageControlSetting->indexOf(f.tabAnalysis), 3);
    QCOMPARE(f.PageControlSetting->tabText(3), QStringLiteral("分析"));
    QVERIFY(f.mnuSessionReport->isEnabled());

    QCOMPARE(figure(f, QStringLiteral("計測ラップ数")), QStringLiteral("45"));
    QVERIFY(figure(f, QStringLiteral("ベストラップ"))
                .endsWith(QStringLiteral("ラップ") + lapNumber(f.lapTable.bestLap)));
    for (int s = 0; s < 3; ++s)
        QVERIFY(
            figure(f, QStringLiteral("セクタ%1ベスト").arg(s + 1))
                .endsWith(QStringLiteral("ラップ") + lapNumber(f.lapTable.fastestSectorLap[s])));
    QVERIFY(figure(f, QStringLiteral("最高速 ベスト"))
                .endsWith(QStringLiteral("ラップ") + lapNumber(f.lapTable.topSpeedLap)));
    QVERIFY(figure(f, QStringLiteral("1ラップの燃料")).isEmpty()); // no live laps yet

    const QTableWidget* deltas = f.tabAnalysis->grdLapDelta;
    QCOMPARE(deltas->rowCount(), 45);
    QCOMPARE(deltas->columnCount(), 4 + 3);
    const int bestRow = f.lapTable.bestLap - 1;
    QCOMPARE(deltas->item(bestRow, 2)->text(), QStringLiteral("★"));
    QCOMPARE(deltas->item(bestRow, 1)->text(), f.lapTable.cell(1, f.lapTable.bestLap + 1));

    // Stepping the clean-lap limit recomputes the page.
    const QString clean = figure(f, QStringLiteral("クリーンラップ（107%以内）"));
    QVERIFY(!clean.isEmpty());
    f.tabAnalysis->updCleanLimit->setPosition(100);
    QCOMPARE(figure(f, QStringLiteral("クリーンラップ（100%以内）")), QStringLiteral("1 / 45"));
    f.tabAnalysis->updCleanLimit->setPosition(107);

    f.PageControlSetting->setCurrentWidget(f.tabAnalysis);
    QTest::qWait(50);
    QVERIFY(windowcheck::saveScreenshot(&f, QStringLiteral("main-analysis-45laps")));
    const QStringList missing = windowcheck::missingGlyphs(&f);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    QVERIFY(f.close());
}

void TestAnalysis::liveLapsWithFuelGiveFuelPerLap() {
    SimProcess sim(sessionOptions);
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    // A reading, a lap, a reading, a lap, a reading, a lap: each in a reception of its own.
    for (int lap = 46; lap <= 48; ++lap) {
        const QString before = f.pnlTrip->text(); // 0.3 km further every reading
        sim.command("fuel");
        QVERIFY(rig.waitFor([&] { return f.pnlTrip->text() != before; }, 5000));
        sim.command("live");
        QVERIFY(rig.waitFor([&] { return !f.lapTable.cell(1, lap + 1).isEmpty(); }, 5000));
    }
    // The simulated meter uses 0.025 l a reading, one reading a lap here.
    QCOMPARE(figure(f, QStringLiteral("1ラップの燃料")), QStringLiteral("0.025 ㍑"));
    const std::optional<FuelPerLap> fuel = f.lapFuel.estimate();
    QVERIFY(fuel);
    QCOMPARE(fuel->lapsCounted, 2);
    QVERIFY2(qAbs(fuel->litresPerLap - 0.025) < 1e-4,
             qPrintable(QString::number(fuel->litresPerLap)));
    QVERIFY(!figure(f, QStringLiteral("残り周回数")).isEmpty());
    QCOMPARE(figure(f, QStringLiteral("計測ラップ数")), QStringLiteral("48"));
    QVERIFY(f.close());
}

namespace {

// A lap time of the grid (" MM'SS\"HH") in hundredths, read here without the program's parser.
int hundredths(const QString& cell) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(\\d+)'(\\d+)\"(\\d+)")).match(cell);
    return m.captured(1).toInt() * 6000 + m.captured(2).toInt() * 100 + m.captured(3).toInt();
}

} // namespace

// The read, the live laps and the fuel readings are in the logbook without a click, and a new
// store on the same file finds them after the window is gone.
void TestAnalysis::sessionIsKeptInTheLogbook() {
    SimProcess sim(sessionOptions);
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    const QString path = rig.dir.filePath(QStringLiteral("data/KodaMonitor/logbook.sqlite"));
    auto* hookup = new LogbookHookup(*rig.form, rig.prompts, path); // the window owns it
    QVERIFY(!QFile::exists(path)); // opened on the first event, not at start-up
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    for (int lap = 46; lap <= 48; ++lap) {
        const QString before = f.pnlTrip->text();
        sim.command("fuel");
        QVERIFY(rig.waitFor([&] { return f.pnlTrip->text() != before; }, 5000));
        sim.command("live");
        QVERIFY(rig.waitFor([&] { return !f.lapTable.cell(1, lap + 1).isEmpty(); }, 5000));
    }
    f.mnuLogbook->trigger();
    logbook::LogbookWindow* window = hookup->window();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->grdSessions->model()->rowCount(), 2);
    QVERIFY(hookup->store().updateSession(1, QStringLiteral("ツインリンクもてぎ"),
                                          QStringLiteral("NSF250R"),
                                          QStringLiteral("晴れ、ドライ。リアタイヤ新品")));
    QVERIFY(hookup->store().setTrack(QStringLiteral("ツインリンクもてぎ"), QStringLiteral("4.8")));
    QTest::qWait(50);
    QVERIFY(windowcheck::saveScreenshot(window, QStringLiteral("logbook-sessions")));
    QVERIFY(!rig.prompts.texts().join(QString()).contains(QStringLiteral("ログブック")));
    QVERIFY(f.close());
    rig.form.reset();

    const QList<QStringList> simLaps = simulatorLaps(sessionOptions);
    logbook::LogbookStore again(path);
    QVERIFY(again.open());
    QSqlQuery q(again.database());
    QVERIFY(q.exec(QStringLiteral("SELECT id, kind, complete, lap_count, model, radio_id, "
                                  "course_length, track FROM sessions ORDER BY id")));
    QVERIFY(q.next());
    const qint64 read = q.value(0).toLongLong();
    QCOMPARE((QVariantList{q.value(1), q.value(2), q.value(3), q.value(4), q.value(5), q.value(6),
                           q.value(7)}),
             (QVariantList{QStringLiteral("read"), 1, 45, QStringLiteral("RK-13"), 0x1234,
                           QStringLiteral("3.7"), QStringLiteral("ツインリンクもてぎ")}));
    QVERIFY(q.next());
    const qint64 live = q.value(0).toLongLong();
    QCOMPARE((QVariantList{q.value(1), q.value(3)}), (QVariantList{QStringLiteral("live"), 3}));
    QVERIFY(!q.next());
    QVERIFY(q.exec(QStringLiteral("SELECT lap, time, s1, top_speed FROM laps WHERE session_id = "
                                  "%1 ORDER BY lap")
                       .arg(read)));
    for (const QStringList& lap : simLaps) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), lap.value(0).toInt());
        QCOMPARE(q.value(1).toInt(), hundredths(lap.value(1)));
        QCOMPARE(q.value(2).toInt(), hundredths(lap.value(2)));
        QCOMPARE(q.value(3).toInt(), lap.value(6).toInt());
    }
    QVERIFY(q.exec(
        QStringLiteral("SELECT group_concat(lap) FROM laps WHERE session_id = %1").arg(live)));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("46,47,48"));
    QVERIFY(q.exec(QStringLiteral("SELECT count(*), max(distance) - min(distance) FROM fuel "
                                  "WHERE session_id = %1")
                       .arg(live)));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 3);
    QCOMPARE(q.value(1).toInt(), 6); // 0.3 km a reading, in tenths of a km
}

// On a field link (replies late, lost or split), a read is kept as far as it came; a lap marked
// from the grid's menu leaves the analysis, and the session opened again from the logbook
// shows the same laps with its mark still out.
void TestAnalysis::markedLapsLeaveTheAnalysis() {
    SimProcess sim(sessionOptions + QStringList{QStringLiteral("--field")});
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    auto* hookup = new LogbookHookup(*rig.form, rig.prompts,
                                     rig.dir.filePath(QStringLiteral("logbook.sqlite")));
    TMainForm& f = *rig.form;
    // As a racer does when a read brings nothing: read again.
    for (int attempt = 0; attempt < 3 && f.lapTable.cell(LapTable::ColTime, 2).isEmpty(); ++attempt)
        QVERIFY(rig.readLaps());
    const feed::LapSet shown = feed::LapSet::fromTable(f.lapTable);
    QVERIFY(!shown.laps.isEmpty());
    logbook::LogbookStore& store = hookup->store();
    const qint64 read = store.shownSession();
    QSqlQuery q(store.database());
    QVERIFY(
        q.exec(QStringLiteral("SELECT lap_count, complete FROM sessions WHERE id = %1").arg(read)));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), shown.laps.size());
    QCOMPARE(q.value(1).toBool(), shown.laps.size() == 45);

    // The first lap, marked out-lap from its row's menu.
    const int row = LapTable::rowOfLap(shown.laps.first().lap);
    f.showLapMarkMenu(
        f.StringGrid1->visualRect(f.StringGrid1->model()->index(row, LapTable::ColTime)).center());
    auto* menu = f.StringGrid1->findChild<QMenu*>(QStringLiteral("mnuLapMark"));
    QVERIFY(menu);
    QCOMPARE(menu->actions().value(0)->isChecked(), true); // マークなし
    menu->actions().value(1)->trigger();                   // アウトラップ
    menu->close();
    QCOMPARE(figure(f, QStringLiteral("除外したラップ")), QStringLiteral("1"));
    QCOMPARE(figure(f, QStringLiteral("計測ラップ数")), QString::number(shown.laps.size() - 1));
    const QString bestWithout = figure(f, QStringLiteral("ベストラップ"));

    // Opened again from the logbook: the same cells, the caption naming the session.
    QVERIFY(rig.readLaps()); // something else in the grid first
    hookup->openInGrid(read);
    QVERIFY(f.windowTitle().startsWith(QStringLiteral("KODA Monitor - ログブック ")));
    const feed::LapSet reopened = feed::LapSet::fromTable(f.lapTable);
    QCOMPARE(reopened.laps.size(), shown.laps.size());
    for (int i = 0; i < shown.laps.size(); ++i)
        QCOMPARE(reopened.laps[i].cells.mid(0, LapTable::ColRemarks),
                 shown.laps[i].cells.mid(0, LapTable::ColRemarks));
    QCOMPARE(figure(f, QStringLiteral("除外したラップ")), QStringLiteral("1"));
    QCOMPARE(figure(f, QStringLiteral("ベストラップ")), bestWithout);
    QVERIFY(f.close());
}

// The pit board beside the main window: each live lap on the board as the grid shows it, in
// the same pass; a new best and low fuel called out; the port's loss said at once.
void TestAnalysis::pitBoardFollowsTheLiveLaps() {
    auto sim = std::make_unique<SimProcess>(sessionOptions);
    MainFormRig rig;
    QVERIFY(rig.start(*sim, courseLengthIni));
    TMainForm& f = *rig.form;
    pitboard::PitBoardWindow board(f.eventFeed, QString());
    board.setMuted(true);
    pitboard::Rules rules;
    rules.lowFuelLaps = 1e6; // any estimate is low: said with the first one, once
    board.model().setRules(rules);
    board.showBoard();
    const auto text = [&board](const char* name) {
        return board.findChild<QLabel*>(QString::fromLatin1(name))->text();
    };
    // Hundredths of a grid time cell " MM'SS\"HH", read here by hand.
    const auto hundredths = [](const QString& cell) {
        const QString t = cell.trimmed();
        return t.left(2).toInt() * 6000 + t.mid(3, 2).toInt() * 100 + t.mid(6, 2).toInt();
    };
    int best = 0;
    int newBests = 0;
    for (int lap = 46; lap <= 50; ++lap) {
        const QString before = f.pnlTrip->text();
        sim->command("fuel");
        QVERIFY(rig.waitFor([&] { return f.pnlTrip->text() != before; }, 5000));
        sim->command("live");
        const int row = LapTable::rowOfLap(lap);
        QVERIFY(
            rig.waitFor([&] { return !f.lapTable.cell(LapTable::ColTime, row).isEmpty(); }, 5000));
        // No wait: the board already shows what the grid shows.
        const QString cell = f.lapTable.cell(LapTable::ColTime, row);
        QCOMPARE(text("lblPitLapTime"), cell.trimmed());
        QCOMPARE(text("lblPitLapNumber"), QStringLiteral("ラップ %1").arg(lap));
        const int time = hundredths(cell);
        if (best != 0 && time < best)
            ++newBests;
        if (best == 0 || time < best)
            best = time;
        QVERIFY(text("lblPitSessionBest")
                    .startsWith(QStringLiteral("ベスト %1")
                                    .arg(QString::asprintf("%02d'%02d\"%02d", best / 6000,
                                                           best / 100 % 60, best % 100))));
    }
    QCOMPARE(board.alertsFired().count(pitboard::Alert::NewBest), newBests);
    QCOMPARE(board.alertsFired().count(pitboard::Alert::LowFuel), 1);
    QVERIFY(windowcheck::saveScreenshot(&board, QStringLiteral("pitboard-live")));

    sim.reset(); // the adapter is unplugged
    QVERIFY(rig.waitFor(
        [&] { return text("lblPitLink") == QStringLiteral("ポートが閉じています"); }, 10000));
    QVERIFY(f.close());
}

void TestAnalysis::summaryPdf_data() {
    QTest::addColumn<bool>("writable");
    QTest::newRow("saved") << true;
    QTest::newRow("folder missing") << false;
}

void TestAnalysis::summaryPdf() {
    QFETCH(bool, writable);
    SimProcess sim(sessionOptions);
    MainFormRig rig;
    QVERIFY(rig.start(sim, courseLengthIni));
    QVERIFY(rig.readLaps());
    TMainForm& f = *rig.form;
    const QString path = writable ? outputPath(QStringLiteral("session-45laps.pdf"))
                                  : rig.dir.filePath(QStringLiteral("missing/session.pdf"));
    QFile::remove(path);
    rig.prompts.fileNames = {path};
    const qsizetype shownBefore = rig.prompts.texts().size();
    f.mnuSessionReportClick();
    QVERIFY(rig.prompts.fileNames.isEmpty()); // the dialog was asked
    // The status bar names the file saved, and nothing after a failure.
    const QString notice = f.statusPanel[0]->text();
    QCOMPARE(notice.startsWith(QStringLiteral("保存しました：")), writable);
    QCOMPARE(notice.endsWith(QStringLiteral("/session-45laps.pdf")), writable);
    if (!writable) {
        QVERIFY(!QFile::exists(path));
        QCOMPARE(rig.prompts.texts().size(), shownBefore + 1);
        QVERIFY(rig.prompts.texts().last().startsWith(
            QStringLiteral("ファイルに保存できませんでした。\r\n") + path));
        QVERIFY(f.close());
        return;
    }
    QCOMPARE(rig.prompts.texts().size(), shownBefore); // no message
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
             2);
    QVERIFY(pdf.contains("/FontFile")); // the Japanese font travels with the file
    QVERIFY(pdf.contains("NotoSansCJK"));
    // The same pages as pictures, to look at where no PDF viewer is at hand.
    const QList<QImage> pages = sessionReportPages(
        f.currentSessionReport(QDateTime::currentDateTime()),
        [&f](QPainter& painter, const QRectF& target) { f.drawChartInto(painter, target); });
    QCOMPARE(pages.size(), 2);
    for (int n = 0; n < pages.size(); ++n)
        QVERIFY(pages[n].save(
            windowcheck::screenshotPath(QStringLiteral("session-45laps-page%1").arg(n + 1))));
    QVERIFY(f.close());
}

QTEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
