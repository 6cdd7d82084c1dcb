// All Read, then All Write, then a lap read through a field link with a fuel meter sending,
// one run per seed (the laps read against the laps the timer holds): how each chain ended (its replies, the failure message, an error, or still waiting
// after the limit), the requests sent, the resends after a time-out, the live laps that came
// in place of a lost reply, and the time it took.
//
//   bench_requests [KODA_SIM] [FIRST_SEED] [SEEDS] [FUEL_PERIOD_MS]
//
// With KODA_BENCH_MONITOR=1 the traffic monitor of each chain that failed is printed.
//
// The link is `koda-sim --rk13 --qk11 --field --fuel-period 1000 --seed S`; the time-outs
// run on real time, so a run takes from a few seconds to about a minute.
#include "app/frmmain.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr qint64 kLimitMs = 120000;

struct ChainRun {
    QString ending;
    int requests = 0;
    int resends = 0;
    qint64 ms = 0;
};

int monitorCount(TMainForm& form, const QString& prefix) {
    return int(monitorLines(form, prefix).size());
}

// Starts a chain with start() and waits for it to end; what ended it is read from the
// messages shown and the monitor.
template <typename Start> ChainRun runChain(MainFormRig& rig, Start start) {
    TMainForm& form = *rig.form;
    form.spbMonitorClearClick();
    const qsizetype shownBefore = rig.prompts.shown.size();
    QElapsedTimer clock;
    clock.start();
    start();
    const bool ended = rig.idle(int(kLimitMs));
    ChainRun run;
    run.ms = clock.elapsed();
    run.requests = monitorCount(form, QStringLiteral("Tx:"));
    run.resends = monitorCount(form, QStringLiteral("Wakeup Retry:"));
    const QStringList shown = rig.prompts.texts().mid(shownBefore);
    if (!ended)
        run.ending = QStringLiteral("still waiting after %1 s").arg(kLimitMs / 1000);
    else if (shown.contains(noContactMessage))
        run.ending = QStringLiteral("failure message");
    else if (!shown.filter(QStringLiteral("RIN KODAのデータを")).isEmpty())
        run.ending = QStringLiteral("read ended early");
    else if (shown.contains(QStringLiteral("ERROR!!!")))
        run.ending = QStringLiteral("ERROR!!!");
    else if (run.requests == 0)
        run.ending = QStringLiteral("refused: ") + shown.value(0).section(QLatin1Char('\r'), 0, 0);
    else
        run.ending =
            run.resends == 0 ? QStringLiteral("replies") : QStringLiteral("replies after resends");
    // KODA_BENCH_MONITOR=1: the traffic of every chain that did not end by its replies.
    if (qEnvironmentVariableIntValue("KODA_BENCH_MONITOR") && !run.ending.startsWith(u"replies"))
        std::printf("%s\n", qPrintable(form.memTxRxMonitor->toPlainText()));
    return run;
}

void print(quint64 seed, const char* chain, const ChainRun& run) {
    std::printf("seed %2llu  %-9s  %-24s  %2d requests  %2d resends  %6.1f s\n",
                static_cast<unsigned long long>(seed), chain, qPrintable(run.ending), run.requests,
                run.resends, double(run.ms) / 1000.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("KODA_SIM", argv[1]);
    const quint64 firstSeed = argc > 2 ? QByteArray(argv[2]).toULongLong() : 1;
    const int seeds = argc > 3 ? QByteArray(argv[3]).toInt() : 5;
    const QString fuelPeriod = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("1000");

    int endedByReplies = 0, runs = 0, resends = 0, lostToLive = 0;
    for (quint64 seed = firstSeed; seed < firstSeed + quint64(seeds); ++seed) {
        SimProcess sim({QStringLiteral("--rk13"), QStringLiteral("--qk11"),
                        QStringLiteral("--field"), QStringLiteral("--fuel-period"), fuelPeriod,
                        QStringLiteral("--seed"), QString::number(seed)});
        if (!sim.isValid()) {
            std::fprintf(stderr, "koda-sim did not start (give its path as the first argument)\n");
            return 1;
        }
        MainFormRig rig;
        if (!rig.start(sim.path())) {
            std::printf("seed %2llu  no link to koda-sim\n", static_cast<unsigned long long>(seed));
            continue;
        }
        TMainForm& form = *rig.form;
        const ChainRun read = runChain(rig, [&] { form.btnRead1Click(SettingItems::AllItems); });
        print(seed, "All Read", read);
        // The values just read are written back; a question about values nobody chose
        // (after a failed read) is answered Yes, as the user who wants them written would.
        const ChainRun write = runChain(rig, [&] { form.btnWrite1Click(SettingItems::AllItems); });
        print(seed, "All Write", write);
        // Then the laps: how many of those the timer holds came in.
        const ChainRun laps = runChain(rig, [&] { form.spbReadClick(); });
        int lapsRead = 0;
        for (int row = LapTable::FirstLapRow; row < LapTable::RowCount; ++row)
            lapsRead += !form.lapTable.cell(LapTable::ColTime, row).isEmpty();
        print(seed, "Lap read", laps);
        std::printf("          %d of %d laps read\n", lapsRead, form.lapTable.lapCount);
        for (const ChainRun* run : {&read, &write, &laps}) {
            ++runs;
            endedByReplies += run->ending.startsWith(QLatin1String("replies"));
            resends += run->resends;
        }
        QTest::qWait(50);
        lostToLive += int(sim.output().split('\n').count("lost reply, live lap"));
        form.close();
    }
    std::printf("%d of %d chains ended by their replies; %d resends in all; %d replies lost "
                "with a live lap in their place\n",
                endedByReplies, runs, resends, lostToLive);
    return 0;
}
