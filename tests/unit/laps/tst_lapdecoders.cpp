#include "laps/lapdecoders.h"
#include "laps/lapreadend.h"
#include "laps/laptable.h"

#include "lapframes.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace lapframes;

namespace {

// The nine cells of one grid row.
QStringList rowCells(const LapTable& t, int row) {
    QStringList cells;
    for (int c = 0; c < LapTable::ColumnCount; ++c)
        cells << t.cell(c, row);
    return cells;
}

void fillRow(LapTable& t, int row, const QString& prefix) {
    for (int c = 0; c < LapTable::ColumnCount; ++c)
        t.setCell(c, row, prefix + QString::number(c));
}

// Cell texts of a block-frame record with lap time 8345, top speed 98, sector times 1000, 2000,
// 3000, 2345, for a course of 0 km (no average speed).
QStringList plainRecordRow(const QString& lap, int sectors, const QString& remarks = {}) {
    const QStringList sectorTexts = {" 00'10\"00", " 00'20\"00", " 00'30\"00", " 00'23\"45"};
    QStringList row = {lap, " 01'23\"45"};
    for (int s = 0; s < 4; ++s)
        row << (s < sectors ? sectorTexts[s] : QString());
    row << "098" << QString() << remarks;
    return row;
}

} // namespace

class TestLapDecoders : public QObject {
    Q_OBJECT

private slots:
    void formatLapTime_data();
    void formatLapTime();
    void averageSpeed_data();
    void averageSpeed();
    void courseLength_data();
    void courseLength();
    void remarks_data();
    void remarks();

    void blockBeyondLapCountFinishesRead();
    void blockAdvancesRunningRead();
    void blockWithoutReadOnlyFillsGrid();
    void blockFromLapZeroSkipsIt();
    void blockLapsAbove300Dropped();
    void blockTwoSectorsEmptiesOthers();
    void blockLapTimeZero();
    void blockAverageSpeed_data();
    void blockAverageSpeed();
    void blockRemarksReplaceOrKeep();
    void blockIsOneUpdate();
    void truncatedFrame_data();
    void truncatedFrame();
    void lyingLengthByte();
    void randomFramesAreHarmless();

    void liveNewestTwoThenOne();
    void liveBeyondLapCount();
    void liveRepeatedFrameNotRecharted();

    void lapInfoRow();
    void lapInfoSpacing_data();
    void lapInfoSpacing();
    void lapInfoMalformed_data();
    void lapInfoMalformed();
    void lapInfoZeroLaps();
    void lapInfoNonNumericField();
    void lapInfoSectorCountLimited();

    void lapDataRow();
    void lapDataTwiceAppendsRemarks();
    void lapDataBeyondLapCount();
    void lapDataMalformed_data();
    void lapDataMalformed();

    void readEndMessage_data();
    void readEndMessage();
};

void TestLapDecoders::formatLapTime_data() {
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << " 00'00\"00";
    QTest::newRow("8345") << 8345 << " 01'23\"45";
    QTest::newRow("99") << 99 << " 00'00\"99";
    QTest::newRow("one minute") << 6000 << " 01'00\"00";
    QTest::newRow("largest") << 65535 << " 10'55\"35";
}

void TestLapDecoders::formatLapTime() {
    QFETCH(int, hundredths);
    QFETCH(QString, text);
    QCOMPARE(::formatLapTime(quint16(hundredths)), text);
}

void TestLapDecoders::averageSpeed_data() {
    QTest::addColumn<double>("km");
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("3.7 km") << 3.7 << 8345 << "159.62";
    QTest::newRow("1.5 km, leading blank") << 1.5 << 8345 << " 64.71";
    QTest::newRow("no course") << 0.0 << 8345 << "";
    QTest::newRow("no lap time") << 3.7 << 0 << "";
}

void TestLapDecoders::averageSpeed() {
    QFETCH(double, km);
    QFETCH(int, hundredths);
    QFETCH(QString, text);
    QCOMPARE(formatAverageSpeed(km, quint16(hundredths)), text);
}

void TestLapDecoders::courseLength_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("km");
    QTest::newRow("integer") << "12" << 12.0;
    QTest::newRow("decimal") << "3.7" << 3.7;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("blanks") << " 1.5 " << 1.5;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("two points") << "1.2.3" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("katakana") << "ｱｲ" << 0.0;
    QTest::newRow("infinity") << "inf" << 0.0;
    QTest::newRow("nan") << "nan" << 0.0;
}

void TestLapDecoders::courseLength() {
    QFETCH(QString, text);
    QFETCH(double, km);
    QCOMPARE(courseLengthFromText(text), km);
}

void TestLapDecoders::remarks_data() {
    QTest::addColumn<int>("lap");
    QTest::addColumn<int>("sectorCount");
    QTest::addColumn<QString>("text");
    // bestLap 3, topSpeedLap 3, fastest sectors 3, 1, 3, 3.
    QTest::newRow("all four sectors") << 3 << 4 << "FL TS FS1 FS3 FS4 ";
    QTest::newRow("two sectors") << 3 << 2 << "FL TS FS1 ";
    QTest::newRow("sector 2 only") << 1 << 4 << "FS2 ";
    QTest::newRow("sector 2 beyond count") << 1 << 1 << "";
    QTest::newRow("nothing") << 9 << 4 << "";
}

void TestLapDecoders::remarks() {
    QFETCH(int, lap);
    QFETCH(int, sectorCount);
    QFETCH(QString, text);
    LapTable t;
    t.bestLap = 3;
    t.topSpeedLap = 3;
    t.sectorCount = sectorCount;
    t.fastestSectorLap = {3, 1, 3, 3};
    QCOMPARE(buildRemarks(t, lap), text);
}

void TestLapDecoders::blockBeyondLapCountFinishesRead() {
    LapTable t;
    t.lapCount = 290;
    t.sectorCount = 4;
    t.lapInfoStep = 2;
    t.nextLapToRead = 281;
    const LapFrameResult r = decodeLapFrame(t, kBlock281, 20, 12.0);

    QCOMPARE(rowCells(t, 282), QStringList({"281", " 01'00\"00", " 00'10\"00", " 00'20\"00",
                                            " 00'30\"00", " 00'40\"00", "100", "720.00", ""}));
    QCOMPARE(rowCells(t, 291), QStringList({"290", " 01'00\"09", " 00'10\"09", " 00'20\"09",
                                            " 00'30\"09", " 00'40\"09", "109", "718.92", ""}));
    // Laps 291..300 are beyond the lap count: their rows keep the reset texts.
    for (int row = 292; row <= 301; ++row)
        QCOMPARE(rowCells(t, row),
                 QStringList({QString::asprintf("%03d", row - 1), "", "", "", "", "", "", "", ""}));
    QCOMPARE(r.firstRow, 282);
    QCOMPARE(r.lastRow, 291);
    QCOMPARE(t.nextLapToRead, 301);
    QCOMPARE(t.lapInfoStep, 99);
    QCOMPARE(r.scrollRow, 290);
    QVERIFY(r.readAdvanced);
    QVERIFY(!r.newLiveLap);
}

void TestLapDecoders::blockAdvancesRunningRead() {
    LapTable t;
    t.lapCount = 45;
    t.sectorCount = 4;
    t.lapInfoStep = 2;
    t.nextLapToRead = 1;
    const LapFrameResult r = decodeLapFrame(t, kBlock1, 20, 0.0);
    QCOMPARE(t.nextLapToRead, 21);
    QCOMPARE(t.lapInfoStep, 3);
    QCOMPARE(r.scrollRow, 21);
    QVERIFY(r.readAdvanced);
    QCOMPARE(rowCells(t, 2), plainRecordRow("001", 4));
    QCOMPARE(rowCells(t, 21), plainRecordRow("020", 4));
    QCOMPARE(t.cell(LapTable::ColTime, 22), QString());
}

void TestLapDecoders::blockWithoutReadOnlyFillsGrid() {
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 4;
    t.nextLapToRead = 7;
    const LapFrameResult r = decodeLapFrame(t, kBlock1, 20, 0.0);
    QCOMPARE(rowCells(t, 21), plainRecordRow("020", 4));
    QCOMPARE(t.nextLapToRead, 7);
    QCOMPARE(t.lapInfoStep, 0);
    QCOMPARE(r.scrollRow, -1);
    QVERIFY(!r.readAdvanced);
}

void TestLapDecoders::blockFromLapZeroSkipsIt() {
    LapTable t;
    t.lapCount = 30;
    t.sectorCount = 4;
    const QStringList headings = rowCells(t, LapTable::HeadingRow);
    const LapFrameResult r = decodeLapFrame(t, kBlock0, 20, 0.0);
    QCOMPARE(rowCells(t, LapTable::HeadingRow), headings);
    QCOMPARE(rowCells(t, 2), plainRecordRow("001", 4));
    QCOMPARE(rowCells(t, 20), plainRecordRow("019", 4));
    QCOMPARE(t.cell(LapTable::ColTime, 21), QString());
    QCOMPARE(r.firstRow, 2);
    QCOMPARE(r.lastRow, 20);
}

void TestLapDecoders::blockLapsAbove300Dropped() {
    LapTable t;
    t.lapCount = 320;
    t.sectorCount = 4;
    t.lapInfoStep = 2;
    t.nextLapToRead = 291;
    const LapFrameResult r = decodeLapFrame(t, kBlock291, 20, 0.0);
    QCOMPARE(rowCells(t, 292), plainRecordRow("291", 4));
    QCOMPARE(rowCells(t, 301), plainRecordRow("300", 4));
    QCOMPARE(r.lastRow, 301);
    QCOMPARE(t.nextLapToRead, 311);
    QCOMPARE(t.lapInfoStep, 3);
    QCOMPARE(r.scrollRow, 301); // the grid's last row, not beyond
}

void TestLapDecoders::blockTwoSectorsEmptiesOthers() {
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 2;
    fillRow(t, 2, "x");
    decodeLapFrame(t, kBlock1, 20, 0.0);
    // No course length: the average-speed cell keeps its text; no remarks: so does column 8.
    QCOMPARE(rowCells(t, 2), QStringList({"001", " 01'23\"45", " 00'10\"00", " 00'20\"00", "", "",
                                          "098", "x7", "x8"}));
    QCOMPARE(rowCells(t, 3), plainRecordRow("002", 2));
}

void TestLapDecoders::blockLapTimeZero() {
    LapTable t;
    t.lapCount = 6;
    t.sectorCount = 2;
    t.bestLap = 5;
    fillRow(t, 6, "x");
    decodeLapFrame(t, kBlock5TimeZero, 20, 3.7);
    // Lap 5, lap time 0: only the sector cells beyond the sector count are emptied, and the
    // remarks are still built.
    QCOMPARE(rowCells(t, 6), QStringList({"x0", "x1", "x2", "x3", "", "", "x6", "x7", "FL "}));
    // Lap 6, sector 2 time 0 gives an empty cell.
    QCOMPARE(rowCells(t, 7),
             QStringList({"006", " 01'23\"45", " 00'10\"00", "", "", "", "098", "159.62", ""}));
    // Lap 7 is beyond the lap count.
    QCOMPARE(t.cell(LapTable::ColTime, 8), QString());
}

void TestLapDecoders::blockAverageSpeed_data() {
    QTest::addColumn<double>("km");
    QTest::addColumn<QString>("cell");
    QTest::newRow("3.7 km") << 3.7 << "159.62";
    QTest::newRow("1.5 km") << 1.5 << " 64.71";
    QTest::newRow("no course leaves the cell") << 0.0 << "old";
}

void TestLapDecoders::blockAverageSpeed() {
    QFETCH(double, km);
    QFETCH(QString, cell);
    LapTable t;
    t.lapCount = 1;
    t.sectorCount = 4;
    t.setCell(LapTable::ColAverage, 2, "old");
    decodeLapFrame(t, kBlock1, 20, km);
    QCOMPARE(t.cell(LapTable::ColAverage, 2), cell);
}

void TestLapDecoders::blockRemarksReplaceOrKeep() {
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 2;
    t.bestLap = 3;
    t.topSpeedLap = 3;
    t.fastestSectorLap = {3, 4, 4, 0};
    t.setCell(LapTable::ColRemarks, 4, "user text");
    t.setCell(LapTable::ColRemarks, 5, "rain");
    t.setCell(LapTable::ColRemarks, 6, "pit");
    decodeLapFrame(t, kBlock1, 20, 0.0);
    QCOMPARE(t.cell(LapTable::ColRemarks, 4), QString("FL TS FS1 "));
    QCOMPARE(t.cell(LapTable::ColRemarks, 5), QString("FS2 ")); // FS3 is beyond 2 sectors
    QCOMPARE(t.cell(LapTable::ColRemarks, 6), QString("pit"));
}

void TestLapDecoders::blockIsOneUpdate() {
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 4;
    QSignalSpy changed(&t, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&t, &QAbstractItemModel::modelReset);
    decodeLapFrame(t, kBlock1, 20, 3.7);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(reset.count(), 0);
    const auto topLeft = changed.first().at(0).value<QModelIndex>();
    const auto bottomRight = changed.first().at(1).value<QModelIndex>();
    QCOMPARE(topLeft.row(), 2);
    QCOMPARE(bottomRight.row(), 21);
    QCOMPARE(bottomRight.column(), LapTable::ColAverage);
}

void TestLapDecoders::truncatedFrame_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("laps");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("before length byte") << 4 << 0;
    QTest::newRow("half lap number") << 7 << 0;
    QTest::newRow("lap number only") << 8 << 0;
    QTest::newRow("middle of record 0") << 19 << 0;
    QTest::newRow("record 0") << 20 << 1;
    QTest::newRow("middle of record 1") << 26 << 1;
    QTest::newRow("records 0 and 1") << 32 << 2;
    QTest::newRow("no checksum, no ETX") << 248 << 20;
}

void TestLapDecoders::truncatedFrame() {
    QFETCH(int, size);
    QFETCH(int, laps);
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 4;
    t.lapInfoStep = 2;
    t.nextLapToRead = 1;
    // A detached copy, so that reading past its end would be seen by the sanitizers.
    const QByteArray frame(kBlock1.constData(), size);
    decodeLapFrame(t, frame, 20, 0.0);
    for (int lap = 1; lap <= 20; ++lap)
        QCOMPARE(t.cell(LapTable::ColTime, lap + 1).isEmpty(), lap > laps);
    // The block was answered, so the read moves on whatever it held.
    QCOMPARE(t.nextLapToRead, 21);
    QCOMPARE(t.lapInfoStep, 99);
}

void TestLapDecoders::lyingLengthByte() {
    // A length byte of 32 leaves room for one record before checksum and ETX.
    QByteArray frame = kBlock1;
    frame[4] = char(0x20);
    LapTable t;
    t.lapCount = 20;
    t.sectorCount = 4;
    decodeLapFrame(t, frame, 20, 0.0);
    QCOMPARE(t.cell(LapTable::ColTime, 2), QString(" 01'23\"45"));
    QCOMPARE(t.cell(LapTable::ColTime, 3), QString());
}

void TestLapDecoders::randomFramesAreHarmless() {
    QRandomGenerator rng(4711);
    LapTable t;
    for (int i = 0; i < 2000; ++i) {
        QByteArray frame(int(rng.bounded(300)), Qt::Uninitialized);
        for (char& b : frame)
            b = char(rng.bounded(256));
        t.lapCount = int(rng.bounded(400)) - 50;
        t.sectorCount = int(rng.bounded(10)) - 3;
        t.lapInfoStep = int(rng.bounded(3));
        const int count = (i % 3 == 0) ? 3 : (i % 3 == 1 ? 20 : int(rng.bounded(40)) - 5);
        const LapFrameResult r = decodeLapFrame(t, frame, count, 12.0);
        QVERIFY(r.scrollRow < LapTable::RowCount);
        QVERIFY(r.lastRow < LapTable::RowCount);
        QVERIFY(r.firstRow == -1 || r.firstRow >= 2);
    }
    QCOMPARE(t.cell(0, LapTable::HeadingRow), QString("ラップ"));
}

void TestLapDecoders::liveNewestTwoThenOne() {
    LapTable t;
    t.lapCount = 0;    // live laps ignore the lap count
    t.sectorCount = 1; // and always fill four sectors
    const QStringList headings = rowCells(t, LapTable::HeadingRow);
    const QStringList liveSectors = {" 00'10\"00", " 00'20\"00", " 00'30\"00", " 00'23\"45"};

    LapFrameResult r = decodeLapFrame(t, kLive2, 3, 1.5);
    QCOMPARE(rowCells(t, LapTable::HeadingRow), headings); // lap 0 skipped
    QCOMPARE(rowCells(t, 2),
             QStringList({"001", " 01'23\"46"}) + liveSectors + QStringList({"099", " 64.70", ""}));
    QCOMPARE(rowCells(t, 3),
             QStringList({"002", " 01'23\"47"}) + liveSectors + QStringList({"100", " 64.69", ""}));
    QCOMPARE(t.cell(LapTable::ColTime, 4), QString());
    QVERIFY(r.newLiveLap);
    QCOMPARE(r.scrollRow, 3);
    QCOMPARE(t.lastLiveRow, 3);
    QVERIFY(!r.readAdvanced);

    t.setCell(LapTable::ColTime, 3, "kept");
    r = decodeLapFrame(t, kLive1, 3, 1.5);
    QCOMPARE(t.cell(LapTable::ColTime, 2), QString(" 01'23\"47")); // newest record is lap 1
    QCOMPARE(t.cell(LapTable::ColTime, 3), QString("kept"));
    QCOMPARE(rowCells(t, LapTable::HeadingRow), headings);
    QCOMPARE(rowCells(t, 0), QStringList({"ベスト", "", "", "", "", "", "", "", ""}));
    QVERIFY(r.newLiveLap);
    QCOMPARE(t.lastLiveRow, 2);
    QCOMPARE(r.firstRow, 2);
    QCOMPARE(r.lastRow, 2);
}

void TestLapDecoders::liveBeyondLapCount() {
    LapTable t;
    t.lapCount = 12;
    t.sectorCount = 2;
    t.bestLap = 40;
    t.lapInfoStep = 3;
    t.nextLapToRead = 5;
    const LapFrameResult r = decodeLapFrame(t, kLive40, 3, 0.0);
    QCOMPARE(t.cell(LapTable::ColTime, 39), QString(" 01'23\"45"));
    QCOMPARE(t.cell(LapTable::ColTime, 40), QString(" 01'23\"46"));
    QCOMPARE(rowCells(t, 41), QStringList({"040", " 01'23\"47", " 00'10\"00", " 00'20\"00",
                                           " 00'30\"00", " 00'23\"45", "100", "", ""}));
    QCOMPARE(r.scrollRow, 41);
    QVERIFY(r.newLiveLap);
    // The read bookkeeping belongs to the caller for live laps.
    QCOMPARE(t.lapInfoStep, 3);
    QCOMPARE(t.nextLapToRead, 5);
}

void TestLapDecoders::liveRepeatedFrameNotRecharted() {
    LapTable t;
    QVERIFY(decodeLapFrame(t, kLive40, 3, 0.0).newLiveLap);
    t.setCell(LapTable::ColTime, 41, "changed");
    const LapFrameResult r = decodeLapFrame(t, kLive40, 3, 0.0);
    QCOMPARE(t.cell(LapTable::ColTime, 41), QString(" 01'23\"47")); // rewritten
    QVERIFY(!r.newLiveLap);
    QCOMPARE(r.scrollRow, -1);
}

void TestLapDecoders::lapInfoRow() {
    LapTable t;
    t.bestLapMark = 99;
    QString caption;
    QCOMPARE(decodeLapInfo(t, {"25,7,3,4,7,12,7,9"}, &caption), 25);
    QCOMPARE(caption, QString("25"));
    QCOMPARE(rowCells(t, 0), QStringList({"ベスト", "007", "007", "012", "007", "009", "003", "007",
                                          "全ラップ 025"}));
    QCOMPARE(t.lapCount, 25);
    QCOMPARE(t.bestLap, 7);
    QCOMPARE(t.topSpeedLap, 3);
    QCOMPARE(t.sectorCount, 4);
    QCOMPARE(t.fastestSectorLap, (std::array<int, 4>{7, 12, 7, 9}));
    QCOMPARE(t.bestLapMark, 7);
    QCOMPARE(t.topSpeedMark, 3);
    QCOMPARE(t.fastestSectorMark, (std::array<int, 4>{7, 12, 7, 9}));
}

void TestLapDecoders::lapInfoSpacing_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("blanks after commas") << "25, 7, 3, 4, 7, 12, 7, 9";
    QTest::newRow("blanks around commas") << " 25 ,7 , 3,4,7,12,7,9 ";
    QTest::newRow("blanks instead of commas") << "25 7 3 4 7,12 7 9";
}

void TestLapDecoders::lapInfoSpacing() {
    QFETCH(QString, line);
    LapTable t;
    QString caption;
    QCOMPARE(decodeLapInfo(t, {line}, &caption), 25);
    QCOMPARE(caption, QString("25"));
    QCOMPARE(t.fastestSectorLap, (std::array<int, 4>{7, 12, 7, 9}));
}

void TestLapDecoders::lapInfoMalformed_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("7 fields") << QStringList{"25,7,3,4,7,12,7"};
    QTest::newRow("9 fields") << QStringList{"25,7,3,4,7,12,7,9,1"};
    QTest::newRow("trailing comma") << QStringList{"25,7,3,4,7,12,7,9,"};
    QTest::newRow("blank splits a field") << QStringList{"25,7,3,4,7,1 2,7,9"};
    QTest::newRow("two lines") << QStringList{"25,7,3,4,7,12,7,9", "25,7,3,4,7,12,7,9"};
    QTest::newRow("no line") << QStringList{};
    QTest::newRow("empty line") << QStringList{""};
}

void TestLapDecoders::lapInfoMalformed() {
    QFETCH(QStringList, lines);
    LapTable t;
    QCOMPARE(decodeLapInfo(t, {"10,2,3,2,4,5,6,7"}), 10);
    const QStringList summary = rowCells(t, 0);
    QString caption = "unchanged";
    QCOMPARE(decodeLapInfo(t, lines, &caption), 0);
    QVERIFY(!isLapInfo(lines)); // a malformed reply, not a timer without laps
    QCOMPARE(caption, QString("unchanged"));
    QCOMPARE(rowCells(t, 0), summary);
    QCOMPARE(t.lapCount, 10);
    QCOMPARE(t.bestLap, 2);
    QCOMPARE(t.sectorCount, 2);
    QCOMPARE(t.bestLapMark, 2);
    QCOMPARE(t.fastestSectorMark, (std::array<int, 4>{4, 5, 6, 7}));
}

void TestLapDecoders::lapInfoZeroLaps() {
    LapTable t;
    QString caption = "before";
    QCOMPARE(decodeLapInfo(t, {"0,7,3,4,7,12,7,9"}, &caption), 0);
    QVERIFY(isLapInfo({"0,7,3,4,7,12,7,9"}));
    QCOMPARE(caption, QString("before"));
    QCOMPARE(rowCells(t, 0), QStringList({"ベスト", "", "", "", "", "", "", "", ""}));
    // The fields and marks are taken all the same.
    QCOMPARE(t.bestLap, 7);
    QCOMPARE(t.bestLapMark, 7);
}

void TestLapDecoders::lapInfoNonNumericField() {
    LapTable t;
    t.setCell(LapTable::ColTime, 0, "old");
    QCOMPARE(decodeLapInfo(t, {"25,x,3,4,7,0,7,9"}), 25);
    QCOMPARE(t.bestLap, 0);
    QCOMPARE(t.bestLapMark, 0);
    // Zero values leave their summary cells as they were.
    QCOMPARE(t.cell(LapTable::ColTime, 0), QString("old"));
    QCOMPARE(t.cell(LapTable::ColAverage, 0), QString());
    QCOMPARE(t.cell(LapTable::ColSector1 + 1, 0), QString());
    QCOMPARE(t.cell(LapTable::ColTopSpeed, 0), QString("003"));
}

void TestLapDecoders::lapInfoSectorCountLimited() {
    LapTable t;
    QCOMPARE(decodeLapInfo(t, {"20,1,2,7,3,4,5,6"}), 20);
    QCOMPARE(t.sectorCount, 4);
    t.bestLap = 0;
    t.topSpeedLap = 0;
    QCOMPARE(buildRemarks(t, 6), QString("FS4 "));
    // A block frame then fills the four sector columns and nothing beyond.
    decodeLapFrame(t, kBlock1, 20, 0.0);
    QCOMPARE(rowCells(t, 2), plainRecordRow("001", 4));
}

void TestLapDecoders::lapDataRow() {
    LapTable t;
    t.lapCount = 25;
    t.sectorCount = 2;
    t.bestLap = 7;
    t.topSpeedLap = 3;
    t.fastestSectorLap = {7, 2, 7, 9};
    t.setCell(LapTable::ColAverage, 8, "avg");
    t.setCell(LapTable::ColSector1 + 2, 8, "s3");
    QCOMPARE(decodeLapData(t, {"7,1'23\"45,123,0'40\"00,0'43\"45,0'00\"00,0'00\"00"}), 7);
    QCOMPARE(rowCells(t, 8), QStringList({"7", "1'23\"45", "0'40\"00", "0'43\"45", "", "", "123",
                                          "avg", "FL FS1 "}));
}

void TestLapDecoders::lapDataTwiceAppendsRemarks() {
    LapTable t;
    t.lapCount = 25;
    t.sectorCount = 4;
    t.bestLap = 7;
    t.setCell(LapTable::ColRemarks, 8, "wet ");
    const QStringList line = {"7, 01'23\"45,098, 00'20\"00, 00'21\"00, 00'22\"00, 00'20\"45"};
    QCOMPARE(decodeLapData(t, line), 7);
    QCOMPARE(decodeLapData(t, line), 7);
    QCOMPARE(t.cell(LapTable::ColRemarks, 8), QString("wet FL FL "));
    // Texts are kept as received, blanks included.
    QCOMPARE(t.cell(LapTable::ColTime, 8), QString(" 01'23\"45"));
    QCOMPARE(t.cell(LapTable::ColSector1 + 3, 8), QString(" 00'20\"45"));
}

void TestLapDecoders::lapDataBeyondLapCount() {
    LapTable t;
    t.lapCount = 25;
    t.sectorCount = 4;
    const QStringList before = rowCells(t, 27);
    QCOMPARE(decodeLapData(t, {"26,1'00\"00,100,1,2,3,4"}), 26);
    QCOMPARE(rowCells(t, 27), before);
    t.lapCount = 400; // more laps than the grid has rows
    QCOMPARE(decodeLapData(t, {"301,1'00\"00,100,1,2,3,4"}), 301);
}

void TestLapDecoders::lapDataMalformed_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("6 fields") << QStringList{"3,1'00\"00,100,1,2,3"};
    QTest::newRow("8 fields") << QStringList{"3,1'00\"00,100,1,2,3,4,5"};
    QTest::newRow("two lines") << QStringList{"3,1'00\"00,100,1,2,3,4", "x"};
    QTest::newRow("lap not a number") << QStringList{"x,1'00\"00,100,1,2,3,4"};
    QTest::newRow("lap 0") << QStringList{"0,1'00\"00,100,1,2,3,4"};
}

void TestLapDecoders::lapDataMalformed() {
    QFETCH(QStringList, lines);
    LapTable t;
    t.lapCount = 25;
    t.sectorCount = 4;
    const QStringList before = rowCells(t, 4);
    QCOMPARE(decodeLapData(t, lines), 0);
    QCOMPARE(rowCells(t, 4), before);
}

void TestLapDecoders::readEndMessage_data() {
    QTest::addColumn<bool>("countKnown");
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("stop");
    QTest::addColumn<QString>("message");
    const auto stop = [](LapReadStop s) { return int(s); };
    QTest::newRow("every lap") << true << 45 << 45 << stop(LapReadStop::None) << QString();
    QTest::newRow("no laps held") << true << 0 << 0 << stop(LapReadStop::None) << QString();
    QTest::newRow("a live lap after the last block")
        << true << 20 << 20 << stop(LapReadStop::LiveLap) << QString();
    QTest::newRow("live lap") << true << 200 << 40 << stop(LapReadStop::LiveLap)
                              << "RIN KODAのデータを200周中40周しか読み込めませんでした。\r\n"
                                 "読み込み中にライブラップを受信したため、読み込みを終了しました。";
    QTest::newRow("cancel, nothing read yet")
        << true << 45 << 0 << stop(LapReadStop::Cancel)
        << "RIN KODAのデータを45周中0周しか読み込めませんでした。\r\n読み込みを中止しました。";
    QTest::newRow("no lap count")
        << false << 0 << 0 << stop(LapReadStop::NoContact)
        << "RIN KODAのデータを読み込めませんでした（周回数を受信できませんでした）。\r\n"
           "RIN KODAから応答がありませんでした。接続を確認してください。";
    QTest::newRow("malformed lap data")
        << true << 45 << 12 << stop(LapReadStop::BadReply)
        << "RIN KODAのデータを45周中12周しか読み込めませんでした。\r\n"
           "RIN KODAから正しくないデータを受信しました。";
}

void TestLapDecoders::readEndMessage() {
    QFETCH(bool, countKnown);
    QFETCH(int, held);
    QFETCH(int, read);
    QFETCH(int, stop);
    QFETCH(QString, message);
    LapReadTally tally;
    tally.countKnown = countKnown;
    tally.lapsHeld = held;
    tally.lapsRead = read;
    tally.stop = LapReadStop(stop);
    QCOMPARE(tally.complete(), message.isEmpty());
    QCOMPARE(lapReadEndMessage(tally), message);
}

QTEST_GUILESS_MAIN(TestLapDecoders)
#include "tst_lapdecoders.moc"
