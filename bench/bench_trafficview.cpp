// The detailed traffic view, shown, under a continuous flood at 38400 baud: receptions of
// realistic sizes (live laps, fuel readings, text and noise) fed through an event feed at
// 3840 bytes a second, a request sent every half second. Prints the event loop's longest
// stall and its mean beat (a 5 ms heartbeat), and the time the view takes per entry.
//
//   bench_trafficview [SECONDS] [hidden]
//
// With "hidden" the view records without being shown, for comparison.
#include "capture/trafficview.h"
#include "feed/eventfeed.h"
#include "support/scriptedprompts.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFont>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>

namespace {

QByteArray hexBytes(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// What the radio link brings: a live lap, a fuel reading, a text reply and noise.
QList<QByteArray> pieces() {
    return {hexBytes("02 4C 12 34 2E 83 00 02 00 00 00 00 00 00 00 00 00 00 00 00 20 99 00 7B"
                     "07 D0 0B B8 0D 11 00 00 1F A4 00 96 08 34 0B 54 0C 1C 00 00 23 03"),
            hexBytes("02 46 56 78 17 81 42 34 00 00 3F C0 00 00 41 40 00 00 00 00 7B 0F 03"),
            QByteArray("CP:3\r\nOK\r\n")};
}

// "@CP\r\n" to the RK-13 with ID 0x1234.
const QByteArray request = hexBytes("02 4C 12 34 0D 01 40 43 50 0D 0A 30 03");

// The processor time of this thread: on shared cores the paints' own cost, without the
// time other programs had the core.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Times the paints of one widget (processor time), its event filters included.
class PaintTimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    QWidget* timed = nullptr;
    QList<qint64> durationsNs;

    bool notify(QObject* receiver, QEvent* event) override {
        if (receiver != timed || event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        const qint64 start = threadCpuNs();
        const bool done = QApplication::notify(receiver, event);
        durationsNs << threadCpuNs() - start;
        return done;
    }
};

} // namespace

int main(int argc, char** argv) {
    PaintTimingApplication app(argc, argv);
    // The program's font (main.cpp).
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    constexpr qint64 bytesPerSecond = 3840; // 38400 baud, 10 bits a byte
    ScriptedPrompts prompts;
    feed::EventFeed feed;
    capture::TrafficView view(prompts);
    view.listen(feed);
    app.timed = view.tblTraffic->viewport();
    const QList<qint64>& paints = app.durationsNs;
    view.resize(1000, 600);
    if (!(argc > 2 && QByteArrayView(argv[2]) == "hidden"))
        view.showWindow();

    const QList<QByteArray> radio = pieces();
    QRandomGenerator random(23); // the same flood every run
    QElapsedTimer clock;
    clock.start();
    qint64 fed = 0, receptions = 0, lastRequest = 0, addNs = 0, worstAddNs = 0;
    const auto emitTimed = [&](auto emitOne) {
        const qint64 start = clock.nsecsElapsed();
        emitOne();
        const qint64 took = clock.nsecsElapsed() - start;
        addNs += took;
        worstAddNs = std::max(worstAddNs, took);
    };
    // The serial worker's hand-overs: every 20 ms what the line brought meanwhile, as
    // receptions of one to three pieces with noise between them.
    QTimer line;
    line.setTimerType(Qt::PreciseTimer);
    QObject::connect(&line, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        while (fed < now * bytesPerSecond / 1000) {
            QByteArray reception;
            const int count = 1 + int(random.bounded(3));
            for (int i = 0; i < count; ++i) {
                reception += radio[int(random.bounded(qsizetype(radio.size())))];
                QByteArray noise(int(random.bounded(12)), '\0');
                for (char& c : noise)
                    c = char(random.bounded(256));
                reception += noise;
            }
            fed += reception.size();
            ++receptions;
            emitTimed([&] { emit feed.bytesReceived(reception, QDateTime::currentDateTime()); });
            if (receptions % 5 == 0)
                emitTimed([&] {
                    emit feed.lineEvent({QDateTime::currentDateTime(), QStringLiteral("reception"),
                                         QString::number(reception.size())});
                });
        }
        if (now - lastRequest >= 500) {
            lastRequest = now;
            emitTimed([&] {
                emit feed.lineEvent({QDateTime::currentDateTime(), QStringLiteral("request"),
                                     QStringLiteral("@CP")});
                emit feed.bytesSent(request, QDateTime::currentDateTime());
            });
        }
    });
    line.start(20);

    qint64 last = 0, stall = 0, beats = 0, over20 = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (beats > 0) {
            stall = std::max(stall, now - last);
            if (now - last > 20'000'000)
                ++over20;
        }
        last = now;
        ++beats;
    });
    const qint64 firstBeat = clock.nsecsElapsed();
    beat.start(5);
    while (clock.elapsed() < qint64(seconds) * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const qint64 entries = view.log().entries().size() + view.log().dropped();
    std::printf("traffic view, %d s at %lld B/s: %lld bytes in %lld receptions, %lld entries "
                "(%lld rows shown)\n",
                seconds, bytesPerSecond, fed, receptions, entries,
                qint64(view.tblTraffic->rowCount()));
    std::printf("event loop (5 ms heartbeat): longest stall %.1f ms, mean beat %.2f ms, "
                "%lld of %lld beats later than 20 ms\n",
                double(stall) / 1e6,
                beats > 1 ? double(last - firstBeat) / 1e6 / double(beats - 1) : 0.0, over20,
                beats - 1);
    std::printf(
        "view: per entry recorded mean %.3f ms, worst %.2f ms; table paints %lld, processor time "
        "mean %.2f ms, worst %.2f ms\n",
        entries > 0 ? double(addNs) / 1e6 / double(entries) : 0.0, double(worstAddNs) / 1e6,
        qint64(paints.size()),
        paints.isEmpty() ? 0.0
                         : double(std::accumulate(paints.begin(), paints.end(), qint64(0))) / 1e6 /
                               double(paints.size()),
        paints.isEmpty() ? 0.0 : double(*std::max_element(paints.begin(), paints.end())) / 1e6);
    return 0;
}
