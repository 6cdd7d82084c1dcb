// The real main window, offscreen, with a temporary configuration file, scripted
// prompts and pseudo-terminals standing in for the serial adapters.
#include "app/eventerrors.h"
#include "app/frmmain.h"
#include "app/kodaapplication.h"
#include "app/qttranslations.h"
#include "app/widgetprompts.h"
#include "files/lapfile.h"
#include "laps/lapchartview.h"
#include "serial/rscommthread.h"
#include "serial/searchadvice.h"
#include "support/filebytes.h"
#include "support/mainformrig.h"
#include "support/ptypair.h"
#include "support/scriptedprompts.h"
#include "support/textfit.h"
#include "support/windowcheck.h"
#include "windows/exampleentry.h"
#include "windows/frmabout.h"
#include "windows/frmanimation.h"
#include "windows/frmsettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include <csignal>

#include <memory>
#include <stdexcept>

namespace {

QByteArray cp932(const QString& text) {
    return QStringEncoder("windows-31j").encode(text);
}

// How long a wait may take before it counts as failed in the tests that also run on a
// real X server (tst_mainform-desktop): generous, so that a loaded machine only makes
// them slower. Every wait ends as soon as its condition holds.
constexpr int loadedWaitMs = 120000;

// Answers the port search probe on the master side of a pty while the window runs.
bool answerProbe(PtyPair& pty, int timeoutMs) {
    QByteArray seen;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        seen += pty.read(0);
        if (seen.contains("KODA LiNK Search"))
            return pty.write("KODA LiNK Found\r\n");
        QTest::qWait(10);
    }
    return false;
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void startsRunsIdleAndWritesConfigurationAtClose();
    void closeVetoedKeepsRunning();
    void configurationValuesAreApplied();
    void configurationValuesAreKeptWhole();
    void startupSearchLinksToAnsweringPort();
    void failedSearchKeepsThePortAndSaysWhy_data();
    void failedSearchKeepsThePortAndSaysWhy();
    void settingsDialogRemakesConnection_data();
    void settingsDialogRemakesConnection();
    void windowsAreDrawnWithTheirGlyphs();
    void hintOfControlUnderMouseShowsInPanelZero();
    void windowHeightStopsAt180();
    void wrappedCaptionsFitTheirLabels_data();
    void wrappedCaptionsFitTheirLabels();
    void captionsShowWhole_data();
    void captionsShowWhole();
    void outsideTextsShowAsPlainText_data();
    void outsideTextsShowAsPlainText();
    void standardDialogsSpeakJapanese();
    void closeInsideTransmissionFinishes();
    void shutdownSignalRunsCloseSequence_data();
    void shutdownSignalRunsCloseSequence();

    void layoutFollowsTheWindowSize_data();
    void layoutFollowsTheWindowSize();
    void connectionTextFitsItsPanel_data();
    void connectionTextFitsItsPanel();
    void errorReachingTheEventLoopIsShown_data();
    void errorReachingTheEventLoopIsShown();

private:
    std::unique_ptr<TMainForm> makeForm(ScriptedPrompts& prompts, const QString& iniPath) {
        return std::make_unique<TMainForm>(prompts, TMainForm::Options{iniPath, false});
    }
};

void TestMainForm::startsRunsIdleAndWritesConfigurationAtClose() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    QCOMPARE(form->windowTitle(), QStringLiteral("KODA Monitor"));
    QVERIFY(form->busyWindow); // the start-up search shows the busy window at once

    // No port is usable: the search fails in its first idle pass, and says what to do next.
    QTRY_COMPARE(prompts.texts(), QStringList{notFoundMessage});
    QCOMPARE(prompts.shown.first().icon, Prompts::Icon::Warning);
    // A first start opens where a racer starts, and the radio ID entries show an example.
    QCOMPARE(form->PageControlSetting->currentWidget(), form->tabBasicSetting);
    QVERIFY(form->PageControlSetting->isTabVisible(
        form->PageControlSetting->indexOf(form->tabSetting)));
    for (QLineEdit* id : {form->edtID, form->edtIDQK11}) {
        QCOMPARE(id->text(), QStringLiteral("0x"));
        QCOMPARE(static_cast<ExampleEntry*>(id)->shownExample(), QStringLiteral("12AB"));
    }
    QVERIFY(windowcheck::saveScreenshot(form.get(), QStringLiteral("first-start")));
    {
        WidgetPrompts real(form.get());
        const auto box = real.messageBox(notFoundMessage, form->windowTitle(),
                                         Prompts::Icon::Warning, Prompts::Buttons::Ok);
        box->show();
        QVERIFY(windowcheck::saveScreenshot(box.get(), QStringLiteral("first-start-message")));
    }
    form->edtID->setText(QStringLiteral("0x1"));
    QCOMPARE(static_cast<ExampleEntry*>(form->edtID)->shownExample(), QString());
    form->edtID->setText(QStringLiteral("0x"));
    QCOMPARE(prompts.shown.first().caption, QStringLiteral("KODA Monitor"));
    QVERIFY(form->firstIdleDone);
    QVERIFY(!form->busyWindow);
    QVERIFY(!form->portOpen);
    QCOMPARE(form->statusPanel[1]->text(), QString());

    const QRect frame = form->frameGeometry();
    QVERIFY(form->close());
    const QString expected =
        QStringLiteral("[Form]\r\nTop=%1\r\nLeft=%2\r\nHeight=%3\r\nWidth=%4\r\n")
            .arg(frame.top())
            .arg(frame.left())
            .arg(frame.height())
            .arg(frame.width()) +
        QStringLiteral("[Com]\r\nPort=1\r\nBaudRate=38400\r\nByteSize=8\r\nParity=2\r\n"
                       "StopBits=0\r\nFlowCtrl=0\r\n"
                       "[Data]\r\nCourse length=0\r\n"
                       "[Message]\r\nCaution=0\r\n"
                       "[Chart]\r\nView3D=0\r\n3DPercent=5\r\nBackColor=16541279\r\n"
                       "[Model]\r\nRin Koda=RK-13\r\nRK-13 ID=0x\r\nQK-11 ID=0x\r\n"
                       "[Monitor]\r\nQ-KODA=1\r\n");
    QCOMPARE(readAll(ini), cp932(expected));
    QVERIFY(!form->commThread->isRunning());
}

void TestMainForm::closeVetoedKeepsRunning() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    form->dataModified = true;
    prompts.answers = {Prompts::Answer::No};
    QVERIFY(!form->close());
    QCOMPARE(prompts.texts().last(), QStringLiteral("データを保存しなくてもよろしいですか？"));
    QVERIFY(!QFile::exists(ini));
    QVERIFY(!form->closing);
    QVERIFY(form->commThread->isRunning());

    prompts.answers = {Prompts::Answer::Yes};
    QVERIFY(form->close());
    QVERIFY(QFile::exists(ini));
}

void TestMainForm::configurationValuesAreApplied() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(writeAll(ini, cp932(QStringLiteral("[Form]\r\nTop=-20\r\nLeft=33\r\n[Com]\r\nPort=0\r\n"
                                               "BaudRate=0x9600\r\n[Data]\r\nCourse length=3.7\r\n"
                                               "[Model]\r\nRin Koda=RK-12\r\nRK-13 ID=0x1234\r\n"
                                               "QK-11 ID=0x0042\r\n[Monitor]\r\nQ-KODA=0\r\n"
                                               "[Custom]\r\nKeep=me\r\n"))));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    QCOMPARE(form->commSettings.baudRate, 38400);
    QCOMPARE(form->comPort, 0);
    QCOMPARE(form->deviceModel, DeviceModel::RK12); // the model the last run wrote
    QCOMPARE(form->edtCourseLength->text(), QStringLiteral("3.7"));
    QCOMPARE(form->edtID->text(), QStringLiteral("0x1234"));
    QCOMPARE(form->edtIDQK11->text(), QStringLiteral("0x0042"));
    QVERIFY(!form->mnuQkodaMessage->isChecked());
    QCOMPARE(form->pnlMonitor->height(), 62);
    QCOMPARE(form->geometry().left(), 33);
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    QVERIFY(form->close());
    const QByteArray saved = readAll(ini);
    QVERIFY(saved.contains("Rin Koda=RK-12\r\n"));
    QVERIFY(saved.contains("[Custom]\r\nKeep=me\r\n"));
    QVERIFY(!saved.contains("EvtChar"));
    QVERIFY2(saved.contains("Left=33\r\n"), saved.constData()); // the window stays where it was
}

void TestMainForm::configurationValuesAreKeptWhole() {
    // Texts longer than what their entries let a person type, and a port number
    // beyond the port table: all are applied and written back unchanged.
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(writeAll(
        ini, cp932(QStringLiteral("[Com]\r\nPort=150\r\n[Data]\r\nCourse length=1234.5678\r\n"
                                  "[Model]\r\nRK-13 ID=0x001234\r\nQK-11 ID=1234567\r\n"))));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    QCOMPARE(form->edtID->text(), QStringLiteral("0x001234"));
    QCOMPARE(form->edtIDQK11->text(), QStringLiteral("1234567"));
    QCOMPARE(form->edtCourseLength->text(), QStringLiteral("1234.5678"));
    // No port is usable, so the start-up search leaves the port number alone.
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    QCOMPARE(prompts.texts(), QStringList{notFoundMessage});
    QCOMPARE(form->comPort, 150);

    // Opening port 150 fails as a port that cannot be opened does: no message, the
    // connection stays down.
    form->mnuCommOpenClick();
    QVERIFY(!form->portOpen);
    QVERIFY(!form->commReady);
    QCOMPARE(form->statusPanel[1]->text(), QString());
    QVERIFY(!form->spbCommandTx->isEnabled());
    QVERIFY(!form->spbRead->isEnabled());
    QCOMPARE(prompts.shown.size(), 1);

    QVERIFY(form->close());
    const QByteArray saved = readAll(ini);
    QVERIFY(saved.contains("\r\nPort=150\r\n"));
    QVERIFY(saved.contains("\r\nCourse length=1234.5678\r\n"));
    QVERIFY(saved.contains("\r\nRK-13 ID=0x001234\r\n"));
    QVERIFY(saved.contains("\r\nQK-11 ID=1234567\r\n"));
}

void TestMainForm::startupSearchLinksToAnsweringPort() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(writeAll(ini, cp932(QStringLiteral("[Ports]\r\nCOM3=%1\r\n").arg(pty.slavePath()))));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    QVERIFY(form->portAvailable[3]);
    QCOMPARE(form->portList.value(3), QStringLiteral(" COM3"));
    QCOMPARE(form->portList.value(1), QStringLiteral("*COM1"));
    QVERIFY(answerProbe(pty, loadedWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(prompts.texts(),
                              QStringList{QStringLiteral("KODAシステムとリンクしました。")},
                              loadedWaitMs);
    QCOMPARE(prompts.shown.first().icon, Prompts::Icon::Information);
    QVERIFY(form->portOpen);
    QCOMPARE(form->comPort, 3);
    QCOMPARE(form->statusPanel[1]->text(), QStringLiteral("COM3: 38400bps D8 PEVEN S1"));
    QVERIFY(form->spbCommandTx->isEnabled());
    QVERIFY(form->spbRead->isEnabled());
    QVERIFY(!form->busyWindow);
    QVERIFY(form->memTxRxMonitor->toPlainText().contains(QStringLiteral("KODA LiNK Search 3ch")));
    QVERIFY(form->close());
    QVERIFY(readAll(ini).contains("Port=3\r\n"));
}

void TestMainForm::failedSearchKeepsThePortAndSaysWhy_data() {
    QTest::addColumn<QString>("com");       // the "Com" section's keys besides Port=1
    QTest::addColumn<int>("namedUnusable"); // "Ports" entries that are no serial port
    QTest::addColumn<QString>("reason");    // the message's line after an empty one
    QTest::addColumn<int>("causeLines");    // lines after the empty one
    QTest::newRow("a silent port") << QString() << 0 << QString() << 0;
    QTest::newRow("a baud rate no port takes")
        << QStringLiteral("BaudRate=12345\r\n") << 0
        << QStringLiteral(
               " の [Com] BaudRate=12345 は使えない通信速度です。どのポートも開けません。")
        << 1;
    QTest::newRow("many unusable ports named")
        << QString() << 8 << QStringLiteral("COM3 (/dev/null): シリアルポートではありません。")
        << 5;
}

// Another program holds COM1, the configured port (here: it has no device); the
// start-up search tries the silent COM2 and finds nothing. The message says why where
// there is a reason, in a few lines, and the close writes the port that was configured,
// not the last one the search tried.
void TestMainForm::failedSearchKeepsThePortAndSaysWhy() {
    QFETCH(QString, com);
    QFETCH(int, namedUnusable);
    QFETCH(QString, reason);
    QFETCH(int, causeLines);
    PtyPair silent;
    QVERIFY(silent.isValid());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QString ports = QStringLiteral("COM2=%1\r\n").arg(silent.slavePath());
    for (int n = 0; n < namedUnusable; ++n)
        ports += QStringLiteral("COM%1=/dev/null\r\n").arg(3 + n);
    QVERIFY(writeAll(ini, cp932(QStringLiteral("[Com]\r\nPort=1\r\n") + com +
                                QStringLiteral("[Ports]\r\n") + ports)));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    // Each probe's wait is ended at once rather than after its second.
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (form->timPortSearchWait.isActive())
                form->timPortSearchWaitTimer();
            return !prompts.shown.isEmpty();
        },
        30000));
    // The reasons stand between the message and the next steps, which end every such box.
    QString text = prompts.shown.first().text;
    QVERIFY2(text.endsWith(searchNextStepsText()), qPrintable(text));
    text.chop(searchNextStepsText().size());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("KODAシステムが見つかりません。"));
    if (reason.isEmpty()) {
        QCOMPARE(lines.size(), 1);
    } else {
        QCOMPARE(lines.value(1), QString());
        QVERIFY2(lines.value(2).endsWith(reason), qPrintable(lines.join(u'|')));
        QCOMPARE(lines.size(), 2 + causeLines);
    }
    QVERIFY(!form->portOpen);
    QVERIFY(form->close());
    QVERIFY(readAll(ini).contains("\r\nPort=1\r\n"));
}

void TestMainForm::settingsDialogRemakesConnection_data() {
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("com3ByName"); // COM3's entry is a udev name the user wrote
    QTest::newRow("OK") << true << 5 << false;
    QTest::newRow("Cancel") << false << 5 << false;
    QTest::newRow("OK, same port named by udev") << true << 3 << true;
    QTest::newRow("Cancel, port named by udev") << false << 5 << true;
}

void TestMainForm::settingsDialogRemakesConnection() {
    QFETCH(bool, pressOk);
    QFETCH(int, chosen);
    QFETCH(bool, com3ByName);
    PtyPair first, second;
    QVERIFY(first.isValid() && second.isValid());
    QTemporaryDir dir;
    // Both adapters have a stable name of their make and serial number.
    const QString byId = dir.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(byId));
    const QString stable = byId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    QVERIFY(QFile::link(second.slavePath(), stable));
    QVERIFY(QFile::link(first.slavePath(),
                        byId + QStringLiteral("/usb-1a86_USB_Serial_0001-if00-port0")));
    QString com3 = first.slavePath();
    if (com3ByName) {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("koda"))));
        com3 = dir.filePath(QStringLiteral("koda/1a86-7523-0001"));
        QVERIFY(QFile::link(first.slavePath(), com3));
    }
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(
        writeAll(ini, cp932(QStringLiteral("[Com]\r\nPort=3\r\n[Ports]\r\nCOM3=%1\r\nCOM5=%2\r\n")
                                .arg(com3, second.slavePath()))));
    ScriptedPrompts prompts;
    TMainForm::Options options{ini, false};
    options.stableNamesFolder = byId;
    auto form = std::make_unique<TMainForm>(prompts, options);
    form->show();
    QVERIFY(answerProbe(first, 5000));
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    QVERIFY(form->portOpen);
    QCOMPARE(form->comPort, 3);

    // The dialog chooses a port; OK takes it, Cancel keeps COM3. Either way the
    // connection is closed for the dialog and opened again afterwards.
    QString tooltip;
    prompts.dialogs.append([pressOk, chosen, &tooltip](QDialog& dialog) {
        auto& settings = static_cast<TSettingsForm&>(dialog);
        windowcheck::saveScreenshot(&settings, QStringLiteral("port-dialog"));
        const int com5 = settings.cmbComCh->findText(QStringLiteral(" COM5"));
        tooltip = settings.cmbComCh->itemData(com5, Qt::ToolTipRole).toString();
        settings.cmbComCh->setCurrentIndex(
            settings.cmbComCh->findText(QStringLiteral(" COM%1").arg(chosen)));
        if (!pressOk) {
            settings.bbtnNg->click();
            return int(settings.result());
        }
        settings.bbtnOk->click();
        return int(settings.result());
    });
    form->mnuCommSettingsClick();
    QVERIFY(prompts.dialogs.isEmpty());
    // Each entry names its device path, and the adapter's stable name.
    QCOMPARE(tooltip, second.slavePath() + u'\n' + stable);
    QCOMPARE(prompts.dialogTitles, QStringList{QStringLiteral("通信ポートのプロパティ")});
    QVERIFY(form->portOpen);
    const int inForce = pressOk ? chosen : 3;
    QCOMPARE(form->comPort, inForce);
    QCOMPARE(form->statusPanel[1]->text(),
             QStringLiteral("COM%1: 38400bps D8 PEVEN S1").arg(inForce));
    // The port in use really is the one shown: bytes sent reach its pty.
    PtyPair& used = inForce == 5 ? second : first;
    used.read(0);
    form->txtEdit->setText(QStringLiteral("@VER"));
    form->edtID->setText(QStringLiteral("0x1234"));
    form->spbCommandTxClick();
    const QByteArray got = used.read(2000, 14);
    QVERIFY2(got.startsWith(QByteArray("\x02\x4C\x12\x34\x0E\x01@VER\r\n", 12)),
             qPrintable(got.toHex(' ') + " | " + form->memTxRxMonitor->toPlainText() + " | " +
                        prompts.texts().join('/')));
    QVERIFY(form->close());
    // Another port chosen is kept by its stable name, so it is the same adapter next
    // time; Cancel changes nothing, and an entry the user wrote stays as written.
    const QByteArray saved = readAll(ini);
    const bool pinned = pressOk && chosen == 5;
    QCOMPARE(saved.contains(QFile::encodeName(QStringLiteral("COM5=") + stable + "\r\n")), pinned);
    QCOMPARE(
        saved.contains(QFile::encodeName(QStringLiteral("COM5=") + second.slavePath() + "\r\n")),
        !pinned);
    QVERIFY2(saved.contains(QFile::encodeName(QStringLiteral("COM3=") + com3 + "\r\n")),
             saved.constData());
    QCOMPARE(saved.count("COM3="), 1);
    QVERIFY(saved.contains(QStringLiteral("Port=%1\r\n").arg(inForce).toLatin1()));
}

void TestMainForm::windowsAreDrawnWithTheirGlyphs() {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    form->showBusy();
    QVERIFY(form->busyWindow);
    QTest::qWait(200); // a few steps of the running light
    windowcheck::saveScreenshot(form->busyWindow, QStringLiteral("busy-window"));
    QStringList missing = windowcheck::missingGlyphs(form->busyWindow);
    form->endBusy();
    QVERIFY(!form->busyWindowOpen);

    // The developer page is shown for the picture, as Shift+Ctrl+Alt would.
    form->PageControlSetting->setTabVisible(form->PageControlSetting->indexOf(form->tabDevelop),
                                            true);
    const char* pages[] = {"data", "settings", "developer"};
    for (int i = 0; i < 3; ++i) {
        form->PageControlSetting->setCurrentIndex(i);
        QVERIFY(windowcheck::saveScreenshot(form.get(), QStringLiteral("main-%1").arg(pages[i])));
    }
    missing += windowcheck::missingGlyphs(form.get());
    const QFontMetrics menuMetrics(form->menuBar()->font());
    for (QAction* action : form->findChildren<QAction*>())
        for (const char32_t c : action->text().toUcs4())
            if (!menuMetrics.inFontUcs4(c))
                missing
                    << QStringLiteral("menu %1: U+%2").arg(action->text()).arg(quint32(c), 4, 16);

    prompts.dialogs.append([&missing](QDialog& dialog) {
        windowcheck::saveScreenshot(&dialog, QStringLiteral("version-dialog"));
        missing += windowcheck::missingGlyphs(&dialog);
        return int(QDialog::Accepted);
    });
    form->mnuAboutClick();
    QCOMPARE(prompts.dialogTitles, QStringList{QStringLiteral("バージョン情報")});
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    QVERIFY(form->close());
}

void TestMainForm::hintOfControlUnderMouseShowsInPanelZero() {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(form->spbRead, &enter);
    QCOMPARE(form->statusPanel[0]->text(), QStringLiteral("RIN KODAからデータを読み込みます。"));
    QCOMPARE(form->spbRead->toolTip(), form->spbRead->statusTip());
    form->mnuCsvLoad->showStatusText(form->menuBar());
    QCOMPARE(form->statusPanel[0]->text(),
             QStringLiteral("PCに保存されているデータを読み込みます。"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form->spbRead, &leave);
    QCOMPARE(form->statusPanel[0]->text(), QString());
    // The caption and the unit of the course length show the entry's hint.
    int courseLabels = 0;
    for (QLabel* label : form->edtCourseLength->parentWidget()->findChildren<QLabel*>()) {
        // The entry's own row: the fuel monitor has "km" labels of its own.
        if ((label->text() != QStringLiteral("コース全長") &&
             label->text() != QStringLiteral("km")) ||
            label->parentWidget() != form->edtCourseLength->parentWidget() ||
            qAbs(label->y() - form->edtCourseLength->y()) > 10)
            continue;
        ++courseLabels;
        QCoreApplication::sendEvent(label, &enter);
        QCOMPARE(form->statusPanel[0]->text(), QStringLiteral("コース全長を入力します。"));
        QCoreApplication::sendEvent(label, &leave);
    }
    QCOMPARE(courseLabels, 2);
    QVERIFY(form->close());
}

void TestMainForm::windowHeightStopsAt180() {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    form->resize(form->width(), 60);
    QTRY_COMPARE(form->height(), 180);
    form->resize(form->width(), 400);
    QTRY_COMPARE(form->height(), 400);
    QVERIFY(form->close());
}

void TestMainForm::wrappedCaptionsFitTheirLabels_data() {
    QTest::addColumn<bool>("rk12");
    QTest::newRow("RK-13") << false;
    QTest::newRow("RK-12") << true;
}

// The captions of the settings page wrap within fixed labels, and the Japanese font's lines
// are taller than the lines the layout was drawn for: a three-line caption once lost the
// top of its first line and the bottom of its last to the label's edges. A caption drawn
// whole leaves the label's top and bottom rows of pixels free of ink.
void TestMainForm::wrappedCaptionsFitTheirLabels() {
    QFETCH(bool, rk12);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->deviceModel = rk12 ? DeviceModel::RK12 : DeviceModel::RK13;
    form->applyModelLayout();
    form->PageControlSetting->setCurrentWidget(form->tabSetting);
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    int checked = 0;
    for (QLabel* label : form->tabSetting->findChildren<QLabel*>()) {
        if (!label->wordWrap() || !label->isVisibleTo(form.get()) || label->text().isEmpty())
            continue;
        ++checked;
        const QImage picture = label->grab().toImage();
        for (const int y : {0, picture.height() - 1}) {
            bool ink = false;
            for (int x = 0; x < picture.width() && !ink; ++x)
                ink = qGray(picture.pixel(x, y)) < 128;
            QVERIFY2(!ink,
                     qPrintable(QStringLiteral("cut off at the %1: %2")
                                    .arg(y == 0 ? QStringLiteral("top") : QStringLiteral("bottom"),
                                         label->text())));
        }
    }
    QVERIFY(checked >= 8);
    QVERIFY(form->close());
}

void TestMainForm::captionsShowWhole_data() {
    QTest::addColumn<bool>("rk12");
    QTest::addColumn<QSize>("size"); // empty: the size the window opens with
    QTest::newRow("RK-13, as it opens") << false << QSize();
    QTest::newRow("RK-12, as it opens") << true << QSize();
    // Maximised on a 1366 x 768 screen, below a title bar and above a desktop panel.
    QTest::newRow("RK-13, 1366x768") << false << QSize(1366, 708);
    QTest::newRow("RK-12, 1366x768") << true << QSize(1366, 708);
}

// Every caption of every page is readable whole: no text wider or higher than its control,
// no control cut by the panel it sits in, no wrapped code broken, and every hint fits the
// status panel that shows it.
void TestMainForm::captionsShowWhole() {
    QFETCH(bool, rk12);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->deviceModel = rk12 ? DeviceModel::RK12 : DeviceModel::RK13;
    form->applyModelLayout();
    form->show();
    QTRY_VERIFY(!form->portSearching);
    if (size.isValid()) {
        form->resize(size);
        QTRY_COMPARE(form->size(), size);
    }
    QTabWidget* pages = form->PageControlSetting;
    pages->setTabVisible(pages->indexOf(form->tabDevelop), true);
    QStringList problems;
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
        for (const QString& problem : textfit::cutTexts(form.get()))
            problems << pages->tabText(page) + QStringLiteral(": ") + problem;
        if (size.width() == 1366)
            QVERIFY(windowcheck::saveScreenshot(
                form.get(), QStringLiteral("main-%1-1366x768-%2")
                                .arg(rk12 ? QStringLiteral("rk12") : QStringLiteral("rk13"))
                                .arg(page)));
    }
    problems += textfit::cutHints(form.get(), form->statusPanel[0]);
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QVERIFY(form->close());
}

void TestMainForm::outsideTextsShowAsPlainText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("heading and link in a lap time")
        << QStringLiteral("1'<h1><font color=red>FIRMWARE UPDATE REQUIRED</font></h1>"
                          "<a href=https://example.invalid/fw>download here</a>\"00");
    QTest::newRow("picture") << QStringLiteral("<img src=\"file:///etc/passwd\">");
    QTest::newRow("bold device reply") << QStringLiteral("Version:<b>9.99</b>");
    QTest::newRow("entities") << QStringLiteral("&lt;b&gt; &amp; &#x41;");
    QTest::newRow("rich-text marker") << QStringLiteral("<qt>COM3</qt>");
}

// Texts from files, the device and the system are shown as they are: a message box, the
// value panels and the status panels show them as plain text, and a port's tooltip reads
// back as the same text, never as markup with live links.
void TestMainForm::outsideTextsShowAsPlainText() {
    QFETCH(QString, text);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching);

    WidgetPrompts real(form.get());
    const auto box = real.messageBox(text, QStringLiteral("読み込み不可"), Prompts::Icon::Error,
                                     Prompts::Buttons::Ok);
    auto* boxLabel = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(boxLabel);
    QCOMPARE(boxLabel->textFormat(), Qt::PlainText);
    QCOMPARE(boxLabel->text(), text);

    QList<QLabel*> panels{form->pnlOdo, form->pnlVersion, form->pnlFuel, form->pnlUsed,
                          form->pnlEco, form->pnlTrip,    form->lblLaps, form->lblFastest};
    for (QLabel* panel : form->statusPanel)
        panels << panel;
    for (QLabel* panel : panels) {
        panel->setText(text);
        QVERIFY2(panel->textFormat() == Qt::PlainText, qPrintable(panel->objectName()));
    }

    int port = 1;
    DeviceModel model = DeviceModel::RK13;
    CommSettings comm = form->commSettings;
    TSettingsForm settings(form.get(), port, model, comm, form->portList);
    settings.cmbComCh->setItemData(1, text, Qt::ToolTipRole);
    settings.show();
    settings.cmbComCh->showPopup();
    QAbstractItemView* list = settings.cmbComCh->view();
    QTRY_VERIFY(list->isVisible());
    const QPoint at = list->visualRect(list->model()->index(1, 0)).center();
    QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &help);
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    QCOMPARE(shown.toPlainText(), text);
    settings.cmbComCh->hidePopup();
    QToolTip::hideText();
    QVERIFY(form->close());
}

// The program's own application object, so that an error reaching the event loop takes
// the path it takes in the program.
int main(int argc, char** argv) {
    KodaApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestMainForm test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainform.moc"

// The dialogs the program really shows (not the scripted ones) carry Qt's own texts in
// Japanese: the buttons of the question before edits are lost, and the lap file's save
// dialog.
void TestMainForm::standardDialogsSpeakJapanese() {
    QVERIFY(installQtTranslations(*QCoreApplication::instance()));
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!form->portSearching && !form->heldPrompts.hasHeld(), loadedWaitMs);
    WidgetPrompts real(form.get());

    const auto box = real.messageBox(QStringLiteral("データを保存しなくてもよろしいですか？"),
                                     QStringLiteral("KODA Monitor"), Prompts::Icon::Information,
                                     Prompts::Buttons::YesNo);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get(), loadedWaitMs));
    QCOMPARE(box->button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
    QCOMPARE(box->button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    QVERIFY(windowcheck::saveScreenshot(box.get(), QStringLiteral("question-discard-edits")));
    QStringList missing = windowcheck::missingGlyphs(box.get());
    box->close();

    // A folder holding a fuel log, as the save dialog meets it at the track.
    QVERIFY(writeAll(dir.filePath(QStringLiteral("QK11_2011_0502_14_03_27.csv")), "x\r\n"));
    const auto save =
        real.saveDialog(QString(), dir.path(), lapFileDialogFilter, lapFileDefaultSuffix);
    save->setOption(QFileDialog::DontUseNativeDialog);
    save->show();
    QVERIFY(QTest::qWaitForWindowExposed(save.get(), loadedWaitMs));
    auto* files = save->findChild<QTreeView*>(QStringLiteral("treeView"));
    QVERIFY(files);
    QTRY_COMPARE(files->model()->rowCount(files->rootIndex()), 1);
    QCoreApplication::processEvents();
    QCOMPARE(save->windowTitle(), QStringLiteral("名前を付けて保存"));
    const auto* buttons = save->findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    QVERIFY(windowcheck::saveScreenshot(save.get(), QStringLiteral("lap-file-save-dialog")));
    missing += windowcheck::missingGlyphs(save.get());
    // Its headings and places are readable whole, in Japanese.
    missing += textfit::cutTexts(save.get());
    const auto* details = save->findChild<QHeaderView*>();
    QVERIFY(details);
    QCOMPARE(details->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名前"));
    save->close();
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    QVERIFY(form->close());
}

// A close handled inside a transmission's own event processing (a click while the write
// waits for the port) must not wait for that transmission: it ends first, then the
// window closes and writes its configuration.
void TestMainForm::closeInsideTransmissionFinishes() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(
        writeAll(ini, cp932(QStringLiteral("[Model]\r\nRK-13 ID=0x1234\r\n[Ports]\r\nCOM1=%1\r\n")
                                .arg(pty.slavePath()))));
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, ini);
    form->show();
    QVERIFY(answerProbe(pty, loadedWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(!form->portSearching && !form->heldPrompts.hasHeld(), loadedWaitMs);
    QVERIFY(form->portOpen);

    QTimer::singleShot(0, form.get(), [&form] { form->close(); });
    QVERIFY(form->sendCommand(QStringLiteral("@VER\r\n")));
    QTRY_VERIFY_WITH_TIMEOUT(form->closeDone, loadedWaitMs);
    QVERIFY(!form->isVisible());
    QVERIFY(!form->portOpen);
    QVERIFY(readAll(ini).contains("[Form]\r\nTop="));
}

void TestMainForm::shutdownSignalRunsCloseSequence_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// The program itself, killed by a signal while a message box waits for an answer: it
// closes as the window's close would and writes its configuration.
void TestMainForm::shutdownSignalRunsCloseSequence() {
    QFETCH(int, signalNumber);
    PtyPair pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    // The program keeps its configuration beside itself when its folder is writable.
    const QString program = dir.filePath(QStringLiteral("KodaMonitor"));
    QVERIFY(QFile::copy(qEnvironmentVariable("KODA_PROGRAM"), program));
    QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
    QString ini = QStringLiteral("[Com]\r\nPort=1\r\n[Ports]\r\nCOM1=%1\r\n").arg(pty.slavePath());
    // Every other port number leads nowhere: the machine's own serial devices stay untouched.
    for (int n = 2; n <= 99; ++n)
        ini += QStringLiteral("COM%1=%2/none\r\n").arg(n).arg(dir.path());
    QVERIFY(writeAll(dir.filePath(QStringLiteral("KodaMonitor.ini")), cp932(ini)));

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    // The search's probe shows the program running; its answer opens a message box.
    QVERIFY(answerProbe(pty, 30000));
    QTest::qWait(500);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QByteArray saved = readAll(dir.filePath(QStringLiteral("KodaMonitor.ini")));
    QVERIFY2(saved.contains("[Form]\r\nTop="), saved.constData());
    QVERIFY2(saved.contains("[Com]\r\nPort=1\r\nBaudRate=38400\r\n"), saved.constData());
}

void TestMainForm::layoutFollowsTheWindowSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("as designed") << QSize(1016, 649);
    QTest::newRow("narrow") << QSize(480, 400);
    QTest::newRow("narrowest, lowest") << QSize(200, 180);
    QTest::newRow("large") << QSize(1400, 900);
}

// Only the window's height has a lower limit: it can be made narrower than the row of the
// bottom panel, whose controls keep to the right edge (the row is cut at the left); the
// chart's reset button keeps to the chart's lower left corner.
void TestMainForm::layoutFollowsTheWindowSize() {
    QFETCH(QSize, size);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    form->resize(size);
    QTRY_COMPARE(form->size(), size);
    QTRY_COMPARE(form->pnlMonitor->width(), size.width());
    const QPoint exitTopLeft = form->spbExit->mapTo(form->pnlMonitor, QPoint(0, 0));
    QCOMPARE(form->pnlMonitor->width() - (exitTopLeft.x() + form->spbExit->width()), 14);
    // The chart's reset button stays in its lower left corner.
    QCOMPARE(form->btnZoomReset->x(), 4);
    QCOMPARE(form->Chart1->height() - (form->btnZoomReset->y() + form->btnZoomReset->height()), 4);
    QVERIFY(windowcheck::saveScreenshot(
        form.get(), QStringLiteral("main-%1x%2").arg(size.width()).arg(size.height())));
    QVERIFY(form->close());
}

void TestMainForm::errorReachingTheEventLoopIsShown_data() {
    QTest::addColumn<bool>("standard"); // a std::exception, or anything else thrown
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::newRow("std::exception")
        << true << QStringLiteral("KODA Monitor") << QStringLiteral("変換できない値です。");
    QTest::newRow("anything else, after a file load")
        << false << QStringLiteral("KODA Monitor - /tmp/laps.csv") << unknownErrorText();
}

// An error that no handler catches is shown in a message box with the window's caption and
// the error icon, and the event loop goes on with the next event.
void TestMainForm::errorReachingTheEventLoopIsShown() {
    QFETCH(bool, standard);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    form->setWindowTitle(caption);
    const qsizetype before = prompts.shown.size();
    QTimer::singleShot(0, form.get(), [standard] {
        if (standard)
            throw std::runtime_error("変換できない値です。");
        throw 42;
    });
    bool wentOn = false;
    QTimer::singleShot(0, form.get(), [&wentOn] { wentOn = true; });
    QTRY_VERIFY(wentOn);
    QCOMPARE(prompts.shown.size(), before + 1);
    const auto& shown = prompts.shown.last();
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.caption, caption);
    QCOMPARE(shown.icon, Prompts::Icon::Error);
    QCOMPARE(shown.buttons, Prompts::Buttons::Ok);
    QVERIFY(form->close());
}

void TestMainForm::connectionTextFitsItsPanel_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("usual line") << QStringLiteral("COM1: 38400bps D8 PEVEN S1");
    QTest::newRow("two-digit port") << QStringLiteral("COM99: 115200bps D8 PMARK S1.5");
    QTest::newRow("fastest line") << QStringLiteral("COM99: 4000000bps D8 PMARK S1.5");
}

// At the designed window size the connection status is drawn whole in panel 1, and the
// four panels keep their order and their widths.
void TestMainForm::connectionTextFitsItsPanel() {
    QFETCH(QString, text);
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    auto form = makeForm(prompts, dir.filePath(QStringLiteral("KodaMonitor.ini")));
    form->show();
    QTRY_VERIFY(!form->portSearching && !form->heldPrompts.hasHeld()); // its message shown
    QLabel* panel = form->statusPanel[1];
    panel->setText(text);
    const int advance = QFontMetrics(panel->font()).horizontalAdvance(text);
    QVERIFY2(advance <= panel->contentsRect().width(),
             qPrintable(QStringLiteral("%1 px of text in %2 px")
                            .arg(advance)
                            .arg(panel->contentsRect().width())));
    // Panel 0 is as wide as designed or, where a hint needs more, as wide as its widest hint.
    QVERIFY(form->statusPanel[0]->width() >= 500);
    QVERIFY(textfit::cutHints(form.get(), form->statusPanel[0]).isEmpty());
    QCOMPARE(form->statusPanel[2]->width(), 20);
    QCOMPARE(form->statusPanel[3]->width(), 100);
    for (int i = 1; i < 4; ++i)
        QVERIFY(form->statusPanel[i]->x() > form->statusPanel[i - 1]->geometry().right());
    QVERIFY(form->statusPanel[3]->geometry().right() < form->statusBar()->width());
    QVERIFY(form->close());
}
