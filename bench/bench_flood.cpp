// Robustness under a flood: koda-sim sends random bytes at full line speed while the
// main window holds the port open. Prints the resident memory after the first 30 s and
// at the end, the largest stall of the user-interface thread and the receptions seen.
//
//   bench_flood KODA_SIM SECONDS
#include "app/frmmain.h"
#include "serial/rscommthread.h"
#include "support/scriptedprompts.h"
#include "support/simprocess.h"
#include "windows/frmanimation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

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
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("KodaMonitor.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write(
        QStringLiteral("[Com]\r\nPort=1\r\n[Model]\r\nRK-13 ID=0x1234\r\n[Ports]\r\nCOM1=%1\r\n")
            .arg(sim.path())
            .toLocal8Bit());
    ini.close();
    ScriptedPrompts prompts;
    TMainForm form(prompts, {ini.fileName(), false});
    form.show();
    QElapsedTimer clock;
    clock.start();
    while (form.portSearching)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!form.portOpen)
        form.mnuCommOpenClick(); // a flood never lets a probe answer stand out
    int receptions = 0;
    QObject::connect(form.commThread.get(), &RsCommThread::receptionHandedOver,
                     [&receptions] { ++receptions; });

    long after30 = -1;
    qint64 last = clock.elapsed(), stall = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        stall = std::max(stall, now - last);
        last = now;
        if (after30 < 0 && now > 30000)
            after30 = residentKb();
        // Commands go out now and then, as a user would send them.
        if (now / 1000 % 10 == 0 && form.portOpen && !form.txBusy)
            form.btnRead1Click(9);
    });
    beat.start(5);
    // Not QCoreApplication::quit(): it would close the window before the figures are taken.
    while (clock.elapsed() < qint64(seconds) * 1000 + 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    std::printf("flood for %d s: resident memory %.1f MB after 30 s, %.1f MB at the end; "
                "longest UI stall %lld ms; receptions %d; monitor %d characters; port open %d\n",
                seconds, double(after30) / 1024.0, double(residentKb()) / 1024.0, stall, receptions,
                int(form.memTxRxMonitor->toPlainText().size()), int(form.portOpen));
    for (const QString& text : prompts.texts().mid(0, 5))
        std::printf("message: %s\n", qPrintable(text));
    form.close();
    return 0;
}
