// Robustness under a flood: koda-sim sends random bytes at full line speed while the
// main window holds the port open. Prints the resident memory after the first 30 s and
// at the end, the largest stall of the user-interface thread and the receptions seen.
//
//   bench_flood KODA_SIM SECONDS [capture]
//
// With "capture" the program's capture beside the window (the recorder and the detailed
// view, not shown) takes the flood; the recorder writes to a temporary folder (files of 5 MB,
// the newest four kept) and the folder's size is printed at the end.
#include "app/frmmain.h"
#include "capture/capturerecorder.h"
#include "serial/rscommthread.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("KODA_SIM", argv[1]);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 600;
    SimProcess sim({QStringLiteral("--garbage-flood")});
    if (!sim.isValid())
        return 1;
    MainFormRig rig;
    rig.withCapture = argc > 3 && QByteArrayView(argv[3]) == "capture";
    rig.open({{1, sim.path()}});
    rig.waitFor([&] { return !rig.form->portSearching; });
    TMainForm& form = *rig.form;
    const ScriptedPrompts& prompts = rig.prompts;
    QElapsedTimer clock;
    clock.start();
    if (!form.portOpen)
        form.mnuCommOpenClick(); // a flood never lets a probe answer stand out
    int receptions = 0;
    QObject::connect(form.commThread.get(), &RsCommThread::receptionHandedOver,
                     [&receptions] { ++receptions; });

    // The first memory figure is taken after 30 s, or half-way through a shorter flood.
    const qint64 firstMark = std::min<qint64>(30000, qint64(seconds) * 500);
    long atFirstMark = -1;
    qint64 last = clock.elapsed(), stall = 0, lastRequest = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        stall = std::max(stall, now - last);
        last = now;
        if (atFirstMark < 0 && now > firstMark)
            atFirstMark = residentKb();
        // Commands go out now and then, as a user would send them.
        if (now - lastRequest >= 10000 && form.portOpen && !form.txBusy) {
            lastRequest = now;
            form.btnRead1Click(9);
        }
    });
    beat.start(5);
    // Not QCoreApplication::quit(): it would close the window before the figures are taken.
    while (clock.elapsed() < qint64(seconds) * 1000 + 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    std::printf("flood for %d s: resident memory %.1f MB after %lld s, %.1f MB at the end; "
                "longest UI stall %lld ms; receptions %d; monitor %d characters; port open %d\n",
                seconds, double(atFirstMark) / 1024.0, firstMark / 1000,
                double(residentKb()) / 1024.0, stall, receptions,
                int(form.memTxRxMonitor->toPlainText().size()), int(form.portOpen));
    if (rig.capture) {
        qint64 bytes = 0;
        const QStringList files = rig.capture->recorder().files().files();
        for (const QString& file : files)
            bytes += QFileInfo(file).size();
        std::printf("capture: %lld files, %.1f MB\n", qint64(files.size()),
                    double(bytes) / (1024.0 * 1024.0));
    }
    for (const QString& text : prompts.texts().mid(0, 5))
        std::printf("message: %s\n", qPrintable(text));
    form.close();
    return 0;
}
