// A long session at the track: koda-sim in field mode plays an RK-13 that pushes a live lap
// every 2 s and a QK-11 that sends a reading every 0.5 s (another team's fuel meter on the
// channel too), while the main window logs the fuel readings. The start-up link message is
// left open for a while, as by a user away from the screen. At the end it prints the readings
// sent and logged and the live laps sent and shown in the grid.
//
//   bench_soak KODA_SIM MINUTES [SECONDS_THE_LINK_MESSAGE_STAYS_OPEN]
#include "app/frmmain.h"
#include "files/fuellog.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>

#include <algorithm>
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
    rig.prompts.whileShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.text != linkedMessage || holdSeconds <= 0)
            return;
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
    sim.stop();
    QTest::qWait(1000); // the last reception is handed over and dispatched
    countPushes();

    const int logged = int(form.fuelLog->lines().size()) - 2;
    const int newLaps = std::min(liveSent, LapTable::MaxLaps);
    int shown = 0;
    for (int lap = 1; lap <= newLaps; ++lap)
        shown += form.lapTable.cell(LapTable::ColTime, LapTable::rowOfLap(lap)).isEmpty() ? 0 : 1;
    std::printf("soak of %.1f min (link message open %d s): fuel readings sent %d, logged %d; "
                "live laps pushed %d (%d laps), laps shown %d of %d\n",
                minutes, holdSeconds, fuelSent, logged, liveSent, newLaps, shown, newLaps);
    for (const QString& text : rig.prompts.texts().mid(0, 5))
        std::printf("message: %s\n", qPrintable(text));
    form.close();
    return 0;
}
