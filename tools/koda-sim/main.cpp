#include "simlaps.h"
#include "simoptions.h"
#include "simport.h"
#include "simreplay.h"
#include "simsignals.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

using namespace kodasim;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("koda-sim"));

    const ParsedOptions parsed = parseSimOptions(QCoreApplication::arguments());
    if (!parsed.options) {
        std::FILE* out = parsed.exitCode == 0 ? stdout : stderr;
        std::fprintf(out, "%s%s\n",
                     parsed.exitCode == 0 ? "" : "koda-sim: ", qPrintable(parsed.message));
        return parsed.exitCode;
    }
    const SimOptions& options = *parsed.options;

    std::optional<QList<CapturedBurst>> replay;
    if (!options.replayFile.isEmpty()) {
        QFile file(options.replayFile);
        QString error;
        if (file.open(QIODevice::ReadOnly))
            replay = readCapturedBursts(file.readAll(), &error);
        else
            error = file.errorString();
        if (!replay) {
            std::fprintf(stderr, "koda-sim: %s: %s\n", qPrintable(options.replayFile),
                         qPrintable(error));
            return 2;
        }
    }

    LapStore laps = LapStore::generate(options.laps, options.sectors, options.seed);
    if (!options.lapsFile.isEmpty()) {
        QFile file(options.lapsFile);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "koda-sim: %s: %s\n", qPrintable(options.lapsFile),
                         qPrintable(file.errorString()));
            return 2;
        }
        QString error;
        const auto loaded = LapStore::fromCsv(file.readAll(), &error);
        if (!loaded) {
            std::fprintf(stderr, "koda-sim: %s: %s\n", qPrintable(options.lapsFile),
                         qPrintable(error));
            return 2;
        }
        laps = *loaded;
    }
    if (options.dump != DumpFormat::None) {
        const QByteArray text = options.dump == DumpFormat::Csv ? laps.dumpCsv() : laps.dumpGrid();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return 0;
    }

    QString error;
    const auto ends = options.device.isEmpty()
                          ? openPseudoTerminal(options.holdSlave, &error)
                          : openSerialDevice(options.device, options.baud, &error);
    if (!ends) {
        std::fprintf(stderr, "koda-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (!options.link.isEmpty() && !createPortLink(options.link, ends->path, &error)) {
        std::fprintf(stderr, "koda-sim: %s\n", qPrintable(error));
        PortEnds copy = *ends;
        closePort(copy);
        return 1;
    }
    if (!installTerminationSignals()) {
        std::fprintf(stderr, "koda-sim: cannot watch for signals\n");
        return 1;
    }
    if (replay) {
        Replayer replayer(options, *ends, *replay);
        std::printf("%s\n", qPrintable(ends->path));
        std::fflush(stdout);
        return app.exec();
    }
    Simulator simulator(options, *ends, laps);
    std::printf("%s\n", qPrintable(ends->path));
    std::fflush(stdout);
    return app.exec();
}
