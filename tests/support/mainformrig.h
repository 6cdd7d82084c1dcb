#pragma once
// The real main window for end-to-end tests: a temporary configuration with the radio
// IDs of koda-sim's defaults and the test's "Ports" entries, scripted prompts, and waits
// that keep the event loop running.
#include "app/capturehookup.h"
#include "app/frmmain.h"
#include "support/filebytes.h"
#include "support/scriptedprompts.h"
#include "support/simprocess.h"
#include "windows/frmanimation.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline const QString linkedMessage = QStringLiteral("KODAシステムとリンクしました。");
// The search's failure message, with what to do next below it.
inline const QString notFoundText = QStringLiteral("KODAシステムが見つかりません。");
inline const QString searchNextSteps = QStringLiteral(
    "\r\n\r\n"
    "1. RK-12のケーブル、または無線リンク（RK-13・QK-11）のアダプタをPCに接続してください。\r\n"
    "2. 「設定」の「通信のﾌﾟﾛﾊﾟﾃｨ」でポートを選ぶか、「通信ポート自動検索実行」で"
    "もう一度検索してください。");
inline const QString notFoundMessage = notFoundText + searchNextSteps;
inline const QString noContactMessage =
    QStringLiteral("KODAシリーズと通信できませんでした。\r\n接続を確認してください。");

// A 3.7 km course, as the configuration's "Data" section gives it (an `extra` of open()).
inline const QString courseLengthIni = QStringLiteral("[Data]\r\nCourse length=3.7\r\n");

// Lines of the traffic monitor that start with the given prefix.
inline QStringList monitorLines(TMainForm& form, const QString& prefix) {
    QStringList out;
    for (const QString& line : form.memTxRxMonitor->toPlainText().split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            out << line;
    return out;
}

// The laps koda-sim holds with the given options, as grid texts: lap, time, sectors 1-4,
// top speed.
inline QList<QStringList> simulatorLaps(const QStringList& options) {
    QProcess dump;
    dump.start(qEnvironmentVariable("KODA_SIM"),
               options + QStringList{QStringLiteral("--dump-laps")});
    dump.waitForFinished(10000);
    QList<QStringList> laps;
    for (const QByteArray& line : dump.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            laps << QString::fromUtf8(line).split(QLatin1Char('\t'));
    return laps;
}

struct MainFormRig {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    Prompts* shownBy = nullptr; // other prompts than the scripted ones, when set
    std::unique_ptr<TMainForm> form;
    // Set before open(): the capture beside the window, as the program has it, recording into
    // the rig's folder (captures/, and mail/ for the mail hand-off). Closed with the window.
    bool withCapture = false;
    CaptureHookup* capture = nullptr;

    // Starts the window; the start-up port search runs at once.
    void open(const QList<QPair<int, QString>>& ports, const QString& extra = {}) {
        QString ini = QStringLiteral("[Model]\r\nRK-13 ID=0x1234\r\nQK-11 ID=0x5678\r\n") + extra +
                      QStringLiteral("[Ports]\r\n");
        for (const auto& [port, path] : ports)
            ini += QStringLiteral("COM%1=%2\r\n").arg(port).arg(path);
        const QString path = dir.filePath(QStringLiteral("KodaMonitor.ini"));
        writeAll(path, QStringEncoder("windows-31j").encode(ini));
        form = std::make_unique<TMainForm>(shownBy ? *shownBy : prompts,
                                           TMainForm::Options{path, false});
        if (withCapture)
            capture = new CaptureHookup(
                *form, shownBy ? *shownBy : prompts,
                {dir.filePath(QStringLiteral("captures")), dir.filePath(QStringLiteral("mail"))});
        form->show();
    }
    // One port, COM1: true once the search has linked to it.
    bool start(const QString& port, const QString& extra = {}) {
        open({{1, port}}, extra);
        return waitForMessage(linkedMessage);
    }
    // COM1 on the given simulator: true once it runs and the search has linked to it.
    bool start(const SimProcess& sim, const QString& extra = {}) {
        return sim.isValid() && start(sim.path(), extra);
    }
    template <typename F> bool waitFor(F done, int ms = 30000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QTest::qWait(10);
        return done();
    }
    bool waitForMessage(const QString& text, int ms = 15000) {
        return waitFor([&] { return prompts.texts().contains(text); }, ms);
    }
    // No request and no lap read in progress.
    bool idle(int ms = 30000) {
        return waitFor(
            [this] {
                return form->lapTable.lapInfoStep == 0 && form->lapTable.lapReadStep == 0 &&
                       !form->busyWindow && !form->timWakeupWait.isActive();
            },
            ms);
    }
    bool readLaps() {
        form->spbReadClick();
        return idle();
    }
};
