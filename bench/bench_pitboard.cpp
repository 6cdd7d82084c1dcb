// The pit board beside the main window: the time from a live lap's dispatch (the feed's
// liveLap, emitted where the grid takes the lap) to the board's repaint of the lap time,
// median and worst over the laps koda-sim pushes.
//
//   bench_pitboard [KODA_SIM] [LAPS] [LIVE_PERIOD_MS]
#include "app/frmmain.h"
#include "laps/lapgridview.h"
#include "pitboard/pitboardwindow.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <algorithm>
#include <cstdio>

namespace {

// Notes the time of the first paint of a widget after each arm().
class PaintClock : public QObject {
public:
    explicit PaintClock(const QElapsedTimer& clock) : clock_(clock) {}
    void arm() { armedAt_ = clock_.nsecsElapsed(); }
    QList<qint64> delaysNs;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && armedAt_ >= 0) {
            delaysNs << clock_.nsecsElapsed() - armedAt_;
            armedAt_ = -1;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
    qint64 armedAt_ = -1;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("KODA_SIM", argv[1]);
    const int laps = argc > 2 ? QByteArray(argv[2]).toInt() : 300;
    const QString period = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("300");
    SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--laps"), QStringLiteral("0"),
                    QStringLiteral("--live-period"), period});
    MainFormRig rig;
    if (!rig.start(sim)) {
        std::fprintf(stderr, "no link to koda-sim (give its path as the first argument)\n");
        return 1;
    }
    TMainForm& form = *rig.form;
    QElapsedTimer clock;
    clock.start();
    PaintClock paints(clock);
    PaintClock gridPaints(clock); // the grid's repaint of the same lap, for comparison
    // Connected before the board is made, so the clock starts as the lap is dispatched, before
    // the board's own slot runs.
    QObject::connect(&form.eventFeed, &feed::EventFeed::liveLap, &paints,
                     [&paints, &gridPaints](const feed::LiveLap&) {
                         paints.arm();
                         gridPaints.arm();
                     });
    form.StringGrid1->viewport()->installEventFilter(&gridPaints);
    pitboard::PitBoardWindow board(form.eventFeed, QString());
    board.setMuted(true);
    board.resize(1366, 768);
    board.showBoard();
    board.findChild<QLabel*>(QStringLiteral("lblPitLapTime"))->installEventFilter(&paints);
    rig.waitFor([&] { return paints.delaysNs.size() >= laps; }, laps * (period.toInt() + 2000));
    QList<qint64> d = paints.delaysNs;
    if (d.isEmpty()) {
        std::printf("no live lap reached the board\n");
        return 1;
    }
    QList<qint64> g = gridPaints.delaysNs;
    std::sort(d.begin(), d.end());
    std::sort(g.begin(), g.end());
    std::printf("pit board: %lld live laps, dispatch to repaint median %.2f ms, worst %.2f ms\n",
                static_cast<long long>(d.size()), double(d.at(d.size() / 2)) / 1e6,
                double(d.last()) / 1e6);
    if (!g.isEmpty())
        std::printf("lap grid: %lld live laps, dispatch to repaint median %.2f ms, worst %.2f ms\n",
                    static_cast<long long>(g.size()), double(g.at(g.size() / 2)) / 1e6,
                    double(g.last()) / 1e6);
    form.close();
    return 0;
}
