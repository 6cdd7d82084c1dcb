// Faults on the line, end to end: koda-sim hanging up in the middle of a download,
// replies split by a pause, garbage before replies, a device that answers everything, and
// a field link that spoils some replies: only those are lost, and each is sent again.
#include "app/frmmain.h"
#include "app/widgetprompts.h"
#include "files/fuellog.h"
#include "serial/rscommthread.h"
#include "support/mainformrig.h"
#include "support/ptypair.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/frmanimation.h"
#include "windows/frmsettings.h"

#include <QComboBox>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <QMessageBox>

#include <algorithm>
#include <memory>

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void hangUpInTheMiddleOfADownload();
    void unpluggedAdapterIsReopenedWhenItReturns();
    void deviceWaitFollowsThePortDialog_data();
    void deviceWaitFollowsThePortDialog();
    void replySplitByAPauseIsRetried();
    void garbageBeforeRepliesIsSkipped();
    void deviceAnsweringEverything();
    void fieldLinkLosesOnlyWhatTheFrameScanDrops_data();
    void fieldLinkLosesOnlyWhatTheFrameScanDrops();
    void liveLapLeavesASettingsRequestItsTimeOut();
    void readEndedEarlySaysSo_data();
    void readEndedEarlySaysSo();
    void pushesSharingAReceptionAreAllTaken();
    void pushesWhileABoxIsOpenAreAllTaken();
};

namespace {

const QString liveLapEndReason =
    QStringLiteral("読み込み中にライブラップを受信したため、読み込みを終了しました。");

// The warning of a read that ended before its last lap.
QString shortReadMessage(int held, int read, const QString& reason) {
    return QStringLiteral("RIN KODAのデータを%1周中%2周しか読み込めませんでした。\r\n%3")
        .arg(held)
        .arg(read)
        .arg(reason);
}

int countShown(const ScriptedPrompts& prompts, const QString& text) {
    return int(prompts.texts().count(text));
}

} // namespace

void TestFaults::hangUpInTheMiddleOfADownload() {
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("koda-port"));
    // The first two blocks get through, the third is cut off.
    auto sim = std::make_unique<SimProcess>(QStringList{
        QStringLiteral("--laps"), QStringLiteral("100"), QStringLiteral("--hangup-after"),
        QStringLiteral("650"), QStringLiteral("--link"), link, QStringLiteral("--no-hold")});
    QVERIFY(sim->isValid());
    MainFormRig rig;
    QVERIFY(rig.start(link));
    rig.form->spbReadClick();
    QVERIFY(rig.waitFor([&] { return rig.form->lapTable.nextLapToRead >= 41; }));
    QVERIFY(rig.waitFor([&] { return !QFile::exists(link); })); // the adapter is gone
    QVERIFY(rig.form->busyWindow);
    // The reply never comes: the retries fail to write, then the read gives up.
    for (int i = 0; i < 4 && rig.form->lapTable.lapInfoStep != 0; ++i)
        rig.form->timWakeupWaitTimer();
    QVERIFY(rig.idle());
    QVERIFY(rig.prompts.texts().contains(noContactMessage));
    QVERIFY(rig.prompts.texts().contains(QStringLiteral("送信失敗")));
    // The read is not passed off as finished.
    QVERIFY(rig.waitForMessage(shortReadMessage(
        100, rig.form->lapTable.nextLapToRead - 1,
        QStringLiteral("RIN KODAから応答がありませんでした。接続を確認してください。"))));
    // The laps read so far stay.
    QCOMPARE(rig.form->lapTable.cell(0, 41), QStringLiteral("040"));
    QVERIFY(!rig.form->lapTable.cell(1, 41).isEmpty());
    // The connection closed with the device: the status says so and nothing can be
    // asked of the timer, also after the read gave up.
    QVERIFY(!rig.form->portOpen);
    QCOMPARE(rig.form->statusPanel[1]->text(), QStringLiteral("COM1: デバイスを待っています"));
    QVERIFY(!rig.form->spbRead->isEnabled());
    QVERIFY(!rig.form->btnRead[9]->isEnabled());

    // The adapter comes back: the connection is made again by itself.
    sim = std::make_unique<SimProcess>(
        QStringList{QStringLiteral("--laps"), QStringLiteral("5"), QStringLiteral("--link"), link});
    QVERIFY(sim->isValid());
    QVERIFY(rig.waitFor([&] { return rig.form->portOpen; }));
    QVERIFY(rig.form->spbRead->isEnabled());
    rig.form->btnRead1Click(9);
    QVERIFY(rig.idle());
    QVERIFY(!rig.form->pnlVersion->text().isEmpty());
    QVERIFY(rig.form->close());
}

// The adapter is unplugged while fuel readings are logged (its link goes, its terminal
// hangs up) and plugged in again: the same port reopens by itself, the readings come
// back, and the log goes on in the same file.
void TestFaults::unpluggedAdapterIsReopenedWhenItReturns() {
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("koda-port"));
    const QStringList options{QStringLiteral("--qk11"), QStringLiteral("--fuel-period"),
                              QStringLiteral("300"), QStringLiteral("--link"), link};
    auto sim = std::make_unique<SimProcess>(options);
    QVERIFY(sim->isValid());
    MainFormRig rig;
    QVERIFY(rig.start(link));
    TMainForm& f = *rig.form;
    const QString connected = f.statusPanel[1]->text();
    const QString log = rig.dir.filePath(QStringLiteral("fuel.csv"));
    rig.prompts.fileNames = {log};
    f.rgrpQKLogRecord->click();
    QVERIFY(f.fuelLog->isLogging());
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() >= 4; })); // heading + 2 rows

    QVERIFY(f.pnlFuel->isEnabled());
    const QStringList readings{f.pnlFuel->text(), f.pnlUsed->text(), f.pnlEco->text(),
                               f.pnlTrip->text()};

    sim.reset(); // unplugged
    QVERIFY(rig.waitFor([&] { return !f.portOpen; }));
    QCOMPARE(f.statusPanel[1]->text(), QStringLiteral("COM1: デバイスを待っています"));
    QVERIFY(!f.spbRead->isEnabled());
    // The last readings stay, greyed: they are no longer current.
    QVERIFY(rig.waitFor([&] { return !f.pnlFuel->isEnabled(); }, 5000));
    for (QLabel* panel : {f.pnlFuel, f.pnlUsed, f.pnlEco, f.pnlTrip})
        QVERIFY2(!panel->isEnabled(), qPrintable(panel->objectName()));
    QCOMPARE(
        (QStringList{f.pnlFuel->text(), f.pnlUsed->text(), f.pnlEco->text(), f.pnlTrip->text()}),
        readings);
    const qsizetype rowsBefore = f.fuelLog->lines().size();

    sim = std::make_unique<SimProcess>(options); // plugged in again
    QVERIFY(sim->isValid());
    QVERIFY(rig.waitFor([&] { return f.portOpen; }));
    QCOMPARE(f.statusPanel[1]->text(), connected);
    QVERIFY(f.spbRead->isEnabled());
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() >= rowsBefore + 2; }));
    QVERIFY(f.fuelLog->isLogging());
    for (QLabel* panel : {f.pnlFuel, f.pnlUsed, f.pnlEco, f.pnlTrip}) // current again
        QVERIFY2(panel->isEnabled(), qPrintable(panel->objectName()));
    f.rgrpQKLogStop->click();
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().count("\r\n") >= int(rowsBefore) + 2);
    QVERIFY(f.close());
}

void TestFaults::deviceWaitFollowsThePortDialog_data() {
    QTest::addColumn<bool>("backInDialog"); // the device returns while the dialog is up
    QTest::addColumn<bool>("secondOpens");  // COM2 has a device that opens
    QTest::addColumn<bool>("pressOk");      // OK with COM2 chosen, or Cancel
    QTest::newRow("back during the dialog, OK on COM2") << true << true << true;
    QTest::newRow("OK on a COM2 that does not open") << false << false << true;
    QTest::newRow("Cancel, still gone") << false << true << false;
    QTest::newRow("back during the dialog, Cancel") << true << true << false;
}

// COM1's device has vanished and is awaited when the user opens the port dialog. The
// dialog ends with the connection made with the settings then in force; the wait goes
// on only for the port still in force, and the status never claims a wait that does
// not run.
void TestFaults::deviceWaitFollowsThePortDialog() {
    QFETCH(bool, backInDialog);
    QFETCH(bool, secondOpens);
    QFETCH(bool, pressOk);
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("koda-port"));
    const QStringList options{QStringLiteral("--link"), link};
    auto sim = std::make_unique<SimProcess>(options);
    QVERIFY(sim->isValid());
    PtyPair second;
    QVERIFY(second.isValid());
    MainFormRig rig;
    rig.open({{1, link}, {2, secondOpens ? second.slavePath() : links.filePath("gone")}});
    QVERIFY(rig.waitForMessage(linkedMessage));
    TMainForm& f = *rig.form;
    const QString waiting = QStringLiteral("COM1: デバイスを待っています");
    sim.reset(); // unplugged
    QVERIFY(rig.waitFor([&] { return f.statusPanel[1]->text() == waiting; }));

    rig.prompts.dialogs.append([&](QDialog& dialog) {
        auto& settings = static_cast<TSettingsForm&>(dialog);
        if (backInDialog) {
            sim = std::make_unique<SimProcess>(options);
            if (sim->isValid() && rig.waitFor([&] { return QFile::exists(link); }))
                emit f.deviceWatcher.deviceReturned(); // as the watcher tells it
        }
        settings.cmbComCh->setCurrentIndex(2);
        (pressOk ? settings.bbtnOk : settings.bbtnNg)->click();
        return int(settings.result());
    });
    f.mnuCommSettingsClick();
    QVERIFY(rig.prompts.dialogs.isEmpty());
    const int inForce = pressOk ? 2 : 1;
    QCOMPARE(f.comPort, inForce);
    const bool opens = inForce == 2 ? secondOpens : backInDialog;
    QCOMPARE(f.portOpen, opens);
    if (opens)
        QCOMPARE(f.statusPanel[1]->text(),
                 QStringLiteral("COM%1: 38400bps D8 PEVEN S1").arg(inForce));
    else
        QCOMPARE(f.statusPanel[1]->text(), inForce == 1 ? waiting : QString());
    QCOMPARE(f.deviceWatcher.isWatching(), !opens && inForce == 1);

    // A device that returns now brings back only the port in force.
    if (!backInDialog) {
        sim = std::make_unique<SimProcess>(options);
        QVERIFY(sim->isValid());
        if (inForce == 1) {
            QVERIFY(rig.waitFor([&] { return f.portOpen; }));
            QCOMPARE(f.statusPanel[1]->text(), QStringLiteral("COM1: 38400bps D8 PEVEN S1"));
        } else {
            QVERIFY(rig.waitFor([&] { return QFile::exists(link); }));
            emit f.deviceWatcher.deviceReturned();
            QVERIFY(!f.portOpen);
            QCOMPARE(f.statusPanel[1]->text(), QString());
        }
    }
    QVERIFY(f.close());
}

void TestFaults::replySplitByAPauseIsRetried() {
    SimProcess sim({QStringLiteral("--split-pause"), QStringLiteral("300")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    // The probe's answer comes in two halves as well, which the search may not
    // recognise; then the connection is made by hand on the port it tried last.
    rig.open({{1, sim.path()}});
    QVERIFY(rig.waitFor([&] { return !rig.form->portSearching; }, 30000));
    if (!rig.form->portOpen)
        rig.form->mnuCommOpenClick();
    const qsizetype before = monitorLines(*rig.form, QStringLiteral("Rx:")).size();
    rig.form->btnRead1Click(3);
    // Each half of the framed reply arrives as a reception of its own: both are dropped.
    // (While a half is still coming in, an expiry would wait for it.)
    QVERIFY(rig.waitFor([&] {
        return monitorLines(*rig.form, QStringLiteral("Rx:")).size() >= before + 2 &&
               !rig.form->reception.rxComplete && !rig.form->commThread->receiving();
    }));
    QTest::qWait(400);
    QCOMPARE(rig.form->edtCP->text(), QString());
    QVERIFY(rig.form->busyWindow);
    rig.form->timWakeupWaitTimer();
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Wakeup Retry:")).size(), 1);
    QVERIFY(rig.form->close());
}

void TestFaults::garbageBeforeRepliesIsSkipped() {
    SimProcess sim({QStringLiteral("--garbage"), QStringLiteral("40")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    rig.form->btnRead1Click(10);
    QVERIFY(rig.idle());
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")).size(), 9);
    QVERIFY(!rig.form->pnlVersion->text().isEmpty());
    QVERIFY(!rig.form->edtCP->text().isEmpty());
    QVERIFY(rig.form->close());
}

void TestFaults::deviceAnsweringEverything() {
    SimProcess sim({QStringLiteral("--answer-everything")});
    MainFormRig rig;
    QVERIFY(rig.start(sim)); // it answers the probe, so the search links
    rig.form->btnRead1Click(1);
    QVERIFY(
        rig.waitFor([&] { return monitorLines(*rig.form, QStringLiteral("Rx:")).size() >= 2; }));
    QTest::qWait(400);
    // Nothing it says is a reply: the setting stays empty and the request waits.
    QVERIFY(!rig.form->rabRealMode->isChecked() && !rig.form->rabLapMode->isChecked());
    QVERIFY(rig.form->busyWindow);
    QVERIFY(rig.form->close());
}

void TestFaults::fieldLinkLosesOnlyWhatTheFrameScanDrops_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<int>("lapCount");
    QTest::addColumn<bool>("liveLaps");
    // The fuel meter sends all the time, as at the track.
    const auto args = [](const char* text) {
        return QString::fromLatin1(text).split(u' ') +
               QStringList{QStringLiteral("--fuel-period"), QStringLiteral("1000")};
    };
    QTest::newRow("stray STX before late replies, one-digit values")
        << args("--stx-garbage 40 --late 100 --unpadded --seed 2") << 60 << false;
    QTest::newRow("cut-off frames before replies")
        << args("--partial-frames 30 --seed 28") << 60 << false;
    QTest::newRow("fuel frames in the replies' receptions")
        << args("--shared-pushes 30 --seed 1") << 60 << false;
    QTest::newRow("settings replies lost, a live lap in their place")
        << args("--lost-to-live 30 --seed 3") << 60 << false;
    QTest::newRow("another team's fuel meter while replies are cut off")
        << args("--partial-frames 30 --foreign-fuel 700 --seed 28") << 60 << false;
    QTest::newRow("field mode") << args("--field --seed 11") << 60 << false;
    QTest::newRow("field mode, seed 3") << args("--field --seed 3") << 60 << false;
    QTest::newRow("field mode, live laps during the read")
        << args("--field --seed 5") << 200 << true;
}

// All Read and a lap read through a link that spoils replies, the simulator seeded so
// that the link is the same on every run, with the fuel meter sending. A reply behind a
// cut-off frame is dropped by the frame scan and sent again after its time-out; a reply
// that shares its reception with a fuel frame is the reply, and the reading is shown; the
// readings of another team's fuel meter are nobody's reply and keep no request from its
// resend; a settings reply lost with a live lap in its place is
// sent again (the live lap adds a lap to read). Nothing else is lost, and a stray STX whose length byte ends before the reply
// leaves the reply alone. With live laps, only the lap read runs; a live lap pushed in
// the middle of the read ends it, and the laps read until then stay.
void TestFaults::fieldLinkLosesOnlyWhatTheFrameScanDrops() {
    QFETCH(QStringList, link);
    QFETCH(int, lapCount);
    QFETCH(bool, liveLaps);
    const QStringList laps{QStringLiteral("--rk13"), QStringLiteral("--qk11"),
                           QStringLiteral("--laps"), QString::number(lapCount)};
    const int seedAt = int(link.indexOf(QStringLiteral("--seed")));
    QVERIFY(seedAt >= 0);
    // Live laps continue the seed's series, so the series up to 300 covers them too.
    const QList<QStringList> series = simulatorLaps(
        {QStringLiteral("--laps"), QStringLiteral("300"), link[seedAt], link[seedAt + 1]});
    QCOMPARE(series.size(), 300);
    SimProcess sim(laps + link);
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    if (!liveLaps) {
        f.btnRead1Click(10);
        QVERIFY(rig.idle(60000));
    }
    f.spbReadClick();
    if (liveLaps) {
        // Once two blocks are in, live laps are pushed until one comes through: one that
        // follows a block in the same reception is dropped with the rest of it.
        QVERIFY(rig.waitFor(
            [&] { return f.lapTable.nextLapToRead >= 41 || f.lapTable.lapInfoStep == 0; }, 60000));
        for (int i = 0; i < 10 && f.lapTable.lastLiveRow <= 1; ++i) {
            sim.command("live");
            rig.waitFor([&] { return f.lapTable.lastLiveRow > 1; }, 1000);
        }
        QVERIFY(f.lapTable.lastLiveRow > 1);
    }
    QVERIFY(rig.idle(60000));
    QTest::qWait(50);
    const QList<QByteArray> events = sim.output().split('\n');
    const auto count = [&](const char* event) { return int(events.count(QByteArray(event))); };
    // A settings reply lost with a live lap in its place: the lap is one more to read.
    const int lostToLive = count("lost reply, live lap");
    if (!liveLaps)
        lapCount += lostToLive;

    // Every request was answered in the end.
    QVERIFY2(!rig.prompts.texts().contains(noContactMessage),
             qPrintable(f.memTxRxMonitor->toPlainText().right(1500)));
    if (!liveLaps) {
        QCOMPARE(f.edtLapDispTime->text(), QStringLiteral("5"));
        QCOMPARE(f.edtCP->text(), QStringLiteral("3"));
        QCOMPARE(f.edtPass->text(), QStringLiteral("1"));
        QCOMPARE(f.edtSensorMarkTime->text(), QStringLiteral("3"));
        QCOMPARE(f.edtK->text(), QStringLiteral("0.12345"));
        QVERIFY(f.rabRealMode->isChecked());
        QVERIFY(f.rabColon->isChecked());
        QVERIFY(!f.chkGAP->isChecked());
        QCOMPARE(f.pnlVersion->text(), QStringLiteral("1.23a"));
        QCOMPARE(f.pnlOdo->text(), QStringLiteral("01234"));
        QCOMPARE(f.lblLaps->text(), QString::number(lapCount));
    }
    // Every lap row shown is the simulator's lap, read or pushed live.
    int shown = 0;
    for (const QStringList& lap : series) {
        const int row = lap[0].toInt() + 1;
        if (f.lapTable.cell(1, row).isEmpty())
            continue;
        ++shown;
        for (int col = 0; col < 7; ++col)
            QCOMPARE(f.lapTable.cell(col, row), lap[col]);
    }
    if (!liveLaps)
        QCOMPARE(shown, lapCount);
    const int read = f.lapTable.nextLapToRead - 1;
    const bool endedByLiveLap = read < lapCount;
    // Only a live lap ends a read early, and the laps read until then stay.
    if (endedByLiveLap)
        QVERIFY(liveLaps);
    for (int lap = 1; lap <= qMin(read, lapCount); ++lap)
        QVERIFY2(!f.lapTable.cell(1, lap + 1).isEmpty(), qPrintable(QString::number(lap)));
    QVERIFY(f.spbSave->isEnabled());

    const int replies = count("reply");
    const int shared = count("shared-push before reply") + count("shared-push after reply");
    const int cut = count("partial-frame before reply");
    const int spoiled = shared + cut + lostToLive;
    // The monitor has kept every line since the search (it drops its oldest half only
    // beyond 16 K characters), so its retry lines are all the resends.
    QVERIFY(f.memTxRxMonitor->toPlainText().startsWith(QStringLiteral("KODA LiNK Search")));
    const int resent = int(monitorLines(f, QStringLiteral("Wakeup Retry:")).size());
    qInfo("field link %s: %d replies, %d shared a reception with a fuel frame (%d more behind "
          "a lap block, kept), %d behind a cut-off frame, %d lost with a live lap, %d late; "
          "%d resent after their time-out; %d lap rows shown, %d laps read%s; 0 lost beyond "
          "the spoiled ones",
          qPrintable(link.join(u' ')), replies, shared, count("shared-push after block"), cut,
          lostToLive, count("late reply"), resent, shown, qMin(read, lapCount),
          endedByLiveLap ? " until a live lap ended the read" : "");
    QVERIFY(replies > 0);
    // Resends only after replies behind a cut-off frame or lost with a live lap in their
    // place: a reply beside a push is taken, and a clean reply is never lost, whatever lies
    // before it. (A live lap can end the read before a spoiled block's time-out, so the
    // spoiled replies are not always all resent.)
    QVERIFY2(resent <= cut + lostToLive, qPrintable(QStringLiteral("%1 > %2 of %3 spoiled")
                                                        .arg(resent)
                                                        .arg(cut + lostToLive)
                                                        .arg(spoiled)));
    QVERIFY(f.close());
}

void TestFaults::readEndedEarlySaysSo_data() {
    QTest::addColumn<bool>("liveLaps");
    QTest::newRow("a live lap ends the read") << true;
    QTest::newRow("the user cancels the read") << false;
}

// A read of 200 laps that ends early, by a live lap (live laps keep coming while the laps
// are read: the first one that arrives ends the read) or by the busy window closed: the laps
// read until then stay in the grid, and the user is told once how many of how many were
// read and why; a read cut short never looks like a finished one.
void TestFaults::readEndedEarlySaysSo() {
    QFETCH(bool, liveLaps);
    const QStringList laps{QStringLiteral("--laps"), QStringLiteral("200"),
                           QStringLiteral("--seed"), QStringLiteral("4")};
    const QList<QStringList> expected = simulatorLaps(laps);
    QStringList options = laps;
    if (liveLaps)
        options << QStringLiteral("--live-in-download") << QStringLiteral("--live-period")
                << QStringLiteral("1000");
    SimProcess sim(options);
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    f.spbReadClick();
    if (!liveLaps) {
        QVERIFY(rig.waitFor([&] { return f.lapTable.nextLapToRead >= 41; }));
        f.busyWindow->close();
    }
    QVERIFY(rig.idle());
    QVERIFY(!rig.prompts.texts().contains(noContactMessage));
    if (liveLaps)
        QVERIFY(f.lapTable.lastLiveRow > 1); // a live lap came, and with it the end of the read
    const int read = f.lapTable.nextLapToRead - 1;
    // 20 laps a block at about 0.4 s a block: a live lap a second ends it early.
    QVERIFY2(read >= 0 && read < 200, qPrintable(QString::number(read)));
    for (int lap = 1; lap <= read; ++lap) {
        QCOMPARE(f.lapTable.cell(0, lap + 1), expected[lap - 1][0]);
        QCOMPARE(f.lapTable.cell(1, lap + 1), expected[lap - 1][1]);
    }
    QVERIFY(f.spbSave->isEnabled());

    const QString told = shortReadMessage(
        200, read, liveLaps ? liveLapEndReason : QStringLiteral("読み込みを中止しました。"));
    QVERIFY(rig.waitForMessage(told, 5000));
    QTest::qWait(300);
    QCOMPARE(countShown(rig.prompts, told), 1);
    const auto shown = std::find_if(rig.prompts.shown.cbegin(), rig.prompts.shown.cend(),
                                    [&](const auto& s) { return s.text == told; });
    QCOMPARE(shown->icon, Prompts::Icon::Warning);
    QCOMPARE(shown->caption, f.currentCaption());
    if (liveLaps) {
        // The box as the user sees it, for the record.
        windowcheck::useTestFont();
        WidgetPrompts real(&f);
        const auto box = real.messageBox(told, shown->caption, shown->icon, shown->buttons);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        const QStringList missing = windowcheck::missingGlyphs(box.get());
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u'\n')));
        QVERIFY(windowcheck::saveScreenshot(box.get(), QStringLiteral("read-ended-early")));
    }
    QVERIFY(f.close());
}

// Pushes that reach the program in one reception: every one of them is shown and logged, in
// order, not only the first.
void TestFaults::pushesSharingAReceptionAreAllTaken() {
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--qk11"), QStringLiteral("--laps"),
                    QStringLiteral("5")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    rig.prompts.fileNames = {rig.dir.filePath(QStringLiteral("fuel.csv"))};
    f.rgrpQKLogRecord->click();
    QCOMPARE(f.fuelLog->lines().size(), 2); // the heading lines
    const int receptions = int(monitorLines(f, QStringLiteral("Rx:")).size());
    // Sent back to back, with no pause between them: one burst on the line.
    sim.command("fuel\nlive\nfuel\nlive\nfuel");
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() == 5; }, 10000));
    QVERIFY(rig.waitFor([&] { return f.lapTable.lastLiveRow == LapTable::rowOfLap(7); }, 10000));
    QCOMPARE(f.lapTable.cell(LapTable::ColLap, LapTable::rowOfLap(7)), QStringLiteral("007"));
    QVERIFY(!f.lapTable.cell(LapTable::ColTime, LapTable::rowOfLap(6)).isEmpty());
    qInfo("5 pushes reached the program in %d reception(s)",
          int(monitorLines(f, QStringLiteral("Rx:")).size()) - receptions);
    QVERIFY(f.close());
}

// A message box left open while the instruments push: the window's idle work goes on inside
// the box, and every live lap and fuel reading that arrives meanwhile reaches the grid, the
// fuel panels and the fuel log, none lost, none waiting for the box.
void TestFaults::pushesWhileABoxIsOpenAreAllTaken() {
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--qk11"), QStringLiteral("--laps"),
                    QStringLiteral("5")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    rig.prompts.fileNames = {rig.dir.filePath(QStringLiteral("fuel.csv"))};
    f.rgrpQKLogRecord->click();
    QCOMPARE(f.fuelLog->lines().size(), 2);

    // The search run again from the menu links again: its message stays open while three live
    // laps and six readings come in, each in a reception of its own.
    bool held = false;
    bool allInWhileOpen = false;
    rig.prompts.whileShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.text != linkedMessage || held)
            return;
        held = true;
        for (int i = 0; i < 3; ++i) {
            sim.command("fuel");
            QTest::qWait(300);
            sim.command("live");
            QTest::qWait(300);
            sim.command("fuel");
            QTest::qWait(300);
        }
        allInWhileOpen = rig.waitFor(
            [&] {
                return f.fuelLog->lines().size() == 8 &&
                       f.lapTable.lastLiveRow == LapTable::rowOfLap(8);
            },
            15000);
    };
    f.mnuComPortSearchClick();
    QVERIFY(rig.waitFor([&] { return countShown(rig.prompts, linkedMessage) == 2; }));
    QVERIFY(allInWhileOpen);
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() >= 8; }, 5000));
    QCOMPARE(f.fuelLog->lines().size(), 8);
    for (int lap = 6; lap <= 8; ++lap)
        QVERIFY(!f.lapTable.cell(LapTable::ColTime, LapTable::rowOfLap(lap)).isEmpty());
    QVERIFY(f.close());
}

// A live lap comes instead of a settings reply that was lost: the request keeps its
// time-out, is sent again and answered, and the buttons stay off until it has ended.
void TestFaults::liveLapLeavesASettingsRequestItsTimeOut() {
    SimProcess sim(
        {QStringLiteral("--rk13"), QStringLiteral("--lost-to-live"), QStringLiteral("100")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    f.btnRead1Click(3);
    QVERIFY(rig.waitFor([&] { return f.lapTable.lastLiveRow > 1; }, 10000));
    QVERIFY(f.busyWindow);
    QVERIFY(f.timWakeupWait.isActive());
    f.timRKSendTimer(); // the hold-off after the live lap ends before the request does
    QVERIFY(!f.btnRead[3]->isEnabled());
    f.timWakeupWaitTimer(); // the time-out: sent again, and answered this time
    QVERIFY(rig.idle());
    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")),
             (QStringList{QStringLiteral("Tx:@CP"), QStringLiteral("Tx:@CP")}));
    QCOMPARE(f.edtCP->text(), QStringLiteral("3"));
    QVERIFY(!rig.prompts.texts().contains(noContactMessage));
    QVERIFY(f.btnRead[3]->isEnabled());
    QVERIFY(f.close());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
