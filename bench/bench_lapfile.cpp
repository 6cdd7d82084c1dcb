// Save and load time of a 300-lap file (the lap file written from a full grid and read
// back from disk). Prints milliseconds per operation; pass a repeat count (default 50).
#include "files/lapfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

// Peak memory while a 100 MB file of lap lines is loaded: the parser reads at most 305
// lines, so the rest of the file must never be read into memory.
static int rejectHugeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("RIN KODA Terminal Version 2.0\r\nLaps,300\r\n");
    const QByteArray line(1023, 'x');
    for (int i = 0; i < 100 * 1024; ++i)
        file.write(line + '\n');
    file.close();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    const LapListParse parse = loadLapFile(path);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    std::printf("100 MB file: %s in %.1f ms; peak RSS %.1f MB before, %.1f MB after\n",
                parse.accepted() ? "accepted" : "rejected", ms, double(before.ru_maxrss) / 1024.0,
                double(after.ru_maxrss) / 1024.0);
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "huge")
        return rejectHugeFile();
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    QList<QString> cells(LapTable::ColumnCount * LapTable::RowCount);
    auto set = [&](int c, int r, const QString& t) { cells[r * LapTable::ColumnCount + c] = t; };
    const QStringList best{"ベスト", "005", "003", "017",         "120",
                           "044",    "007", "005", "全ラップ 300"};
    const QStringList headings{"ラップ",  "タイム", "セクタ1",  "セクタ2", "セクタ3",
                               "セクタ4", "最高速", "平均速度", "備考"};
    for (int c = 0; c < LapTable::ColumnCount; ++c) {
        set(c, 0, best.at(c));
        set(c, 1, headings.at(c));
    }
    for (int lap = 1; lap <= LapTable::MaxLaps; ++lap) {
        const int row = lap + 1;
        const int t = 8000 + lap * 7;
        set(0, row, QString::asprintf("%03d", lap));
        set(1, row, QString::asprintf(" %02d'%02d\"%02d", t / 6000, t % 6000 / 100, t % 100));
        for (int s = 0; s < 4; ++s)
            set(2 + s, row, QString::asprintf(" 00'%02d\"%02d", 20 + s, lap % 100));
        set(6, row, QString::asprintf("%03d", 100 + lap % 50));
        set(7, row, QString::asprintf("%6.2f", 3.7 / t * 360000));
        set(8, row, lap % 10 == 0 ? QStringLiteral("ピット, \"in\"") : QString());
    }
    const LapCellReader reader = [&](int c, int r) {
        return cells.at(r * LapTable::ColumnCount + c);
    };

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.csv"));
    QElapsedTimer timer;

    timer.start();
    qsizetype composed = 0;
    for (int i = 0; i < repeats; ++i)
        composed += lapFileBytes(QStringLiteral("300"), reader)->size();
    const double composeMs = double(timer.nsecsElapsed()) / 1e6 / repeats;

    timer.restart();
    for (int i = 0; i < repeats; ++i) {
        if (!saveLapFile(path, QStringLiteral("300"), reader).saved()) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
    }
    const double saveMs = double(timer.nsecsElapsed()) / 1e6 / repeats;

    timer.restart();
    int cellsLoaded = 0;
    for (int i = 0; i < repeats; ++i) {
        const LapListParse parse = loadLapFile(path);
        if (!parse.accepted()) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(parse.message));
            return 1;
        }
        cellsLoaded = int(parse.result->cells.size());
    }
    const double loadMs = double(timer.nsecsElapsed()) / 1e6 / repeats;

    std::printf("lap file, 300 laps (%lld bytes), %d repeats\n",
                static_cast<long long>(QFileInfo(path).size()), repeats);
    std::printf("text: %.3f ms per file (%lld bytes composed in all)\n", composeMs,
                static_cast<long long>(composed));
    std::printf("save: %.3f ms per file (text, temporary file, sync, rename)\n", saveMs);
    std::printf("load: %.3f ms per file (%d cells)\n", loadMs, cellsLoaded);
    return 0;
}
