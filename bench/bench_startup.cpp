// Start-up to first paint, peak memory and idle processor use of the main window,
// beside a plain Qt Widgets window with a chart as the yardstick.
//
//   bench_startup plain            a QMainWindow holding a QChartView
//   bench_startup koda             KODA Monitor's main window (no ports)
//   bench_startup idle SECONDS     KODA Monitor linked to a pseudo-terminal, idle
//   bench_startup waiting SECONDS  the same after the terminal hung up: waiting for the device
//   bench_startup board SECONDS    idle with the port open and the pit board shown full screen
//
// Prints one line of figures; run each mode in its own process.
#include "app/frmmain.h"
#include "pitboard/pitboardwindow.h"
#include "support/filebytes.h"
#include "support/ptypair.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

QElapsedTimer sinceStart;

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Reports the time of the first paint of a window and quits.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const char* name) : name_(name) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            const qint64 ms = sinceStart.elapsed();
            QTimer::singleShot(0, [this, ms] {
                std::printf("%s: first paint %lld ms, peak RSS %.1f MB\n", name_, ms,
                            double(peakRssKb()) / 1024.0);
                // Leave without tearing the window down, so that a profile of
                // this run (callgrind) counts the start-up alone.
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const char* name_;
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    sinceStart.start();
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("koda");
    QTemporaryDir dir;
    ScriptedPrompts prompts;

    if (mode == QLatin1String("plain")) {
        QMainWindow window;
        auto* chart = new QChart;
        auto* series = new QLineSeries;
        series->append(0, 0);
        series->append(1, 1);
        chart->addSeries(series);
        chart->createDefaultAxes();
        window.setCentralWidget(new QChartView(chart));
        window.resize(1016, 672);
        FirstPaint probe("plain Qt window with a chart");
        app.installEventFilter(&probe);
        window.show();
        return app.exec();
    }

    if (mode == QLatin1String("koda")) {
        TMainForm form(prompts, {dir.filePath(QStringLiteral("KodaMonitor.ini")), false});
        FirstPaint probe("KODA Monitor main window");
        app.installEventFilter(&probe);
        form.show();
        return app.exec();
    }

    // Idle with the port open: the start-up search links to a pty whose master
    // answers the probe; then nothing happens for the given time.
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const bool waiting = mode == QLatin1String("waiting");
    auto ptyOwner = std::make_unique<PtyPair>();
    PtyPair& pty = *ptyOwner;
    const QString ini = dir.filePath(QStringLiteral("KodaMonitor.ini"));
    if (!pty.isValid() || !writeAll(ini, QStringLiteral("[Com]\r\nPort=3\r\n[Ports]\r\nCOM3=%1\r\n")
                                             .arg(pty.slavePath())
                                             .toLocal8Bit()))
        return 1;
    TMainForm form(prompts, {ini, false});
    form.show();
    std::unique_ptr<pitboard::PitBoardWindow> board;
    if (mode == QLatin1String("board")) {
        board = std::make_unique<pitboard::PitBoardWindow>(form.eventFeed, QString());
        board->setWindowState(Qt::WindowFullScreen);
        board->showBoard();
    }
    QTimer answer;
    QByteArray seen;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (ptyOwner) {
            seen += pty.read(0);
            if (seen.contains("KODA LiNK Search")) {
                pty.write("KODA LiNK Found\r\n");
                seen.clear();
            }
        }
        if (waiting && ptyOwner && !form.portSearching && form.portOpen)
            ptyOwner.reset(); // the adapter is unplugged
        const bool ready = waiting ? !ptyOwner && !form.portOpen && form.lostPort != 0
                                   : !form.portSearching && form.portOpen;
        if (ready) {
            answer.stop();
            const double before = cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            const char* what = waiting ? "waiting for the device"
                               : board ? "with the port open and the pit board full screen"
                                       : "with the port open";
            QTimer::singleShot(seconds * 1000, [before, wall, what] {
                const double used = cpuSeconds() - before;
                std::printf("idle %s: %.2f %% of one core over %.1f s\n", what,
                            100.0 * used / (double(wall.elapsed()) / 1000.0),
                            double(wall.elapsed()) / 1000.0);
                QCoreApplication::quit();
            });
        }
    });
    answer.start(10);
    return app.exec();
}
