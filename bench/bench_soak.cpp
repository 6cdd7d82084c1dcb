// A long session at the track: koda-sim in field mode plays an RK-13 that pushes a live lap
// every 2 s and a QK-11 that sends a reading every 0.5 s (another team's fuel meter on the
// channel too), while the main window logs the fuel readings. The start-up link message is
// left open for a while, as by a user away from the screen. At the end it prints the readings
// sent and logged and the live laps sent and shown in the grid, and which are missing
// (readings sent before the search had linked serve the search only, and are lost).
//
//   bench_soak KODA_SIM MINUTES [SECONDS_THE_LINK_MESSAGE_STAYS_OPEN]
#include "app/frmmain.h"
#include "files/fuellog.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1)
        qputenv("KODA_SIM", argv[1]);
    const double minutes = argc > 2 ? std::atof(argv[2]) : 30;
    const int holdSeconds = argc > 3 ? std::atoi(argv[3]) : 16;
    // No laps held at first: the live laps are laps 1, 2, ... (the timer keeps at most 300).
    SimProcess sim({QStringLiteral("--field"), QStringLiteral("--rk13"), QStringLiteral("--qk11"),
                    QStringLiteral("--laps"), QStringLiteral("0"), QStringLiteral("--live-period"),
                    QStringLiteral("2000"), QStringLiteral("--fuel-period"),
                    QStringLiteral("500")});
    if (!sim.isValid())
        return 1;
    int fuelSent = 0, liveSent = 0;
    const auto countPushes = [&sim, &fuelSent, &liveSent] {
        const QByteArray out = sim.output();
        fuelSent += int(out.count("push fuel\n"));
        liveSent += int(out.count("push live\n"));
    };

    MainFormRig rig;
    int fuelSentAtLink = -1;
    rig.prompts.whileShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.text != linkedMessage)
            return;
        countPushes();
        if (fuelSentAtLink < 0)
            fuelSentAtLink = fuelSent;
        QElapsedTimer open;
        open.start();
        while (open.elapsed() < qint64(holdSeconds) * 1000) {
            QTest::qWait(50);
            countPushes();
        }
    };
    rig.open({{1, sim.path()}});
    TMainForm& form = *rig.form;
    rig.prompts.fileNames = {rig.dir.filePath(QStringLiteral("fuel.csv"))};
    form.rgrpQKLogRecord->click(); // the log runs from the start, the link message included
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(minutes * 60000)) {
        QTest::qWait(200);
        countPushes();
    }
    // What was sent until now has 2 s to arrive; what is sent after it is not counted.
    countPushes();
    const int fuelCounted = fuelSent, liveCounted = liveSent;
    QTest::qWait(2000);
    sim.stop();

    // Reading k of the meter is the one at 0.3 k km: the log tells which readings came.
    QSet<int> logged;
    for (const QString& row : form.fuelLog->lines().mid(2)) {
        bool ok = false;
        const double km = row.section(QLatin1Char(','), 4, 4).trimmed().toDouble(&ok);
        if (ok)
            logged.insert(int(std::lround(km * 10 / 3)));
    }
    QStringList missingReadings;
    for (int k = 1; k <= fuelCounted; ++k)
        if (!logged.contains(k))
            missingReadings << QString::number(k);
    const int newLaps = std::min(liveCounted, LapTable::MaxLaps);
    QStringList missingLaps;
    for (int lap = 1; lap <= newLaps; ++lap)
        if (form.lapTable.cell(LapTable::ColTime, LapTable::rowOfLap(lap)).isEmpty())
            missingLaps << QString::number(lap);
    std::printf("soak of %.1f min (link message open %d s, %d readings sent before the link): "
                "fuel readings sent %d, logged %d; live laps pushed %d (%d laps), laps shown "
                "%d of %d\n",
                minutes, holdSeconds, std::max(fuelSentAtLink, 0), fuelCounted,
                fuelCounted - int(missingReadings.size()), liveCounted, newLaps,
                newLaps - int(missingLaps.size()), newLaps);
    std::printf("readings missing: %s\nlaps missing: %s\n",
                qPrintable(missingReadings.mid(0, 20).join(u' ')),
                qPrintable(missingLaps.mid(0, 20).join(u' ')));
    for (const QString& text : rig.prompts.texts().mid(0, 5))
        std::printf("message: %s\n", qPrintable(text));
    form.close();
    return 0;
}
