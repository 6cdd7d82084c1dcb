// The logbook's costs, printed:
//   record   a 300-lap read recorded (user-interface thread: wall and CPU time), median and
//            slowest of 100 (enough for the write-ahead log to be folded back several times)
//   size     bytes of the file per 300-lap session (20 sessions, journal folded in)
//   open     the logbook window on 1,000 sessions / 100,000 laps (generated once into a
//            temporary folder): the store's first open, and window made to its list painted
//   filter   typing a track filter to the list painted again, median of 20
//   compare  two 300-lap sessions chosen on the comparison page to its chart painted, median
//            of 20
// Usage: bench_logbook [sessions=1000] [laps per session=100]
#include "benchlaps.h"
#include "feed/eventfeed.h"
#include "logbook/logbookstore.h"
#include "logbook/logbookwindow.h"
#include "logbook/sessioncompareview.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using logbook::LogbookStore;
using logbook::SessionKind;

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

feed::LapSet lapSet(const LapTable& table, int laps, const QDateTime& at) {
    feed::LapSet set = feed::LapSet::fromTable(table);
    set.laps = set.laps.mid(0, laps);
    set.at = at;
    set.model = QStringLiteral("RK-13");
    set.radioId = 0x1234;
    set.courseLength = QStringLiteral("3.7");
    return set;
}

// Waits for the next paint of the widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* w) { w->installEventFilter(this); }
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
    void wait() {
        painted = false;
        while (!painted)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int sessions = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int lapsPer = argc > 2 ? QByteArray(argv[2]).toInt() : 100;
    QTemporaryDir dir;
    LapTable table;
    benchlaps::fill(table);
    const QDateTime start(QDate(2026, 4, 1), QTime(9, 0));

    { // recording a 300-lap read
        LogbookStore store(dir.filePath(QStringLiteral("record.sqlite")));
        store.open();
        std::vector<double> wall, cpu;
        for (int i = 0; i < 100; ++i) {
            const feed::LapSet set = lapSet(table, 300, start.addSecs(i * 600));
            QElapsedTimer t;
            t.start();
            const double c0 = threadCpuMs();
            if (store.recordLapSet(SessionKind::Read, set) < 0)
                return 1;
            cpu.push_back(threadCpuMs() - c0);
            wall.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("record 300-lap read: median %.2f ms wall, %.2f ms CPU (max %.2f ms wall)\n",
                    benchlaps::median(wall), benchlaps::median(cpu),
                    *std::max_element(wall.begin(), wall.end()));
    }
    { // size per 300-lap session
        const QString path = dir.filePath(QStringLiteral("size.sqlite"));
        qint64 empty = 0;
        {
            LogbookStore store(path);
            store.open();
            QSqlQuery(store.database()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            empty = QFileInfo(path).size();
            for (int i = 0; i < 20; ++i)
                store.recordLapSet(SessionKind::Read, lapSet(table, 300, start.addDays(i)));
            QSqlQuery(store.database()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
        const qint64 full = QFileInfo(path).size();
        std::printf("size: %.1f KB per 300-lap session (%lld bytes for 20, empty file %lld)\n",
                    double(full - empty) / 20 / 1024, full - empty, empty);
    }
    { // a large logbook, the window opened on it and filtered
        const QString path = dir.filePath(QStringLiteral("large.sqlite"));
        {
            LogbookStore store(path);
            QElapsedTimer t;
            t.start();
            const QStringList tracks{QStringLiteral("ツインリンクもてぎ"), QStringLiteral("鈴鹿"),
                                     QStringLiteral("筑波"), QStringLiteral("岡山国際"),
                                     QStringLiteral("オートポリス")};
            for (int i = 0; i < sessions; ++i) {
                const qint64 id = store.recordLapSet(
                    SessionKind::Read, lapSet(table, lapsPer, start.addSecs(qint64(i) * 3600)));
                store.updateSession(id, tracks[i % tracks.size()],
                                    QStringLiteral("NSF250R #%1").arg(i % 7),
                                    QStringLiteral("晴れ 路面ドライ"));
            }
            std::printf("generated %d sessions x %d laps in %lld ms, %.1f MB\n", sessions, lapsPer,
                        t.elapsed(), double(QFileInfo(path).size()) / 1e6);
        }
        LogbookStore store(path);
        QElapsedTimer t;
        t.start();
        store.open();
        const double openMs = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        ScriptedPrompts prompts;
        logbook::LogbookWindow window(store, prompts);
        PaintWatch watch(window.grdSessions->viewport());
        window.show();
        watch.wait();
        const double paintMs = double(t.nsecsElapsed()) / 1e6;
        std::printf("open: store %.2f ms; window to painted list %.1f ms (%d rows)\n", openMs,
                    paintMs, window.grdSessions->model()->rowCount());
        std::vector<double> filter;
        const QStringList typed{QStringLiteral("鈴"), QStringLiteral("筑波"), QString()};
        for (int i = 0; i < 21; ++i) {
            t.restart();
            window.edtFilterTrack->setText(typed[i % typed.size()]);
            watch.wait();
            filter.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("filter: median %.2f ms to the list painted again (max %.2f ms)\n",
                    benchlaps::median(filter), *std::max_element(filter.begin(), filter.end()));

        // Two 300-lap sessions, compared again and again with the choices swapped.
        const qint64 a = store.recordLapSet(SessionKind::Read, lapSet(table, 300, start));
        feed::LapSet other = lapSet(table, 300, start.addDays(1));
        std::reverse(other.laps.begin(), other.laps.end());
        const qint64 b = store.recordLapSet(SessionKind::Read, other);
        window.tabs->setCurrentWidget(window.compareView);
        logbook::SessionCompareView* view = window.compareView;
        PaintWatch chartWatch(view->chartCompare->viewport());
        std::vector<double> compare;
        for (int i = 0; i < 21; ++i) {
            t.restart();
            view->choose(i % 2 ? a : b, i % 2 ? b : a);
            view->compare(store.database());
            chartWatch.wait();
            compare.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::printf("compare: median %.2f ms for two 300-lap sessions to the chart painted "
                    "(max %.2f ms)\n",
                    benchlaps::median(compare), *std::max_element(compare.begin(), compare.end()));
    }
    return 0;
}
