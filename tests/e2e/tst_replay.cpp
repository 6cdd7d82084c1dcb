// Captures played back: every capture in tests/captures is played by koda-sim --replay
// against the real main window, which must end up showing what it showed when the capture
// was recorded (the laps, the fuel reading, the settings read, the messages), and must send
// what it sent then.
//
// The captures are recorded by this test too, with the program's own capture recorder
// against koda-sim in field mode: run it with KODA_RECORD_CAPTURES set to a folder and the
// test function recordCaptures writes NAME.pcapng and NAME.txt there for every scenario.
#include "app/frmmain.h"
#include "capture/capturerecorder.h"
#include "capture/trafficview.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/frmsettings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

// What a user sees after the session: every lap row and the summary row of the grid, the
// fuel panels, the settings page's values and every message shown (the link message aside).
QStringList shownState(MainFormRig& rig) {
    TMainForm& f = *rig.form;
    QStringList lines;
    for (int row = LapTable::SummaryRow; row < LapTable::RowCount; ++row) {
        if (row == LapTable::HeadingRow ||
            (row != LapTable::SummaryRow && f.lapTable.cell(LapTable::ColTime, row).isEmpty()))
            continue;
        QStringList cells;
        for (int col = 0; col < LapTable::ColumnCount; ++col)
            cells << f.lapTable.cell(col, row);
        lines << QStringLiteral("lap\t") + cells.join(u'\t');
    }
    lines << QStringLiteral("fuel\t") + QStringList{f.pnlFuel->text(), f.pnlUsed->text(),
                                                    f.pnlEco->text(), f.pnlTrip->text()}
                                            .join(u'\t');
    const auto on = [](const QAbstractButton* b) { return b->isChecked() ? u'1' : u'0'; };
    lines << QStringLiteral("settings\t") +
                 QStringList{QString(on(f.rabRealMode)) + on(f.rabLapMode),
                             f.edtLapDispTime->text(),
                             f.edtCP->text(),
                             f.edtPass->text(),
                             QString(on(f.rabColon)) + on(f.rabDash),
                             f.edtK->text(),
                             f.edtSensorMarkTime->text(),
                             f.pnlOdo->text(),
                             f.pnlVersion->text(),
                             QString(on(f.chkGAP))}
                     .join(u'\t');
    for (const QString& text : rig.prompts.texts())
        if (text != linkedMessage)
            lines << QStringLiteral("message\t") + QString(text).replace(u'\n', u' ');
    return lines;
}

void chooseRk12(MainFormRig& rig) {
    rig.prompts.dialogs.append([](QDialog& dialog) {
        auto& settings = static_cast<TSettingsForm&>(dialog);
        settings.rbtRK12->setChecked(true);
        settings.bbtnOk->click();
        return int(settings.result());
    });
    rig.form->mnuCommSettingsClick();
}

// The user's part of a session: "read" reads the laps, "allread" reads every setting.
bool act(MainFormRig& rig, const QString& action) {
    if (action == QLatin1String("read"))
        rig.form->spbReadClick();
    else if (action == QLatin1String("allread"))
        rig.form->btnRead1Click(10);
    else
        return false;
    return rig.idle(90000);
}

struct Scenario {
    const char* name;
    const char* model;
    const char* action;
    const char* simOptions;
    bool waitForPushes; // the session goes on until a live lap and a fuel reading are shown
};

// The sessions recorded, each through koda-sim's field mode, which once lost replies and
// pushes: a lap read with live laps and fuel readings mixed in (pushes sharing receptions with
// replies, another team's fuel meter), one that a live lap ends, All Read beside a fuel
// meter (settings replies lost with a live lap in their place), and an RK-12 lap read (lists
// split at any byte).
const char* const fieldLink = "--field";
const Scenario scenarios[] = {
    {"rk13-read-live-fuel", "RK-13", "read",
     "--seed 5 --rk13 --qk11 --laps 45 --live-period 6000 --fuel-period 700", true},
    // A live lap ends the read: the laps so far stay, and the program says the read is short.
    {"rk13-read-ended-by-live-lap", "RK-13", "read",
     "--seed 5 --rk13 --qk11 --laps 45 --live-period 1500 --fuel-period 700", true},
    {"rk13-allread-fuel", "RK-13", "allread", "--seed 3 --rk13 --qk11 --fuel-period 1000", false},
    {"rk12-read", "RK-12", "read", "--field --seed 5 --rk12 --laps 20 --sectors 2", false},
};

} // namespace

class TestReplay : public QObject {
    Q_OBJECT

private slots:
    void capturesReplayToWhatWasShown_data();
    void capturesReplayToWhatWasShown();
    void captureIsSavedAndOpenedInTheView();
    void viewShowsAFloodInBatches();
    void recordCaptures();
};

void TestReplay::capturesReplayToWhatWasShown_data() {
    QTest::addColumn<QString>("capture");
    const QDir folder(qEnvironmentVariable("KODA_SOURCE_DIR") + QStringLiteral("/tests/captures"));
    const QStringList names = folder.entryList({QStringLiteral("*.pcapng")}, QDir::Files);
    QVERIFY(names.size() >= 3);
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}

void TestReplay::capturesReplayToWhatWasShown() {
    QFETCH(QString, capture);
    QFile sidecar(capture.chopped(7) + QStringLiteral(".txt"));
    QVERIFY(sidecar.open(QIODevice::ReadOnly));
    QStringList expected = QString::fromUtf8(sidecar.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(expected.size() >= 3);
    const QString model = expected.takeFirst().section(u'\t', 1);
    const QString action = expected.takeFirst().section(u'\t', 1);

    SimProcess sim({QStringLiteral("--replay"), capture});
    MainFormRig rig;
    rig.withCapture = true;
    QVERIFY(rig.start(sim));
    if (model == QLatin1String("RK-12"))
        chooseRk12(rig);
    QVERIFY(act(rig, action));
    QByteArray output;
    QVERIFY(rig.waitFor([&] {
        output += sim.output();
        return output.contains("replay done");
    }));
    // The last pushes may still be on their way.
    rig.waitFor([&] { return shownState(rig) == expected; });
    QCOMPARE(shownState(rig), expected);
    output += sim.output();
    QVERIFY2(!output.contains("departure"), output.constData());

    // The detailed view holds the session: both directions, the frames decoded.
    capture::TrafficView& view = rig.capture->view();
    QStringList rows;
    for (const capture::TrafficEntry& entry : view.shown())
        rows << capture::TrafficLog::columns(entry).join(u'\t');
    QVERIFY(rows.filter(QStringLiteral("\tTx\t")).size() > 0);
    QVERIFY(rows.filter(QStringLiteral("\tRx\t")).size() > 0);
    if (model == QLatin1String("RK-13") && action == QLatin1String("read")) {
        QVERIFY(rows.filter(QStringLiteral("コード 0x82")).size() > 0);
        QVERIFY(rows.filter(QStringLiteral("コード 0x83")).size() > 0);
        QVERIFY(rows.filter(QStringLiteral("QK-11")).size() > 0);
    }
    rig.form->btnTrafficView->click();
    QVERIFY(view.isVisible());
    QVERIFY(windowcheck::saveScreenshot(&view, QStringLiteral("traffic-view-") +
                                                   QFileInfo(capture).baseName()));
    QVERIFY(rig.form->close());
}

// The view's "save capture" writes the capture files as one file; "open capture" shows a
// capture's rows, and refuses a damaged one with the reader's message.
void TestReplay::captureIsSavedAndOpenedInTheView() {
    const QString source = qEnvironmentVariable("KODA_SOURCE_DIR") +
                           QStringLiteral("/tests/captures/rk13-read-live-fuel.pcapng");
    MainFormRig rig;
    rig.withCapture = true;
    rig.open({});
    capture::TrafficView& view = rig.capture->view();

    view.btnSaveCapture->click(); // nothing recorded yet
    QCOMPARE(rig.prompts.texts().last(), QStringLiteral("保存するキャプチャがありません。"));

    view.setCaptureFiles([&] { return QStringList{source, source}; });
    const QString saved = rig.dir.filePath(QStringLiteral("saved.pcapng"));
    rig.prompts.fileNames = {saved};
    view.btnSaveCapture->click();
    const QByteArray once = readAll(source);
    QCOMPARE(readAll(saved), once + once);

    rig.prompts.fileNames = {saved};
    view.btnOpenCapture->click();
    const capture::ReadResult read = capture::readCaptureFile(saved);
    QVERIFY(read.ok());
    QCOMPARE(view.shown().size(), read.records.size());
    QVERIFY(view.chkPause->isChecked());

    const QString damaged = rig.dir.filePath(QStringLiteral("damaged.pcapng"));
    writeAll(damaged, once.left(once.size() - 3));
    rig.prompts.fileNames = {damaged};
    view.btnOpenCapture->click();
    QVERIFY(
        rig.prompts.texts().last().startsWith(QStringLiteral("キャプチャファイルを読めません（")));
    QCOMPARE(view.shown().size(), read.records.size()); // the rows shown stay
}

// Receptions become rows together at the show timer, not one repaint each; what the log
// dropped meanwhile never becomes a row, and the rows stay the log's newest entries.
void TestReplay::viewShowsAFloodInBatches() {
    ScriptedPrompts prompts;
    feed::EventFeed feed;
    capture::TrafficView view(prompts);
    view.listen(feed);
    const QDateTime at = QDateTime::currentDateTime();
    const auto receive = [&](int count, int from) {
        for (int i = from; i < from + count; ++i)
            emit feed.bytesReceived(QByteArray::number(i), at.addMSecs(i));
    };
    const int capacity = capture::TrafficLog::DefaultCapacity;
    receive(10, 0);
    QCOMPARE(view.tblTraffic->rowCount(), 0);
    view.showPending(); // the show timer's handler
    QCOMPARE(view.tblTraffic->rowCount(), 10);
    receive(capacity + 500, 10); // more than the log keeps, before the next showing
    view.showPending();
    receive(7, capacity + 510);
    view.showPending();
    QCOMPARE(view.tblTraffic->rowCount(), capacity);
    QCOMPARE(view.shown().size(), capacity);
    QCOMPARE(view.shown().first().record.bytes, QByteArray::number(517));
    QCOMPARE(view.shown().last().record.bytes, QByteArray::number(capacity + 516));
    QCOMPARE(view.tblTraffic->item(capacity - 1, 3)->text(),
             QString::fromLatin1(QByteArray::number(capacity + 516).toHex(' ').toUpper()));
}

void TestReplay::recordCaptures() {
    const QString target = qEnvironmentVariable("KODA_RECORD_CAPTURES");
    if (target.isEmpty())
        QSKIP("records the captures only when KODA_RECORD_CAPTURES names a folder");
    QVERIFY(QDir().mkpath(target));
    for (const Scenario& s : scenarios) {
        QStringList options = QString::fromLatin1(s.simOptions).split(u' ');
        if (QLatin1String(s.model) == QLatin1String("RK-13"))
            options += QString::fromLatin1(fieldLink).split(u' ');
        SimProcess sim(options);
        QVERIFY(sim.isValid());
        MainFormRig rig;
        QTemporaryDir folder;
        rig.open({{1, sim.path()}});
        // From the start, so that the port search's probe is in the capture too.
        auto recorder = std::make_unique<capture::CaptureRecorder>(
            rig.form->eventFeed, folder.path(), capture::CaptureFiles::Limits{1 << 30, 1});
        QVERIFY(rig.waitForMessage(linkedMessage));
        if (QLatin1String(s.model) == QLatin1String("RK-12"))
            chooseRk12(rig);
        QVERIFY(act(rig, QString::fromLatin1(s.action)));
        TMainForm& f = *rig.form;
        if (s.waitForPushes)
            QVERIFY(rig.waitFor(
                [&] { return f.lapTable.lastLiveRow > 1 && !f.pnlFuel->text().isEmpty(); }));
        // The port closes, and what came in before is taken over: the capture then holds
        // exactly what the state shown was made of.
        f.mnuCommOpenClick();
        QVERIFY(rig.waitFor([&] { return !f.reception.rxComplete; }));
        QTest::qWait(300);
        const QStringList state = shownState(rig);
        const QString path = recorder->files().currentPath();
        recorder.reset();
        const QString name = QString::fromLatin1(s.name);
        QFile::remove(QDir(target).filePath(name + QStringLiteral(".pcapng")));
        QVERIFY(QFile::copy(path, QDir(target).filePath(name + QStringLiteral(".pcapng"))));
        QFile sidecar(QDir(target).filePath(name + QStringLiteral(".txt")));
        QVERIFY(sidecar.open(QIODevice::WriteOnly | QIODevice::Truncate));
        sidecar.write((QStringList{QStringLiteral("model\t") + QLatin1String(s.model),
                                   QStringLiteral("action\t") + QLatin1String(s.action)} +
                       state)
                          .join(u'\n')
                          .toUtf8() +
                      '\n');
        QVERIFY(f.close());
    }
}

QTEST_MAIN(TestReplay)
#include "tst_replay.moc"
