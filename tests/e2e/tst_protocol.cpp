// The device protocol end to end: the real main window, offscreen, against koda-sim
// on a pseudo-terminal mapped through the configuration's "Ports" section.
#include "app/frmmain.h"
#include "serial/rscommthread.h"
#include "support/mainformrig.h"
#include "support/ptypair.h"
#include "support/simprocess.h"
#include "windows/frmanimation.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    void searchProbesUsablePortsInOrder();
    void searchWithoutDeviceGivesUpAfterThreePasses();
    void lateProbeReplyLinksItsOwnPort();
    void searchFailureNamesWhyPortsCannotBeUsed();
    void allReadFillsEveryItem_data();
    void allReadFillsEveryItem();
    void allWriteSendsItemsOneToSeven();
    void allWriteSendsOnlyChosenValues_data();
    void allWriteSendsOnlyChosenValues();
    void kReplyIsShownWhole();
    void kEntryIsCheckedWhenLeft_data();
    void kEntryIsCheckedWhenLeft();
    void silentDeviceIsRetriedThreeTimes();
    void replyTimerRetriesOnRealTime();
    void replyAtItsTimeOutIsTakenOnce_data();
    void replyAtItsTimeOutIsTakenOnce();
    void closingBusyWindowCancels();
    void unusableReplyEndsTheChain();
    void liveLapAndFuelFrameBlinkTheAntenna();
    void rk13CommandFramesCarryTheRadioId();
};

void TestProtocol::searchProbesUsablePortsInOrder() {
    PtyPair silent; // a port that opens but never answers
    SimProcess sim({QStringLiteral("--rk13")});
    QVERIFY(silent.isValid() && sim.isValid());
    MainFormRig rig;
    rig.open({{2, silent.slavePath()}, {5, sim.path()}, {7, QStringLiteral("/nonexistent")}});
    QVERIFY(rig.form->portAvailable[2] && rig.form->portAvailable[5]);
    QVERIFY(!rig.form->portAvailable[7]);
    QVERIFY(rig.waitForMessage(linkedMessage));
    QCOMPARE(rig.prompts.shown.last().icon, Prompts::Icon::Information);
    QCOMPARE(rig.form->comPort, 5);
    QVERIFY(rig.form->portOpen);
    QVERIFY(!rig.form->portSearching);
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("KODA LiNK Search")),
             (QStringList{QStringLiteral("KODA LiNK Search 2ch"),
                          QStringLiteral("KODA LiNK Search 5ch")}));
    QVERIFY(monitorLines(*rig.form, QStringLiteral("Rx:"))
                .value(0)
                .contains(QStringLiteral("KODA LiNK Found")));
    QVERIFY(rig.form->close());
}

void TestProtocol::searchWithoutDeviceGivesUpAfterThreePasses() {
    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    rig.open({{4, sim.path()}});
    QVERIFY(rig.waitForMessage(notFoundMessage));
    QCOMPARE(rig.prompts.shown.last().icon, Prompts::Icon::Warning);
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("KODA LiNK Search")).size(), 3);
    QVERIFY(!rig.form->portOpen);
    QCOMPARE(rig.form->comPort, 4);
    QVERIFY(!rig.form->busyWindow);
    QVERIFY(rig.form->close());
}

// The search's wait ends while a complete answer waits for its dispatch (a device that
// answers late): the answer is taken first, and the search links to the port it came in
// on rather than moving on to the next one.
void TestProtocol::lateProbeReplyLinksItsOwnPort() {
    PtyPair device;
    PtyPair silent;
    QVERIFY(device.isValid() && silent.isValid());
    MainFormRig rig;
    rig.open({{1, device.slavePath()}, {2, silent.slavePath()}});
    QByteArray probe;
    QVERIFY(
        rig.waitFor([&] { return (probe += device.read(0)).contains("KODA LiNK Search"); }, 15000));
    QVERIFY(device.write("KODA LiNK Found\r\n"));
    QVERIFY(rig.waitFor([&] { return rig.form->reception.rxComplete; }, 15000));
    rig.form->timPortSearchWaitTimer(); // the wait's expiry, before the dispatch
    QVERIFY(rig.waitForMessage(linkedMessage));
    QCOMPARE(rig.form->comPort, 1);
    QVERIFY(rig.form->portOpen);
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("KODA LiNK Search")),
             QStringList{QStringLiteral("KODA LiNK Search 1ch")});
    QVERIFY(rig.form->close());
}

// No device answered: below the message, each port that exists but could not be used,
// with the reason; ports without a device are not listed.
void TestProtocol::searchFailureNamesWhyPortsCannotBeUsed() {
    MainFormRig rig;
    rig.open({{3, QStringLiteral("/dev/null")}, {7, QStringLiteral("/nonexistent")}});
    // The search's box is shown once the idle pass that ended the search has returned.
    QVERIFY(
        rig.waitFor([&] { return !rig.form->portSearching && !rig.form->heldPrompts.hasHeld(); }));
    QCOMPARE(
        rig.prompts.texts(),
        QStringList{notFoundText +
                    QStringLiteral("\r\n\r\nCOM3 (/dev/null): シリアルポートではありません。") +
                    searchNextSteps});
    QVERIFY(rig.form->close());
}

void TestProtocol::allReadFillsEveryItem_data() {
    QTest::addColumn<QString>("model");
    QTest::newRow("RK-13") << QStringLiteral("--rk13");
    QTest::newRow("RK-12") << QStringLiteral("--rk12");
}

void TestProtocol::allReadFillsEveryItem() {
    QFETCH(QString, model);
    const bool rk13 = model == QLatin1String("--rk13");
    SimProcess sim({model, QStringLiteral("--sectors"), QStringLiteral("3")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    if (!rk13) {
        rig.form->deviceModel = DeviceModel::RK12;
        rig.form->applyModelLayout();
    }
    // Every value area starts out filled, so an item that is read shows as emptied first.
    rig.form->btnRead1Click(10);
    QVERIFY(rig.form->busyWindow);
    QVERIFY(!rig.form->spbRead->isEnabled());
    QVERIFY(rig.idle());
    QCOMPARE(rig.form->readAllItem, 0);
    const QStringList expected = {QStringLiteral("Tx:@DISPLAYTYPE"),
                                  QStringLiteral("Tx:@LAPDISPTIME"),
                                  QStringLiteral("Tx:@CP"),
                                  QStringLiteral("Tx:@PASSCP"),
                                  QStringLiteral("Tx:@SEPARATOR"),
                                  rk13 ? QStringLiteral("Tx:@K") : QStringLiteral("Tx:@DIAMETER"),
                                  QStringLiteral("Tx:@SENSORMARKTIME"),
                                  QStringLiteral("Tx:@ODO"),
                                  QStringLiteral("Tx:@VER")};
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")), expected);
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Rx:")).size(), 10); // the probe and nine
    QVERIFY(rig.form->rabRealMode->isChecked() || rig.form->rabLapMode->isChecked());
    QVERIFY(!rig.form->edtLapDispTime->text().isEmpty());
    QCOMPARE(rig.form->edtCP->text(), QStringLiteral("3"));
    QCOMPARE(rig.form->lapTable.cpLineCount, 3);
    QVERIFY(!rig.form->edtPass->text().isEmpty());
    QVERIFY(rig.form->rabColon->isChecked() || rig.form->rabDash->isChecked());
    if (rk13) {
        QVERIFY(!rig.form->edtK->text().isEmpty());
    } else {
        bool one = false;
        for (QRadioButton* b : rig.form->rabPulse)
            one = one || b->isChecked();
        QVERIFY(one);
    }
    QVERIFY(!rig.form->edtSensorMarkTime->text().isEmpty());
    QVERIFY(!rig.form->pnlOdo->text().isEmpty());
    QVERIFY(!rig.form->pnlVersion->text().isEmpty());
    QVERIFY(rig.form->spbRead->isEnabled());
    QVERIFY(rig.form->btnWrite[10]->isEnabled());
    QVERIFY(rig.prompts.texts() == QStringList{linkedMessage});
    QVERIFY(rig.form->close());
}

void TestProtocol::allWriteSendsItemsOneToSeven() {
    SimProcess sim({QStringLiteral("--rk13")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    f.rabLapMode->setChecked(true);
    f.edtLapDispTime->setText(QStringLiteral("7"));
    f.edtCP->setText(QStringLiteral("2"));
    f.edtPass->setText(QStringLiteral("1"));
    f.rabDash->setChecked(true);
    f.edtK->setText(QStringLiteral("1.50000"));
    f.edtSensorMarkTime->setText(QStringLiteral("4"));
    f.btnWrite1Click(10);
    QVERIFY(rig.idle());
    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")),
             (QStringList{QStringLiteral("Tx:@DISPLAYTYPE:L"), QStringLiteral("Tx:@LAPDISPTIME:7"),
                          QStringLiteral("Tx:@CP:2"), QStringLiteral("Tx:@PASSCP:1"),
                          QStringLiteral("Tx:@SEPARATOR:\""), QStringLiteral("Tx:@K:150000"),
                          QStringLiteral("Tx:@SENSORMARKTIME:4")}));
    QCOMPARE(f.writeAllItem, 0);
    // The replies of the simulator fill the value areas again.
    QCOMPARE(f.edtCP->text(), QStringLiteral("2"));
    QCOMPARE(f.edtK->text(), QStringLiteral("1.50000"));
    QVERIFY(f.rabDash->isChecked());
    QVERIFY(f.close());
}

void TestProtocol::allWriteSendsOnlyChosenValues_data() {
    QTest::addColumn<int>("before"); // 0 nothing, 1 K and the sensor time typed, 2 All Read too
    QTest::addColumn<int>("answer"); // to the question, when one is asked
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("sent");
    const QString question =
        QStringLiteral("次の項目の値はラップタイマーから読み込まれておらず、入力もされていません。"
                       "\r\n・計測中の表示タイプ （ｔｙP）\r\n・REALモード 表示時間 （ｔｍ）"
                       "\r\n・磁気ラインの数 （CP）\r\n・通過する磁気ラインの数 （PAS）"
                       "\r\n・時間表示用セパレータ （SEP）"
                       "\r\nこのままラップタイマーに書き込みますか？");
    const auto list = [](const char* text) { return QString::fromUtf8(text).split(u' '); };
    // Right after start, the page shows its initial values and no K: nothing is sent, and
    // both items that cannot be written are named.
    QTest::newRow("right after start")
        << 0 << int(Prompts::Answer::Yes)
        << QStringList{QStringLiteral("次の項目の値が正しくありません。正しい値を入力してくださ"
                                      "い。\r\n・車速センサパルス幅 0.00001～ 9.99999 （K）"
                                      "\r\n・センサ有効時間")}
        << QStringList();
    QTest::newRow("initial values kept, answered No")
        << 1 << int(Prompts::Answer::No) << QStringList{question} << QStringList();
    QTest::newRow("initial values kept, answered Yes")
        << 1 << int(Prompts::Answer::Yes) << QStringList{question}
        << list("Tx:@DISPLAYTYPE:R Tx:@LAPDISPTIME:1 Tx:@CP:1 Tx:@PASSCP:1 Tx:@SEPARATOR:: "
                "Tx:@K:150000 Tx:@SENSORMARKTIME:4");
    QTest::newRow("values read, one typed")
        << 2 << int(Prompts::Answer::No) << QStringList()
        << list("Tx:@DISPLAYTYPE:R Tx:@LAPDISPTIME:5 Tx:@CP:2 Tx:@PASSCP:1 Tx:@SEPARATOR:: "
                "Tx:@K:12345 Tx:@SENSORMARKTIME:3");
}

// All Write checks every value before it sends the first: one that cannot be written
// stops it with the items named, and values neither read from the lap timer nor entered
// by the user are written only after the user said Yes. Then the order is the usual one.
void TestProtocol::allWriteSendsOnlyChosenValues() {
    QFETCH(int, before);
    QFETCH(int, answer);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, sent);
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--unpadded")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    const auto retype = [](QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    if (before == 2) {
        f.btnRead1Click(10);
        QVERIFY(rig.idle());
        retype(f.edtCP, QStringLiteral("2"));
    } else if (before == 1) {
        retype(f.edtK, QStringLiteral("1.5"));
        retype(f.edtSensorMarkTime, QStringLiteral("4"));
    }
    f.memTxRxMonitor->clear();
    rig.prompts.shown.clear();
    rig.prompts.answers = {Prompts::Answer(answer)};
    f.btnWrite1Click(10);
    QVERIFY(rig.idle());
    QCOMPARE(rig.prompts.texts(), shown);
    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")), sent);
    QCOMPARE(f.writeAllItem, 0);
    QVERIFY(f.btnWrite[10]->isEnabled());
    QVERIFY(f.close());
}

void TestProtocol::kReplyIsShownWhole() {
    // "K:1000000" is 10.00000, one character more than a person may type into edtK.
    MainFormRig rig;
    rig.open({});
    QVERIFY(rig.waitForMessage(notFoundMessage));
    QVERIFY(rig.idle());
    rig.form->deviceModel = DeviceModel::RK12; // the reply arrives as plain text
    rig.form->reception.append("K:1000000\r\n", QStringLiteral("K:1000000[0D][0A]"));
    QVERIFY(rig.waitFor([&] { return !rig.form->reception.rxComplete; }));
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Rx:")),
             QStringList{QStringLiteral("Rx:K:1000000[0D][0A]")});
    QCOMPARE(rig.form->edtK->text(), QStringLiteral("10.00000"));
    QVERIFY(rig.form->close());
}

void TestProtocol::kEntryIsCheckedWhenLeft_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("checked");
    QTest::newRow("Tab to the next control") << int(Qt::TabFocusReason) << true;
    QTest::newRow("click on another control") << int(Qt::MouseFocusReason) << true;
    // The focus stays in the entry when the window is left or a menu opens.
    QTest::newRow("window loses focus") << int(Qt::ActiveWindowFocusReason) << false;
    QTest::newRow("menu opens") << int(Qt::PopupFocusReason) << false;
}

void TestProtocol::kEntryIsCheckedWhenLeft() {
    QFETCH(int, reason);
    QFETCH(bool, checked);
    MainFormRig rig;
    rig.open({});
    QVERIFY(rig.waitForMessage(notFoundMessage));
    QVERIFY(rig.idle());
    rig.prompts.shown.clear();
    rig.form->edtK->setText(QStringLiteral("0"));
    QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
    QCoreApplication::sendEvent(rig.form->edtK, &out);
    QCOMPARE(rig.prompts.texts(),
             checked ? QStringList{QStringLiteral("正しい値を入力してください。")} : QStringList());
    QVERIFY(rig.form->close());
}

void TestProtocol::silentDeviceIsRetriedThreeTimes() {
    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    rig.open({{1, sim.path()}});
    QVERIFY(rig.waitForMessage(notFoundMessage));
    rig.form->mnuCommOpenClick(); // COM1 was the last port tried
    QVERIFY(rig.form->portOpen);
    rig.form->btnRead1Click(8);
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")),
             QStringList{QStringLiteral("Tx:@ODO")});
    // The reply timer's expiries, driven by calling its handler.
    for (int i = 0; i < 3; ++i)
        rig.form->timWakeupWaitTimer();
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Wakeup Retry:")),
             (QStringList{QStringLiteral("Wakeup Retry:1"), QStringLiteral("Wakeup Retry:2"),
                          QStringLiteral("Wakeup Retry:3")}));
    QCOMPARE(monitorLines(*rig.form, QStringLiteral("Tx:")).size(), 4); // sent again each time
    QVERIFY(!rig.prompts.texts().contains(noContactMessage));
    rig.form->timWakeupWaitTimer();
    QCOMPARE(rig.prompts.texts().last(), noContactMessage);
    QCOMPARE(rig.prompts.shown.last().icon, Prompts::Icon::Warning);
    QVERIFY(!rig.form->busyWindow);
    QCOMPARE(rig.form->lapTable.lapInfoStep, 99);
    QTRY_COMPARE(rig.form->lapTable.lapInfoStep, 0); // the RK-13 read finishes
    QVERIFY(rig.form->spbRead->isEnabled());
    QVERIFY(rig.form->close());
}

void TestProtocol::replyTimerRetriesOnRealTime() {
    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    rig.open({{1, sim.path()}});
    QVERIFY(rig.waitForMessage(notFoundMessage));
    rig.form->mnuCommOpenClick();
    rig.form->btnRead1Click(9);
    QVERIFY(rig.form->timWakeupWait.isActive());
    QCOMPARE(rig.form->timWakeupWait.interval(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(monitorLines(*rig.form, QStringLiteral("Wakeup Retry:")).size(), 1,
                              10000);
    QVERIFY(rig.form->busyWindow);
    QVERIFY(rig.form->close());
}

void TestProtocol::replyAtItsTimeOutIsTakenOnce_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<bool>("receiving"); // the expiry comes while bytes are still arriving
    QTest::addColumn<bool>("fuel");      // what comes in is a fuel reading, not the reply
    QTest::newRow("complete reply waits for its dispatch")
        << QStringList{QStringLiteral("--rk13")} << false << false;
    QTest::newRow("reply still coming in")
        << QStringList{QStringLiteral("--rk13"), QStringLiteral("--baud"), QStringLiteral("300")}
        << true << false;
    // Only a fuel meter on the line: the request is not answered.
    QTest::newRow("fuel reading waits for its dispatch")
        << QStringList{QStringLiteral("--qk11")} << false << true;
}

// The reply wait runs out while something is coming in: it is not sent again then. The
// dispatch decides: a reply ends the request, anything else brings the expiry back, and
// the request is sent again once.
void TestProtocol::replyAtItsTimeOutIsTakenOnce() {
    QFETCH(QStringList, link);
    QFETCH(bool, receiving);
    QFETCH(bool, fuel);
    SimProcess sim(link);
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    f.btnRead1Click(3);
    if (fuel)
        sim.command("fuel");
    if (receiving)
        QVERIFY(rig.waitFor([&] { return f.commThread->receiving(); }, 10000));
    else
        QVERIFY(rig.waitFor([&] { return f.reception.rxComplete; }, 10000));
    f.timWakeupWaitTimer(); // the expiry, before the dispatch
    QCOMPARE(monitorLines(f, QStringLiteral("Wakeup Retry:")), QStringList());
    if (fuel) {
        QVERIFY(rig.waitFor(
            [&] { return !monitorLines(f, QStringLiteral("Wakeup Retry:")).isEmpty(); }, 5000));
        QCOMPARE(monitorLines(f, QStringLiteral("Wakeup Retry:")),
                 QStringList{QStringLiteral("Wakeup Retry:1")});
        QCOMPARE(monitorLines(f, QStringLiteral("Tx:")).size(), 2);
        QVERIFY(f.busyWindow);
    } else {
        QVERIFY(rig.idle());
        QCOMPARE(monitorLines(f, QStringLiteral("Tx:")), QStringList{QStringLiteral("Tx:@CP")});
        QCOMPARE(monitorLines(f, QStringLiteral("Wakeup Retry:")), QStringList());
        QCOMPARE(f.edtCP->text(), QStringLiteral("3"));
    }
    QVERIFY(f.close());
}

void TestProtocol::closingBusyWindowCancels() {
    SimProcess sim({QStringLiteral("--silent")});
    QVERIFY(sim.isValid());
    MainFormRig rig;
    rig.open({{1, sim.path()}});
    // The busy window of the start-up search, closed by the user.
    QTRY_VERIFY(!monitorLines(*rig.form, QStringLiteral("KODA LiNK Search")).isEmpty());
    QVERIFY(rig.form->busyWindow);
    rig.form->busyWindow->close();
    QVERIFY(rig.waitForMessage(QStringLiteral("ポート検索を中止しました。")));
    QVERIFY(!rig.form->portSearching);
    QVERIFY(!rig.form->portOpen);
    QVERIFY(!rig.form->busyWindow);

    // During a settings read: the buttons come back and the RK-13 read finishes.
    rig.form->mnuCommOpenClick();
    rig.form->btnRead1Click(3);
    QVERIFY(rig.form->busyWindow);
    rig.form->busyWindow->close();
    QTRY_VERIFY(!rig.form->busyWindow);
    QVERIFY(!rig.form->timWakeupWait.isActive());
    QVERIFY(rig.form->btnRead[3]->isEnabled());
    QCOMPARE(rig.form->lapTable.lapInfoStep, 0);
    QVERIFY(rig.form->close());
}

// A reply whose value is no number ends the request with "ERROR!!!": the busy window
// closes, the buttons come back, and a reply that comes later does not go on with the
// chain.
void TestProtocol::unusableReplyEndsTheChain() {
    PtyPair device;
    QVERIFY(device.isValid());
    MainFormRig rig;
    rig.open({{1, device.slavePath()}});
    QByteArray seen; // what the program has sent so far
    const auto sent = [&](const char* text) {
        return rig.waitFor([&] { return (seen += device.read(0)).contains(text); }, 15000);
    };
    QVERIFY(sent("KODA LiNK Search"));
    QVERIFY(device.write("KODA LiNK Found\r\n"));
    QVERIFY(rig.waitForMessage(linkedMessage));
    TMainForm& f = *rig.form;
    f.deviceModel = DeviceModel::RK12; // plain text replies, played by the test
    f.applyModelLayout();
    f.btnRead1Click(10);
    QVERIFY(sent("@DISPLAYTYPE"));
    QVERIFY(device.write("DisplayType:R\r\n"));
    QVERIFY(sent("@LAPDISPTIME"));
    QVERIFY(device.write("LapDispTime:ab\r\n"));
    QVERIFY(rig.waitForMessage(QStringLiteral("ERROR!!!")));
    QVERIFY(rig.idle());
    QCOMPARE(f.readAllItem, 0);
    QVERIFY(f.btnRead[10]->isEnabled());
    QVERIFY(device.write("LapDispTime:07\r\n")); // late: applied, nothing more asked
    QVERIFY(rig.waitFor([&] { return f.edtLapDispTime->text() == QLatin1String("7"); }));
    QTest::qWait(300);
    QCOMPARE(monitorLines(f, QStringLiteral("Tx:")),
             (QStringList{QStringLiteral("Tx:@DISPLAYTYPE"), QStringLiteral("Tx:@LAPDISPTIME")}));
    QVERIFY(f.close());
}

void TestProtocol::liveLapAndFuelFrameBlinkTheAntenna() {
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--qk11")});
    MainFormRig rig;
    QVERIFY(rig.start(sim));
    TMainForm& f = *rig.form;
    QVERIFY(f.spbRead->isEnabled());
    QVERIFY(!f.imgAntenna->isVisible());

    sim.command("live");
    QTRY_VERIFY(f.imgAntenna->isVisible());
    QCOMPARE(f.imgAntenna->y(), 16);
    QVERIFY(f.timRKSend.isActive());
    QVERIFY(!f.spbRead->isEnabled()); // held off after a live lap
    QVERIFY(!f.btnRead[1]->isEnabled());
    f.timRKSendTimer();
    QVERIFY(f.spbRead->isEnabled());
    QTRY_VERIFY(!f.imgAntenna->isVisible()); // 200 ms later

    sim.command("fuel");
    QTRY_VERIFY(f.imgAntenna->isVisible());
    QCOMPARE(f.imgAntenna->y(), 72);
    QVERIFY(f.close());
}

void TestProtocol::rk13CommandFramesCarryTheRadioId() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    MainFormRig rig;
    rig.open({{1, pty.slavePath()}});
    QElapsedTimer timer;
    timer.start();
    QByteArray seen;
    while (!seen.contains("KODA LiNK Search") && timer.elapsed() < 5000) {
        seen += pty.read(0);
        QTest::qWait(10);
    }
    pty.write("KODA LiNK Found");
    QVERIFY(rig.waitForMessage(linkedMessage));
    pty.read(0);

    // "@CP" to ID 0x1234 is exactly this frame, logged as one line of hexadecimal bytes.
    rig.form->txtEdit->setText(QStringLiteral("@CP"));
    rig.form->spbCommandTxClick();
    QCOMPARE(pty.read(2000, 13).toHex(' '), QByteArray("02 4c 12 34 0d 01 40 43 50 0d 0a 30 03"));
    QVERIFY(rig.form->memTxRxMonitor->toPlainText().endsWith(
        QStringLiteral("Tx:@CP\n02 4C 12 34 0D 01 40 43 50 0D 0A 30 03 ")));

    // An ID entry that is no usable ID stops the command before anything is written.
    rig.form->edtID->setText(QStringLiteral("0x"));
    rig.form->spbCommandTxClick();
    QCOMPARE(rig.prompts.texts().last(), QStringLiteral("IDを入力してください。"));
    QCOMPARE(pty.read(300), QByteArray());

    // A command longer than a frame can carry is refused, not cut.
    rig.form->edtID->setText(QStringLiteral("0x1234"));
    rig.form->txtEdit->setText(QStringLiteral("@") + QString(80, QLatin1Char('A')));
    rig.form->spbCommandTxClick();
    QVERIFY(rig.prompts.texts().last().startsWith(QStringLiteral("コマンドが長すぎます")));
    QCOMPARE(pty.read(300), QByteArray());
    QVERIFY(rig.form->close());
}

QTEST_MAIN(TestProtocol)
#include "tst_protocol.moc"
