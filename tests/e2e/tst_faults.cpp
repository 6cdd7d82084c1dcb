// Faults on the line, end to end: koda-sim hanging up in the middle of a download,
// replies split by a pause, garbage before replies, a device that answers everything.
#include "app/frmmain.h"
#include "files/fuellog.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "windows/frmanimation.h"

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

#include <memory>

namespace {

const QString noContact =
    QStringLiteral("KODAシリーズと通信できませんでした。\r\n接続を確認してください。");

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void hangUpInTheMiddleOfADownload();
    void unpluggedAdapterIsReopenedWhenItReturns();
    void replySplitByAPauseIsRetried();
    void garbageBeforeRepliesIsSkipped();
    void deviceAnsweringEverything();
    void liveLapEndsADownloadKeepingItsLaps();
};

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
    QVERIFY(rig.prompts.texts().contains(noContact));
    QVERIFY(rig.prompts.texts().contains(QStringLiteral("送信失敗")));
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

    sim.reset(); // unplugged
    QVERIFY(rig.waitFor([&] { return !f.portOpen; }));
    QCOMPARE(f.statusPanel[1]->text(), QStringLiteral("COM1: デバイスを待っています"));
    QVERIFY(!f.spbRead->isEnabled());
    const qsizetype rowsBefore = f.fuelLog->lines().size();

    sim = std::make_unique<SimProcess>(options); // plugged in again
    QVERIFY(sim->isValid());
    QVERIFY(rig.waitFor([&] { return f.portOpen; }));
    QCOMPARE(f.statusPanel[1]->text(), connected);
    QVERIFY(f.spbRead->isEnabled());
    QVERIFY(rig.waitFor([&] { return f.fuelLog->lines().size() >= rowsBefore + 2; }));
    QVERIFY(f.fuelLog->isLogging());
    f.rgrpQKLogStop->click();
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().count("\r\n") >= int(rowsBefore) + 2);
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
    rig.form->btnRead1Click(3);
    // Each half of the framed reply arrives as a reception of its own: both are dropped.
    QVERIFY(rig.waitFor([&] {
        return monitorLines(*rig.form, QStringLiteral("Rx:")).size() >= 2 &&
               !rig.form->reception.rxComplete;
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
    QVERIFY(sim.isValid());
    MainFormRig rig;
    QVERIFY(rig.start(sim.path()));
    rig.form->btnRead1Click(10);
    QVERIFY(rig.idle());
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")).size(), 9);
    QVERIFY(!rig.form->pnlVersion->text().isEmpty());
    QVERIFY(!rig.form->edtCP->text().isEmpty());
    QVERIFY(rig.form->close());
}

void TestFaults::deviceAnsweringEverything() {
    SimProcess sim({QStringLiteral("--answer-everything")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    QVERIFY(rig.start(sim.path())); // it answers the probe, so the search links
    rig.form->btnRead1Click(1);
    QVERIFY(
        rig.waitFor([&] { return monitorLines(*rig.form, QStringLiteral("Rx:")).size() >= 2; }));
    QTest::qWait(400);
    // Nothing it says is a reply: the setting stays empty and the request waits.
    QVERIFY(!rig.form->rabRealMode->isChecked() && !rig.form->rabLapMode->isChecked());
    QVERIFY(rig.form->busyWindow);
    QVERIFY(rig.form->close());
}

// Live laps that keep coming while 200 laps are read: the first one that arrives ends
// the read, and the laps read until then stay in the grid.
void TestFaults::liveLapEndsADownloadKeepingItsLaps() {
    const QStringList laps{QStringLiteral("--laps"), QStringLiteral("200"),
                           QStringLiteral("--seed"), QStringLiteral("4")};
    const QList<QStringList> expected = simulatorLaps(laps);
    SimProcess sim(laps + QStringList{QStringLiteral("--live-in-download"),
                                      QStringLiteral("--live-period"), QStringLiteral("1000")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    QVERIFY(rig.start(sim.path()));
    TMainForm& f = *rig.form;
    QVERIFY(rig.readLaps());
    QVERIFY(!rig.prompts.texts().contains(noContact));
    QVERIFY(f.lapTable.lastLiveRow > 1); // a live lap came, and with it the end of the read
    const int read = f.lapTable.nextLapToRead - 1;
    // 20 laps a block at about 0.4 s a block: a live lap a second ends it early.
    QVERIFY2(read >= 0 && read < 200, qPrintable(QString::number(read)));
    for (int lap = 1; lap <= read; ++lap) {
        QCOMPARE(f.lapTable.cell(0, lap + 1), expected[lap - 1][0]);
        QCOMPARE(f.lapTable.cell(1, lap + 1), expected[lap - 1][1]);
    }
    QVERIFY(f.spbSave->isEnabled());
    QVERIFY(f.close());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
