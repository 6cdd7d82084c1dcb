// A 300-lap RK-13 download from koda-sim at 38400 baud, measured against the protocol
// floor: the wire time of every byte both ways plus, per exchange, the 200 ms of quiet
// that ends a reception and the 100 ms before it is dispatched. Also the longest
// stall of the user-interface thread during the download (the largest gap of a 5 ms
// heartbeat timer).
//
//   bench_download [KODA_SIM] [LAPS] [capture]
//
// With "capture" the program's capture recorder writes the line to a temporary folder, so
// the figures with and without it can be set side by side.
#include "app/frmmain.h"
#include "capture/capturerecorder.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Bytes behind a monitor line: "Rx:" display text ([HH] is one byte) or a hex dump.
int bytesOfRxLine(const QString& text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('[') && i + 3 < text.size() && text[i + 3] == QLatin1Char(']'))
            i += 3;
        ++bytes;
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("KODA_SIM", argv[1]);
    const QString laps = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("300");
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--laps"), laps,
                    QStringLiteral("--sectors"), QStringLiteral("4"), QStringLiteral("--latency"),
                    QStringLiteral("0"), QStringLiteral("--baud"), QStringLiteral("38400")});
    if (!sim.isValid()) {
        std::fprintf(stderr, "koda-sim did not start (give its path as the first argument)\n");
        return 1;
    }
    MainFormRig rig;
    if (!rig.start(sim.path())) {
        std::fprintf(stderr, "no link to koda-sim\n");
        return 1;
    }
    TMainForm& form = *rig.form;
    const bool capturing = argc > 3 && QByteArrayView(argv[3]) == "capture";
    QTemporaryDir captureFolder;
    std::unique_ptr<capture::CaptureRecorder> recorder;
    if (capturing)
        recorder = std::make_unique<capture::CaptureRecorder>(form.eventFeed, captureFolder.path());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    form.spbMonitorClearClick();
    QElapsedTimer clock;
    clock.start();

    qint64 lastBeat = 0, longestStall = 0;
    bool running = true;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (running && lastBeat > 0)
            longestStall = std::max(longestStall, now - lastBeat);
        lastBeat = now;
    });
    heartbeat.start(5);

    const qint64 start = clock.elapsed();
    lastBeat = start;
    form.spbReadClick();
    while ((form.lapTable.lapInfoStep != 0 || form.busyWindow) && clock.elapsed() - start < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    const qint64 wall = clock.elapsed() - start;
    running = false;

    // The floor, from the bytes that actually crossed the line.
    int txBytes = 0, rxBytes = 0, exchanges = 0;
    for (const QString& line : form.memTxRxMonitor->toPlainText().split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Rx:"))) {
            rxBytes += bytesOfRxLine(line.mid(3));
            ++exchanges;
        } else if (!line.isEmpty() && line.at(0).isDigit() && line.endsWith(QLatin1Char(' '))) {
            txBytes += int(line.size() / 3); // "XX " per byte
        }
    }
    const double byteMs = 11.0 * 1000.0 / 38400.0;
    const double floorMs = (txBytes + rxBytes) * byteMs + exchanges * (200.0 + 100.0);
    std::printf("%s-lap download: %lld ms for %d exchanges (%d bytes out, %d in); floor %.0f ms; "
                "ratio %.3f; longest UI stall %lld ms; laps read %d; capture %s\n",
                qPrintable(laps), wall, exchanges, txBytes, rxBytes, floorMs,
                double(wall) / floorMs, longestStall, form.lapTable.lapCount,
                capturing ? "on" : "off");
    form.close();
    return 0;
}
