// The lap file: the text written for the lap grid, and the lap-list parser in its
// file form (versions "1.0" and "2.0") and its device form (RK-12 lap lists).
#include "files/lapfile.h"
#include "files/laplistgatherer.h"
#include "support/filebytes.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

Q_DECLARE_METATYPE(LapListParse::Failure)
Q_DECLARE_METATYPE(LapListGatherer::Status)

namespace {

QByteArray sjis(const QString& text) {
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

// The lap grid's cells as the grid reset leaves them.
struct Grid {
    QList<QString> cells = QList<QString>(LapTable::ColumnCount * LapTable::RowCount);

    Grid() {
        const QStringList headings{"ラップ",  "タイム", "セクタ1",  "セクタ2", "セクタ3",
                                   "セクタ4", "最高速", "平均速度", "備考"};
        set(0, 0, QStringLiteral("ベスト"));
        for (int c = 0; c < LapTable::ColumnCount; ++c)
            set(c, 1, headings.at(c));
        for (int lap = 1; lap <= LapTable::MaxLaps; ++lap)
            set(0, lap + 1, QString::asprintf("%03d", lap));
    }
    QString at(int c, int r) const { return cells.at(r * LapTable::ColumnCount + c); }
    void set(int c, int r, const QString& t) { cells[r * LapTable::ColumnCount + c] = t; }
    void apply(const LapListResult& result) {
        for (const LapCell& cell : result.cells)
            set(cell.column, cell.row, cell.text);
    }
    LapCellReader reader() const {
        return [this](int c, int r) { return at(c, r); };
    }
};

LapListParse parseFileText(const QString& text) {
    return parseLapFile(LapListForm::File, sjis(text));
}

const QString header2 = QStringLiteral("RIN KODA Terminal Version 2.0\r\n");
const QString header1 = QStringLiteral("RIN KODA Terminal Version 1.0\r\n");
const QString headings =
    QStringLiteral("ラップ,タイム,セクタ1,セクタ2,セクタ3,セクタ4,最高速,平均速度,備考\r\n");

// Counts the lines handed to the parser.
class CountingLines : public LapLineSource {
public:
    explicit CountingLines(QList<QByteArray> lines) : list_(std::move(lines)) {}
    Status next(QByteArray& line) override {
        const Status s = list_.next(line);
        if (s == Status::Line)
            ++served;
        return s;
    }
    int served = 0;

private:
    LapLineList list_;
};

} // namespace

class TestLapFile : public QObject {
    Q_OBJECT
private slots:
    void writesVersion2Text();
    void writesFourLinesForNoLaps();
    void writesEmptyLinesBeyondGrid();
    void writesNothingWithoutLapCount();
    void writesTheLapsShown_data();
    void writesTheLapsShown();
    void roundTrip();
    void acceptance_data();
    void acceptance();
    void summaryLineSetsMarks();
    void lapsZeroSummaryLeavesMarks();
    void version1LapLines();
    void twelveTokensFillNineColumns();
    void fourHundredLines();
    void strayBytes();
    void hugeInputsFail();
    void deviceLapList();
    void deviceSectorList();
    void deviceRejections_data();
    void deviceRejections();
    void deviceListGathering_data();
    void deviceListGathering();
    void deviceListWait_data();
    void deviceListWait();
    void saveFailsUnderRegularFile();
    void saveFailsWhenFolderGone();
    void saveFailureKeepsOldFile();
    void saveOntoReadOnlyFolder();
    void loadMissingFile();
    void windowCaption();
};

void TestLapFile::writesVersion2Text() {
    Grid grid;
    const QStringList best{"ベスト", "002", "001", "", "", "", "001", "002", "全ラップ 002"};
    const QStringList lap1{"001", " 01'23\"45", " 00'41\"10", " 00'42\"35", "",
                           "",    "120",        " 64.71",     "TS "};
    const QStringList lap2{"002", " 01'20\"00", " 00'40\"00", " 00'40\"00", "",
                           "",    "118",        " 67.50",     "FL "};
    for (int c = 0; c < 9; ++c) {
        grid.set(c, 0, best.at(c));
        grid.set(c, 2, lap1.at(c));
        grid.set(c, 3, lap2.at(c));
    }
    const auto bytes = lapFileBytes(QStringLiteral("2"), grid.reader());
    QVERIFY(bytes);
    const QString expected = QStringLiteral(
        "RIN KODA Terminal Version 2.0\r\n"
        "Laps,2\r\n"
        "ベスト,002,001,,,,001,002,全ラップ 002\r\n"
        "ラップ,タイム,セクタ1,セクタ2,セクタ3,セクタ4,最高速,平均速度,備考\r\n"
        "001,\" 01'23\"\"45\",\" 00'41\"\"10\",\" 00'42\"\"35\",,,120,\" 64.71\",\"TS \"\r\n"
        "002,\" 01'20\"\"00\",\" 00'40\"\"00\",\" 00'40\"\"00\",,,118,\" 67.50\",\"FL \"\r\n");
    QCOMPARE(*bytes, sjis(expected));
    // The best row starts with ベスト in Shift-JIS.
    QVERIFY(bytes->contains(QByteArray("\r\n\x83\x78\x83\x58\x83\x67,002,")));
}

void TestLapFile::writesFourLinesForNoLaps() {
    Grid grid;
    const auto bytes = lapFileBytes(QStringLiteral("0"), grid.reader());
    QVERIFY(bytes);
    QCOMPARE(*bytes, sjis(header2 + QStringLiteral("Laps,0\r\nベスト,,,,,,,,\r\n") + headings));
}

void TestLapFile::writesEmptyLinesBeyondGrid() {
    Grid grid;
    grid.set(8, 0, QStringLiteral("全ラップ 302"));
    const auto lines = lapFileLines(QStringLiteral("302"), grid.reader());
    QVERIFY(lines);
    QCOMPARE(lines->size(), 4 + 302);
    QCOMPARE(lines->at(4 + 299), QStringLiteral("300,,,,,,,,"));
    QCOMPARE(lines->at(4 + 300), QStringLiteral(",,,,,,,,"));
    QCOMPARE(lines->at(4 + 301), QStringLiteral(",,,,,,,,"));
}

void TestLapFile::writesNothingWithoutLapCount() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("laps.csv"));
    Grid grid;
    const LapFileSave save = saveLapFile(path, QString(), grid.reader());
    QCOMPARE(save.status, LapFileSave::Status::NothingToSave);
    QVERIFY(!QFile::exists(path));
}

void TestLapFile::writesTheLapsShown_data() {
    // Cells as "column|row|text" over a reset grid, the count label's caption, the file
    // written, and what the best row's last cell reads once the file is loaded back.
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("allLaps");
    const QStringList liveLaps{"1|2| 01'23\"45", "2|2| 00'41\"10", "6|2|098",
                               "7|2| 64.71",     "1|3| 01'22\"10", "6|3|101"};
    const QString liveLines =
        QStringLiteral("001,\" 01'23\"\"45\",\" 00'41\"\"10\",,,,098,\" 64.71\",\r\n"
                       "002,\" 01'22\"\"10\",,,,,101,,\r\n");
    QTest::newRow("live laps only, design caption")
        << liveLaps << "300"
        << header2 + QStringLiteral("Laps,2\r\nベスト,,,,,,,,\r\n") + headings + liveLines
        << "全ラップ 2";
    QTest::newRow("live laps after a failed read, empty caption")
        << liveLaps << ""
        << header2 + QStringLiteral("Laps,2\r\nベスト,,,,,,,,\r\n") + headings + liveLines
        << "全ラップ 2";
    QTest::newRow("live laps beyond the lap information")
        << liveLaps + QStringList{"1|0|001", "7|0|001", "8|0|全ラップ 001"} << "1"
        << header2 + QStringLiteral("Laps,2\r\nベスト,001,,,,,,001,全ラップ 001\r\n") + headings +
               liveLines
        << "全ラップ 1";
    QTest::newRow("grid clear, then a remark")
        << QStringList{"8|4|pit in"} << "25"
        << header2 + QStringLiteral("Laps,3\r\nベスト,,,,,,,,\r\n") + headings +
               QStringLiteral("001,,,,,,,,\r\n002,,,,,,,,\r\n003,,,,,,,,\"pit in\"\r\n")
        << "全ラップ 3";
}

void TestLapFile::writesTheLapsShown() {
    QFETCH(QStringList, cells);
    QFETCH(QString, caption);
    QFETCH(QString, file);
    QFETCH(QString, allLaps);
    Grid grid;
    for (const QString& cell : cells) {
        const QStringList parts = cell.split(u'|');
        grid.set(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2));
    }
    const auto bytes = lapFileBytes(caption, grid.reader());
    QVERIFY(bytes);
    QCOMPARE(*bytes, sjis(file));

    // The file loads back with the grid it was written from.
    const LapListParse parse = parseLapFile(LapListForm::File, *bytes);
    QVERIFY2(parse.accepted(), qPrintable(parse.message));
    Grid loaded;
    loaded.apply(*parse.result);
    for (int row = 0; row < LapTable::RowCount; ++row) {
        for (int c = 0; c < LapTable::ColumnCount; ++c)
            QCOMPARE(loaded.at(c, row), row == 0 && c == 8 ? allLaps : grid.at(c, row));
    }
    QCOMPARE(parse.result->marks.bestLap, grid.at(1, 0).toInt());
}

void TestLapFile::roundTrip() {
    Grid grid;
    const QStringList best{"ベスト", "005", "003", "", "", "", "007", "005", "全ラップ 012"};
    for (int c = 0; c < 9; ++c)
        grid.set(c, 0, best.at(c));
    for (int lap = 1; lap <= 12; ++lap) {
        const int row = lap + 1;
        grid.set(1, row, QString::asprintf(" 01'%02d\"%02d", 20 + lap, lap * 7));
        grid.set(2, row, QString::asprintf(" 00'%02d\"00", 30 + lap));
        grid.set(6, row, QString::asprintf("%03d", 100 + lap));
        grid.set(7, row, QStringLiteral("%1").arg(100.0 + lap / 4.0, 6, 'f', 2));
    }
    grid.set(8, 2, QStringLiteral("pit, \"in\" out"));
    grid.set(8, 6, QStringLiteral("FL "));
    grid.set(8, 9, QStringLiteral(" 雨 , wet "));
    grid.set(8, 13, QStringLiteral("\"\""));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("laps.csv"));
    QVERIFY(saveLapFile(path, QStringLiteral("12"), grid.reader()).saved());
    const LapListParse parse = loadLapFile(path);
    QVERIFY2(parse.accepted(), qPrintable(parse.message));

    Grid loaded;
    loaded.apply(*parse.result);
    for (int row = 0; row < LapTable::RowCount; ++row) {
        for (int c = 0; c < LapTable::ColumnCount; ++c) {
            const QString expected =
                row == 0 && c == 8 ? QStringLiteral("全ラップ 12") : grid.at(c, row);
            QCOMPARE(loaded.at(c, row), expected);
        }
    }
    QCOMPARE(parse.result->marks.bestLap, 5);
    QCOMPARE(parse.result->marks.topSpeedLap, 7);
    QCOMPARE(parse.result->marks.fastestSector, (std::array<qint32, 4>{3, 0, 0, 0}));
    QCOMPARE(parse.result->lapsCaption, std::optional<QString>(QStringLiteral("12")));
    QVERIFY(!parse.result->fastestCaption);
    QVERIFY(!parse.result->topSpeedCaption);
    QCOMPARE(parse.result->version, 2);
    QCOMPARE(parse.result->lapRows, 12);
}

void TestLapFile::acceptance_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<LapListParse::Failure>("failure");
    using F = LapListParse::Failure;
    const QString laps12 = QStringLiteral("Laps,12\r\n");
    const QString lap = QStringLiteral("001,\" 01'23\"\"45\",pit\r\n");

    QTest::newRow("empty file") << QString() << F::Format;
    QTest::newRow("one line") << header2 << F::Format;
    QTest::newRow("version 3.0")
        << QStringLiteral("RIN KODA Terminal Version 3.0\r\nLaps,0\r\nFastest,Lap\r\nx\r\n")
        << F::Format;
    QTest::newRow("lower-case product name")
        << QStringLiteral("rin koda Terminal Version 2.0\r\nLaps,0\r\nFastest,Lap\r\nx\r\n")
        << F::Format;
    QTest::newRow("no version token")
        << QStringLiteral("RIN KODA Terminal Version\r\nLaps,0\r\nFastest,Lap\r\nx\r\n")
        << F::Format;
    QTest::newRow("NUL in first line")
        << QStringLiteral("RIN KODA") + QChar(0) +
               QStringLiteral(" Terminal Version 2.0\r\nLaps,0\r\nFastest,Lap\r\nx\r\n")
        << F::Format;
    QTest::newRow("second line not Laps")
        << header2 + QStringLiteral("Lap,12\r\nFastest,Lap,5,X\r\nx\r\n") << F::Format;
    QTest::newRow("third line of neither form")
        << header2 + laps12 + QStringLiteral("Best,5\r\nx\r\n") << F::Format;
    QTest::newRow("empty third line")
        << header2 + laps12 + QStringLiteral("\r\nx\r\n") << F::Format;
    QTest::newRow("1.0 summary accepted")
        << header1 + laps12 + QStringLiteral("Fastest,Lap,5\r\nx\r\n") + lap << F::None;
    QTest::newRow("2.0 summary without fourth token")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5\r\nx\r\n") << F::Format;
    QTest::newRow("2.0 summary cut after Speed")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Top,Speed\r\nx\r\n") << F::Format;
    QTest::newRow("2.0 summary cut after Top")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Top\r\nx\r\n") << F::Format;
    QTest::newRow("2.0 summary cut after Lap")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Top,Speed,Lap\r\nx\r\n") << F::Format;
    QTest::newRow("2.0 summary with other fourth token")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Best\r\nx\r\n") << F::None;
    QTest::newRow("2.0 summary with Top Speed Lap")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Top,Speed,Lap,7\r\nx\r\n") << F::None;
    QTest::newRow("Laps 0 passes a short summary over")
        << header2 + QStringLiteral("Laps,0\r\nFastest,Lap\r\nx\r\n") << F::None;
    QTest::newRow("two lines") << header2 + laps12 << F::Content;
    QTest::newRow("three lines") << header2 + laps12 + QStringLiteral("Fastest,Lap,5,X\r\n")
                                 << F::Content;
    QTest::newRow("four lines, last without line end")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,X\r\nheadings") << F::None;
    QTest::newRow("lap count missing")
        << header2 + QStringLiteral("Laps\r\nFastest,Lap\r\nx\r\n") << F::Content;
    QTest::newRow("lap count not a number")
        << header2 + QStringLiteral("Laps,12a\r\nFastest,Lap,5,X\r\nx\r\n") << F::Content;
    QTest::newRow("best lap not a number")
        << header1 + laps12 + QStringLiteral("Fastest,Lap,five\r\nx\r\n") << F::Content;
    QTest::newRow("best lap missing")
        << header1 + laps12 + QStringLiteral("Fastest,Lap\r\nx\r\n") << F::Content;
    QTest::newRow("top-speed lap not a number")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,Top,Speed,Lap,-\r\nx\r\n")
        << F::Content;
    QTest::newRow("best row") << header2 + laps12 +
                                     QStringLiteral("ベスト,005,003,,,,007,005,全ラップ 012\r\n") +
                                     headings + lap
                              << F::None;
    QTest::newRow("best row without lap count token")
        << header2 + laps12 + QStringLiteral("ベスト,005,003,,,,007,005,\r\n") + headings
        << F::None;
    QTest::newRow("best row without any cell")
        << header2 + laps12 + QStringLiteral("ベスト\r\n") + headings << F::Content;
    QTest::newRow("best row with text for the lap count")
        << header2 + laps12 + QStringLiteral("ベスト,005,003,,,,007,005,全ラップ abc\r\n") +
               headings
        << F::Content;
    QTest::newRow("best row with text for a lap")
        << header2 + laps12 + QStringLiteral("ベスト,abc,003,,,,007,005,全ラップ 012\r\n") +
               headings
        << F::Content;
    QTest::newRow("best row without any mark")
        << header2 + QStringLiteral("Laps,0\r\nベスト,,,,,,,,全ラップ 0\r\n") + headings << F::None;
    QTest::newRow("best row in a 1.0 file")
        << header1 + laps12 + QStringLiteral("ベスト,005,003,,,,007,005,全ラップ 012\r\n") +
               headings + lap
        << F::None;
    QTest::newRow("1.0 lap line without lap time")
        << header1 + laps12 + QStringLiteral("Fastest,Lap,5\r\nx\r\n001\r\n") << F::Content;
    QTest::newRow("1.0 lap line with empty lap time")
        << header1 + laps12 + QStringLiteral("Fastest,Lap,5\r\nx\r\n001,,pit\r\n") << F::Content;
    QTest::newRow("2.0 empty lap line")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,X\r\nx\r\n001\r\n\r\n") << F::Content;
    QTest::newRow("lap count not compared with lap lines")
        << header2 + QStringLiteral("Laps,1\r\nFastest,Lap,1,X\r\nx\r\n001\r\n002\r\n003\r\n")
        << F::None;
    QTest::newRow("lone CR line ends")
        << QStringLiteral("RIN KODA Terminal Version 2.0\rLaps,1\rFastest,Lap,1,X\rx\r001,a")
        << F::None;
    QTest::newRow("unterminated quote in a lap line")
        << header2 + laps12 + QStringLiteral("Fastest,Lap,5,X\r\nx\r\n001,\" 01'23\r\n") << F::None;
}

void TestLapFile::acceptance() {
    QFETCH(QString, text);
    QFETCH(LapListParse::Failure, failure);
    const LapListParse parse = parseFileText(text);
    QCOMPARE(parse.failure, failure);
    QCOMPARE(parse.accepted(), failure == LapListParse::Failure::None);
    if (failure == LapListParse::Failure::Format)
        QCOMPARE(parse.message, QStringLiteral("ファイル形式が違います。"));
    else if (failure == LapListParse::Failure::Content)
        QVERIFY(parse.message.startsWith(QStringLiteral("ファイルを読み込めませんでした。")));
}

void TestLapFile::summaryLineSetsMarks() {
    const LapListParse parse = parseFileText(
        header2 + QStringLiteral("Laps,12\r\nFastest,Lap,5,Top,Speed,Lap,7\r\nx\r\n"));
    QVERIFY(parse.accepted());
    const LapListResult& r = *parse.result;
    QCOMPARE(r.marks, (LapMarks{5, 7, {0, 0, 0, 0}}));
    QCOMPARE(r.fastestCaption, std::optional<QString>(QStringLiteral("5")));
    QCOMPARE(r.topSpeedCaption, std::optional<QString>(QStringLiteral("7")));
    QCOMPARE(r.lapsCaption, std::optional<QString>(QStringLiteral("12")));
    QCOMPARE(r.cell(1, 0), QStringLiteral("5"));
    QCOMPARE(r.cell(7, 0), QStringLiteral("5"));
    QCOMPARE(r.cell(6, 0), QStringLiteral("7"));
    QCOMPARE(r.cell(8, 0), QStringLiteral("全ラップ 12"));

    const LapListParse v1 = parseFileText(
        header1 + QStringLiteral("Laps,012\r\nFastest,Lap,5,Top,Speed,Lap,7\r\nx\r\n"));
    QVERIFY(v1.accepted());
    QCOMPARE(v1.result->marks, (LapMarks{5, 0, {0, 0, 0, 0}}));
    QVERIFY(!v1.result->topSpeedCaption);
    QCOMPARE(v1.result->lapsCaption, std::optional<QString>(QStringLiteral("012")));
    QCOMPARE(v1.result->cell(8, 0), QStringLiteral("全ラップ 12"));
}

void TestLapFile::lapsZeroSummaryLeavesMarks() {
    const LapListParse parse =
        parseFileText(header2 + QStringLiteral("Laps,0\r\nFastest,Lap,5,Top,Speed,Lap,7\r\nx\r\n"));
    QVERIFY(parse.accepted());
    QCOMPARE(parse.result->marks, LapMarks{});
    QVERIFY(!parse.result->fastestCaption);
    QVERIFY(!parse.result->topSpeedCaption);
    QCOMPARE(parse.result->cell(8, 0), QStringLiteral("全ラップ 0"));
    QVERIFY(!parse.result->hasCell(1, 0));
    QVERIFY(!parse.result->hasCell(6, 0));
}

void TestLapFile::version1LapLines() {
    const LapListParse parse =
        parseFileText(header1 + QStringLiteral("Laps,3\r\nFastest,Lap,1\r\nx\r\n"
                                               "003,\" 01'23\"\"45\",pit\r\n"
                                               "004,\" 12'34\"\"56\"\r\n"
                                               "005,\"01'00\"\"00\",a,b,c\r\n"));
    QVERIFY2(parse.accepted(), qPrintable(parse.message));
    Grid grid;
    grid.apply(*parse.result);
    QCOMPARE(grid.at(0, 2), QStringLiteral("003"));
    QCOMPARE(grid.at(1, 2), QStringLiteral("1'23\"45"));
    QCOMPARE(grid.at(8, 2), QStringLiteral("pit"));
    for (int c = 2; c <= 7; ++c)
        QVERIFY(!parse.result->hasCell(c, 2));
    QCOMPARE(grid.at(1, 3), QStringLiteral(" 12'34\"56"));
    QVERIFY(!parse.result->hasCell(8, 3));
    QCOMPARE(grid.at(1, 4), QStringLiteral("01'00\"00"));
    QCOMPARE(grid.at(8, 4), QStringLiteral("a"));
    QCOMPARE(parse.result->version, 1);
}

void TestLapFile::twelveTokensFillNineColumns() {
    const LapListParse parse =
        parseFileText(header2 + QStringLiteral("Laps,1\r\nFastest,Lap,1,X\r\nx\r\n"
                                               "a,b,c,d,e,f,g,h,i,j,k,l\r\n"));
    QVERIFY(parse.accepted());
    Grid grid;
    grid.apply(*parse.result);
    const QStringList expected{"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    for (int c = 0; c < 9; ++c)
        QCOMPARE(grid.at(c, 2), expected.at(c));
    QCOMPARE(grid.at(0, 3), QStringLiteral("002"));
}

void TestLapFile::fourHundredLines() {
    QList<QByteArray> lines =
        splitLapLines(sjis(header2 + QStringLiteral("Laps,396\r\nFastest,Lap,1,X\r\n") + headings));
    for (int lap = 1; lap <= 396; ++lap)
        lines.append(QByteArray::number(1000 + lap) + ",t");
    QCOMPARE(lines.size(), 400);
    CountingLines source(lines);
    const LapListParse parse = parseLapFile(LapListForm::File, source);
    QVERIFY(parse.accepted());
    QCOMPARE(source.served, 305);
    QCOMPARE(parse.result->lapRows, 300);
    Grid grid;
    grid.apply(*parse.result);
    QCOMPARE(grid.at(0, 2), QStringLiteral("1001"));
    QCOMPARE(grid.at(0, 301), QStringLiteral("1300"));
    QCOMPARE(grid.at(1, 301), QStringLiteral("t"));
    for (const LapCell& cell : parse.result->cells)
        QVERIFY(cell.row < LapTable::RowCount && cell.column < LapTable::ColumnCount);

    // Lines after the 305th are never read, however they look.
    QByteArray text = sjis(header2 + QStringLiteral("Laps,1\r\nFastest,Lap,1,X\r\nx\r\n"));
    for (int i = 5; i <= 305; ++i)
        text += "1,a\r\n";
    text += QByteArray(1 << 20, 'z');
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QVERIFY(writeAll(path, text));
    QVERIFY(loadLapFile(path).accepted());
}

void TestLapFile::strayBytes() {
    // NUL bytes, lone CRs, a lone lead byte and bytes that are no Shift-JIS at all:
    // accepted where the rules allow, and never a crash.
    QByteArray text = sjis(header2 + QStringLiteral("Laps,3\r\nFastest,Lap,1,X\rx\n"));
    text += QByteArray("001,a\0b,c\r\n", 11);
    text += "002,\x81\r\n";
    text += "\xff\xfe\x80,\xa0\r";
    const LapListParse parse = parseLapFile(LapListForm::File, text);
    QVERIFY2(parse.accepted(), qPrintable(parse.message));
    Grid grid;
    grid.apply(*parse.result);
    QCOMPARE(grid.at(1, 2), QStringLiteral("a"));
    QVERIFY(!parse.result->hasCell(2, 2));
    QCOMPARE(parse.result->lapRows, 3);
}

void TestLapFile::hugeInputsFail() {
    QTemporaryDir dir;
    QFile sparse(dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(100LL * 1024 * 1024));
    sparse.close();
    const LapListParse huge = loadLapFile(sparse.fileName());
    QVERIFY(!huge.accepted());
    QCOMPARE(huge.failure, LapListParse::Failure::Content);
    QCOMPARE(huge.line, 1);

    const QString longLine = dir.filePath(QStringLiteral("line.csv"));
    QVERIFY(writeAll(longLine,
                     sjis(header2 + QStringLiteral("Laps,1\r\nFastest,Lap,1,X\r\nx\r\n001,")) +
                         QByteArray(1 << 20, 'r')));
    const LapListParse line = loadLapFile(longLine);
    QVERIFY(!line.accepted());
    QCOMPARE(line.line, 5);
    QVERIFY(line.message.contains(QStringLiteral("5行目")));
}

void TestLapFile::deviceLapList() {
    Grid grid;
    grid.set(8, 3, QStringLiteral("memo "));
    const QByteArray list = "Laps,3\r\n"
                            "Fastest,Lap,2,Top,Speed,Lap,3\r\n"
                            "Lap,Time,Speed\r\n"
                            "001,T01'23\"45,120\r\n"
                            "002,T01'20\"00,118\r\n"
                            "003,T01'21\"50,125\r\n";
    const LapListParse parse =
        parseLapFile(LapListForm::Device, list, LapListState{}, grid.reader());
    QVERIFY2(parse.accepted(), qPrintable(parse.message));
    const LapListResult& r = *parse.result;
    QCOMPARE(r.marks, (LapMarks{2, 3, {0, 0, 0, 0}}));
    QCOMPARE(r.lapsCaption, std::optional<QString>(QStringLiteral("3")));
    QCOMPARE(r.fastestCaption, std::optional<QString>(QStringLiteral("2")));
    QCOMPARE(r.topSpeedCaption, std::optional<QString>(QStringLiteral("3")));
    QVERIFY(!r.sectorCaption);
    QCOMPARE(r.version, 0);
    grid.apply(r);
    QCOMPARE(grid.at(8, 0), QStringLiteral("全ラップ 3"));
    QCOMPARE(grid.at(1, 0), QStringLiteral("2"));
    QCOMPARE(grid.at(7, 0), QStringLiteral("2"));
    QCOMPARE(grid.at(6, 0), QStringLiteral("3"));
    QCOMPARE(grid.at(0, 2), QStringLiteral("001"));
    QCOMPARE(grid.at(1, 2), QStringLiteral("01'23\"45"));
    QCOMPARE(grid.at(6, 2), QStringLiteral("120"));
    QCOMPARE(grid.at(8, 2), QString());
    QCOMPARE(grid.at(8, 3), QStringLiteral("memo FL "));
    QCOMPARE(grid.at(8, 4), QStringLiteral("TS "));
    QCOMPARE(r.lapRows, 3);
}

void TestLapFile::deviceSectorList() {
    Grid grid;
    grid.set(8, 3, QStringLiteral("FL "));
    const QByteArray list = "Sector,2\r\n"
                            "Fastest,Sector,2,End\r\n"
                            "Lap,Time\r\n"
                            "001,S00'40\"00\r\n"
                            "002,S00'39\"00\r\n";
    LapListState state;
    state.sectorIndex = 2;
    state.lapsCaption = QStringLiteral("3");
    state.marks = LapMarks{2, 3, {1, 0, 0, 0}};
    const LapListParse parse = parseLapFile(LapListForm::Device, list, state, grid.reader());
    QVERIFY2(parse.accepted(), qPrintable(parse.message));
    const LapListResult& r = *parse.result;
    QCOMPARE(r.marks, (LapMarks{2, 3, {1, 2, 0, 0}}));
    QCOMPARE(r.sectorCaption, std::optional<QString>(QStringLiteral("2")));
    QVERIFY(!r.lapsCaption);
    QVERIFY(!r.fastestCaption);
    QVERIFY(!r.topSpeedCaption);
    grid.apply(r);
    QCOMPARE(grid.at(3, 0), QStringLiteral("2"));
    QCOMPARE(grid.at(3, 2), QStringLiteral("00'40\"00"));
    QCOMPARE(grid.at(3, 3), QStringLiteral("00'39\"00"));
    QCOMPARE(grid.at(8, 3), QStringLiteral("FL FS2 "));
    QVERIFY(!r.hasCell(8, 2));
    QVERIFY(!r.hasCell(6, 2));
    QVERIFY(!r.hasCell(8, 0));
}

void TestLapFile::deviceRejections_data() {
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("sector");
    QTest::addColumn<QString>("lapsCaption");
    QTest::addColumn<LapListParse::Failure>("failure");
    using F = LapListParse::Failure;
    QTest::newRow("first line not Laps")
        << QByteArray("Lap,3\r\nFastest,Lap,1,X\r\n") << 0 << QString() << F::Format;
    QTest::newRow("second line not Fastest")
        << QByteArray("Laps,3\r\nBest,Lap,1,X\r\n") << 0 << QString() << F::Format;
    QTest::newRow("second line Fastest Time")
        << QByteArray("Laps,3\r\nFastest,Time,1,X\r\n") << 0 << QString() << F::Format;
    QTest::newRow("fourth token missing")
        << QByteArray("Laps,3\r\nFastest,Lap,1\r\n") << 0 << QString() << F::Format;
    QTest::newRow("fourth token missing with no laps")
        << QByteArray("Laps,0\r\nFastest,Lap\r\n") << 0 << QString() << F::Format;
    QTest::newRow("no laps, no lap lines")
        << QByteArray("Laps,0\r\nFastest,Lap,0,X\r\n") << 0 << QString() << F::None;
    QTest::newRow("one line") << QByteArray("Laps,3\r\n") << 0 << QString() << F::Format;
    QTest::newRow("lap line without speed")
        << QByteArray("Laps,3\r\nFastest,Lap,1,X\r\nh\r\n001,T01'00\"00\r\n") << 0 << QString()
        << F::Content;
    QTest::newRow("sector line without time")
        << QByteArray("S\r\nFastest,Sector,1,X\r\nh\r\n001\r\n") << 1 << QStringLiteral("3")
        << F::Content;
    QTest::newRow("sector list without lap count")
        << QByteArray("S\r\nFastest,Sector,1,X\r\n") << 1 << QString() << F::Content;
    QTest::newRow("sector index out of range")
        << QByteArray("S\r\nFastest,Sector,1,X\r\n") << 5 << QStringLiteral("3") << F::Content;
    QTest::newRow("sector list ignores its first line")
        << QByteArray("anything\r\nFastest,Sector,1,X\r\n") << 4 << QStringLiteral("3") << F::None;
}

void TestLapFile::deviceRejections() {
    QFETCH(QByteArray, list);
    QFETCH(int, sector);
    QFETCH(QString, lapsCaption);
    QFETCH(LapListParse::Failure, failure);
    LapListState state;
    state.sectorIndex = sector;
    state.lapsCaption = lapsCaption;
    Grid grid;
    const LapListParse parse = parseLapFile(LapListForm::Device, list, state, grid.reader());
    QCOMPARE(parse.failure, failure);
    QCOMPARE(parse.accepted(), failure == LapListParse::Failure::None);
}

void TestLapFile::deviceListGathering_data() {
    using S = LapListGatherer::Status;
    QTest::addColumn<int>("sector");
    QTest::addColumn<int>("lapCount"); // the lap list's count for a sector list, -1: none
    QTest::addColumn<QList<QByteArray>>("receptions");
    QTest::addColumn<QList<S>>("statuses");
    QTest::addColumn<QByteArray>("list");
    const QByteArray laps2 = "Laps,2\r\n"
                             "Fastest,Lap,002,Top,Speed,Lap,001\r\n"
                             "Lap,Time,Speed\r\n"
                             "001,\" 01'23\"\"45\",123\r\n"
                             "002,\" 01'21\"\"00\",150\r\n";
    QTest::newRow("lap list in one reception")
        << 0 << -1 << QList<QByteArray>{laps2} << QList<S>{S::Complete} << laps2;
    QTest::newRow("lap list split inside a lap line")
        << 0 << -1 << QList<QByteArray>{laps2.left(75), laps2.mid(75)}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    QTest::newRow("lap list in three pieces, the first only part of line 1")
        << 0 << -1 << QList<QByteArray>{"La", "ps,2\r\nFastest,Lap,002", laps2.mid(23)}
        << QList<S>{S::Incomplete, S::Incomplete, S::Complete} << laps2;
    QTest::newRow("leading CR LF, in a reception of its own")
        << 0 << -1 << QList<QByteArray>{"\r\n", laps2} << QList<S>{S::Incomplete, S::Complete}
        << laps2;
    QTest::newRow("leading CR LF before the list")
        << 0 << -1 << QList<QByteArray>{"\r\n" + laps2} << QList<S>{S::Complete} << laps2;
    QTest::newRow("split between CR and LF")
        << 0 << -1 << QList<QByteArray>{laps2.left(7), laps2.mid(7)}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    // Until its line end has come, the last value may go on: "...,15" then "0\r\n".
    QTest::newRow("last lap line without its line end")
        << 0 << -1 << QList<QByteArray>{laps2.chopped(2), "\r\n"}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    QTest::newRow("split right after the last comma")
        << 0 << -1 << QList<QByteArray>{laps2.chopped(5), laps2.right(5)}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    QTest::newRow("split inside the last value")
        << 0 << -1 << QList<QByteArray>{laps2.chopped(3), laps2.right(3)}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    QTest::newRow("last lap line cut inside its time")
        << 0 << -1 << QList<QByteArray>{laps2.chopped(12), laps2.right(12)}
        << QList<S>{S::Incomplete, S::Complete} << laps2;
    QTest::newRow("one lap line missing")
        << 0 << -1 << QList<QByteArray>{laps2.left(laps2.lastIndexOf("002,"))}
        << QList<S>{S::Incomplete} << QByteArray();
    QTest::newRow("lines after the last lap line are not part of the list")
        << 0 << -1 << QList<QByteArray>{laps2 + "END\r\n"} << QList<S>{S::Complete} << laps2;
    QTest::newRow("receptions after a complete list are ignored")
        << 0 << -1 << QList<QByteArray>{laps2, "Laps,9\r\n"} << QList<S>{S::Complete, S::Complete}
        << laps2;
    const QByteArray none = "Laps,0\r\nFastest,Lap,000,Top,Speed,Lap,000\r\nLap,Time,Speed\r\n";
    QTest::newRow("no laps: the three header lines")
        << 0 << -1 << QList<QByteArray>{none} << QList<S>{S::Complete} << none;
    QTest::newRow("lap count not a number")
        << 0 << -1 << QList<QByteArray>{"Laps,x\r\n"} << QList<S>{S::Rejected} << QByteArray();
    QTest::newRow("first line not Laps") << 0 << -1 << QList<QByteArray>{"OK\r\n", laps2}
                                         << QList<S>{S::Rejected, S::Rejected} << QByteArray();
    const QByteArray sector = "not examined\r\n"
                              "Fastest,Sector,002,Sector,3\r\n"
                              "Lap,Sector3\r\n"
                              "001,\" 00'40\"\"00\"\r\n"
                              "002,\" 00'39\"\"00\"\r\n";
    QTest::newRow("sector list: as many lap lines as the lap list had")
        << 3 << 2
        << QList<QByteArray>{sector.left(sector.lastIndexOf("002,")),
                             sector.mid(sector.lastIndexOf("002,"))}
        << QList<S>{S::Incomplete, S::Complete} << sector;
    QTest::newRow("sector list, last line without its line end")
        << 3 << 2 << QList<QByteArray>{sector.chopped(2), sector.right(2)}
        << QList<S>{S::Incomplete, S::Complete} << sector;
    QTest::newRow("sector list of a lap list with fewer laps")
        << 3 << 1 << QList<QByteArray>{sector} << QList<S>{S::Complete}
        << sector.left(sector.lastIndexOf("002,"));
    QTest::newRow("sector list without a lap count")
        << 1 << -1 << QList<QByteArray>{sector} << QList<S>{S::Rejected} << QByteArray();
    QTest::newRow("a list that does not end")
        << 0 << -1
        << QList<QByteArray>{"Laps,300\r\nFastest,Lap,1,X\r\nh\r\n",
                             QByteArray(LapListGatherer::maxBytes, 'x')}
        << QList<S>{S::Incomplete, S::Rejected} << QByteArray();
}

void TestLapFile::deviceListGathering() {
    QFETCH(int, sector);
    QFETCH(int, lapCount);
    QFETCH(QList<QByteArray>, receptions);
    QFETCH(QList<LapListGatherer::Status>, statuses);
    QFETCH(QByteArray, list);
    LapListGatherer gatherer;
    QVERIFY(!gatherer.awaiting());
    gatherer.start(sector, lapCount < 0 ? std::nullopt : std::optional<qint32>(lapCount));
    QVERIFY(gatherer.awaiting());
    for (qsizetype i = 0; i < receptions.size(); ++i)
        QCOMPARE(gatherer.add(receptions.at(i)), statuses.at(i));
    QCOMPARE(gatherer.text(), list);
    // Sent again, the list is gathered afresh.
    gatherer.restart();
    QCOMPARE(gatherer.status(), LapListGatherer::Status::Incomplete);
    QCOMPARE(gatherer.text(), QByteArray());
    gatherer.stop();
    QCOMPARE(gatherer.add(list), LapListGatherer::Status::Idle);
}

void TestLapFile::deviceListWait_data() {
    QTest::addColumn<QByteArray>("received"); // added before the wait runs out; "-": none awaited
    QTest::addColumn<qint64>("sinceLastByte");
    QTest::addColumn<qsizetype>("arriving");
    QTest::addColumn<int>("left");
    const QByteArray part = "Laps,300\r\nFastest,Lap,001,Top,Speed,Lap,001\r\nLap,Time,Speed\r\n";
    QTest::newRow("nothing received") << QByteArray() << qint64(-1) << qsizetype(0) << 0;
    QTest::newRow("last byte long ago") << part << qint64(12000) << qsizetype(0) << 0;
    QTest::newRow("a reception still coming in")
        << QByteArray() << qint64(40) << qsizetype(4000) << 11960;
    QTest::newRow("part of the list, then silence for 3 s")
        << part << qint64(3000) << qsizetype(0) << 9000;
    QTest::newRow("a stream longer than any list")
        << part << qint64(40) << LapListGatherer::maxBytes << 0;
    QTest::newRow("no list awaited") << QByteArray("-") << qint64(40) << qsizetype(10) << 0;
    QTest::newRow("a list that was rejected")
        << QByteArray("OK\r\n") << qint64(40) << qsizetype(0) << 0;
}

void TestLapFile::deviceListWait() {
    QFETCH(QByteArray, received);
    QFETCH(qint64, sinceLastByte);
    QFETCH(qsizetype, arriving);
    QFETCH(int, left);
    LapListGatherer gatherer;
    if (received != "-") {
        gatherer.start(0);
        gatherer.add(received);
    }
    QCOMPARE(gatherer.waitLeftMs(sinceLastByte, 12000, arriving), left);
}

void TestLapFile::saveFailsUnderRegularFile() {
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeAll(plain, "keep"));
    const QString path = plain + QStringLiteral("/laps.csv");
    Grid grid;
    const LapFileSave save = saveLapFile(path, QStringLiteral("1"), grid.reader());
    QCOMPARE(save.status, LapFileSave::Status::Failed);
    QVERIFY(!save.reason.isEmpty());
    QVERIFY(save.message().contains(path));
    QVERIFY(save.message().contains(save.reason));
    QCOMPARE(readAll(plain), QByteArray("keep"));
}

void TestLapFile::saveFailsWhenFolderGone() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QDir().rmdir(folder));
    Grid grid;
    const LapFileSave save =
        saveLapFile(folder + QStringLiteral("/laps.csv"), QStringLiteral("1"), grid.reader());
    QCOMPARE(save.status, LapFileSave::Status::Failed);
    QVERIFY(!save.reason.isEmpty());
}

void TestLapFile::saveFailureKeepsOldFile() {
    // A file-size limit makes the write fail half-way, also for root.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("laps.csv"));
    QVERIFY(writeAll(path, "old laps\r\n"));

    Grid grid;
    for (int row = 2; row < LapTable::RowCount; ++row)
        grid.set(8, row, QStringLiteral("remarks that make the file long"));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const LapFileSave save = saveLapFile(path, QStringLiteral("300"), grid.reader());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(save.status, LapFileSave::Status::Failed);
    QVERIFY(!save.reason.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old laps\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("laps.csv")});
}

void TestLapFile::saveOntoReadOnlyFolder() {
    if (geteuid() == 0)
        QSKIP("folder permissions do not stop root");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("laps.csv"));
    QVERIFY(writeAll(path, "old"));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    Grid grid;
    const LapFileSave save = saveLapFile(path, QStringLiteral("1"), grid.reader());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(save.status, LapFileSave::Status::Failed);
    QVERIFY(!save.reason.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old"));
}

void TestLapFile::loadMissingFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("none.csv"));
    const LapListParse parse = loadLapFile(path);
    QVERIFY(!parse.accepted());
    QCOMPARE(parse.failure, LapListParse::Failure::Read);
    QVERIFY(parse.message.contains(path));

    const LapListParse folder = loadLapFile(dir.path());
    QVERIFY(!folder.accepted());
    QCOMPARE(folder.failure, LapListParse::Failure::Read);
    QVERIFY(!folder.message.isEmpty());
}

void TestLapFile::windowCaption() {
    QCOMPARE(mainWindowCaption(), QStringLiteral("KODA Monitor"));
    QCOMPARE(mainWindowCaption(QStringLiteral("/home/u/laps.csv")),
             QStringLiteral("KODA Monitor - /home/u/laps.csv"));
}

QTEST_GUILESS_MAIN(TestLapFile)
#include "tst_lapfile.moc"
