#include "laps/laptable.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(LapTable::Highlight)

class TestLapTable : public QObject {
    Q_OBJECT

private slots:
    void startState();
    void resetLapGrid();
    void resetKeepsSummaryAndMarks();
    void outOfRangeCells();
    void onlyLapRemarksEditable_data();
    void onlyLapRemarksEditable();
    void highlight_data();
    void highlight();
    void noMarksNoColour_data();
    void noMarksNoColour();
    void clearMarksRepaints();
    void batchEmitsOnce();
    void setDataWritesCell();
    void topRowToShow_data();
    void topRowToShow();
};

void TestLapTable::startState() {
    LapTable t;
    QCOMPARE(t.rowCount(), 302);
    QCOMPARE(t.columnCount(), 9);
    QCOMPARE(t.rowCount(t.index(0, 0)), 0);
    QCOMPARE(t.lastLiveRow, -1);
    QCOMPARE(t.lapCount, 0);
    QCOMPARE(t.lapInfoStep, 0);
    QCOMPARE(t.cell(0, 2), QString("001"));
}

void TestLapTable::resetLapGrid() {
    LapTable t;
    for (int r = 0; r < LapTable::RowCount; ++r)
        for (int c = 0; c < LapTable::ColumnCount; ++c)
            t.setCell(c, r, "junk");
    QSignalSpy reset(&t, &QAbstractItemModel::modelReset);
    t.resetLapGrid();
    QCOMPARE(reset.count(), 1);

    QCOMPARE(t.cell(0, 0), QString("ベスト"));
    for (int c = 1; c < 9; ++c)
        QCOMPARE(t.cell(c, 0), QString());
    const QStringList headings = {"ラップ",  "タイム", "セクタ1",  "セクタ2", "セクタ3",
                                  "セクタ4", "最高速", "平均速度", "備考"};
    for (int c = 0; c < 9; ++c)
        QCOMPARE(t.cell(c, 1), headings[c]);
    QCOMPARE(t.cell(0, 2), QString("001"));
    QCOMPARE(t.cell(0, 11), QString("010"));
    QCOMPARE(t.cell(0, 101), QString("100"));
    QCOMPARE(t.cell(0, 301), QString("300"));
    for (int r = 2; r < 302; ++r)
        for (int c = 1; c < 9; ++c)
            QVERIFY(t.cell(c, r).isEmpty());
    QCOMPARE(t.data(t.index(1, 8)).toString(), QString("備考"));
    QCOMPARE(t.data(t.index(5, 3), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

void TestLapTable::resetKeepsSummaryAndMarks() {
    LapTable t;
    t.lapCount = 12;
    t.bestLapMark = 4;
    t.lastLiveRow = 9;
    t.sectorIndex = 2;
    t.resetLapGrid();
    QCOMPARE(t.lapCount, 12);
    QCOMPARE(t.bestLapMark, 4);
    QCOMPARE(t.lastLiveRow, 9);
    QCOMPARE(t.sectorIndex, 2);

    t.clearLapInfo();
    t.clearMarks();
    QCOMPARE(t.lapCount, 0);
    QCOMPARE(t.bestLapMark, 0);
}

void TestLapTable::outOfRangeCells() {
    LapTable t;
    QSignalSpy changed(&t, &QAbstractItemModel::dataChanged);
    t.setCell(9, 2, "x");
    t.setCell(0, 302, "x");
    t.setCell(-1, 0, "x");
    QCOMPARE(changed.count(), 0);
    QCOMPARE(t.cell(9, 2), QString());
    QCOMPARE(t.cell(0, -1), QString());
    QVERIFY(!t.data(t.index(302, 0)).isValid());
}

void TestLapTable::onlyLapRemarksEditable_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editable");
    QTest::newRow("remarks lap 1") << 8 << 2 << true;
    QTest::newRow("remarks lap 300") << 8 << 301 << true;
    QTest::newRow("remarks heading") << 8 << 1 << false;
    QTest::newRow("lap count cell") << 8 << 0 << false;
    QTest::newRow("lap number") << 0 << 2 << false;
    QTest::newRow("lap time") << 1 << 2 << false;
    QTest::newRow("average speed") << 7 << 150 << false;
}

void TestLapTable::onlyLapRemarksEditable() {
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(bool, editable);
    LapTable t;
    const Qt::ItemFlags f = t.flags(t.index(row, col));
    QCOMPARE(f.testFlag(Qt::ItemIsEditable), editable);
    QVERIFY(f.testFlag(Qt::ItemIsEnabled));
}

void TestLapTable::highlight_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<LapTable::Highlight>("highlight");
    // Marks: best lap 7, top speed 3, fastest sectors 7, 12, 0, 9.
    QTest::newRow("best lap time") << 1 << 8 << LapTable::Highlight::Blue;
    QTest::newRow("best lap average") << 7 << 8 << LapTable::Highlight::Red;
    QTest::newRow("best lap number stays fixed") << 0 << 8 << LapTable::Highlight::Fixed;
    QTest::newRow("best lap top speed") << 6 << 8 << LapTable::Highlight::Plain;
    QTest::newRow("best lap sector 1") << 2 << 8 << LapTable::Highlight::Blue;
    QTest::newRow("best lap remarks") << 8 << 8 << LapTable::Highlight::Plain;
    QTest::newRow("top speed") << 6 << 4 << LapTable::Highlight::Red;
    QTest::newRow("top speed lap time") << 1 << 4 << LapTable::Highlight::Plain;
    QTest::newRow("sector 2") << 3 << 13 << LapTable::Highlight::Blue;
    QTest::newRow("sector 4") << 5 << 10 << LapTable::Highlight::Blue;
    QTest::newRow("sector 3 mark 0") << 4 << 1 << LapTable::Highlight::Fixed;
    QTest::newRow("sector 3 lap 1") << 4 << 2 << LapTable::Highlight::Plain;
    QTest::newRow("summary row") << 1 << 0 << LapTable::Highlight::Fixed;
    QTest::newRow("other") << 1 << 9 << LapTable::Highlight::Plain;
}

void TestLapTable::highlight() {
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(LapTable::Highlight, highlight);
    LapTable t;
    t.bestLapMark = 7;
    t.topSpeedMark = 3;
    t.fastestSectorMark = {7, 12, 0, 9};
    QCOMPARE(t.highlightAt(col, row), highlight);
    QCOMPARE(t.data(t.index(row, col), LapTable::HighlightRole).toInt(), int(highlight));
}

void TestLapTable::noMarksNoColour_data() {
    // Every mark set to one value that names no lap row (from a reply or a file).
    QTest::addColumn<int>("mark");
    QTest::newRow("no marks") << 0;
    QTest::newRow("lap 301") << 301;
    QTest::newRow("negative") << -7;
    QTest::newRow("largest integer") << 2147483647;
    QTest::newRow("smallest integer") << int(-2147483647 - 1);
}

void TestLapTable::noMarksNoColour() {
    QFETCH(int, mark);
    LapTable t;
    t.bestLapMark = mark;
    t.topSpeedMark = mark;
    t.fastestSectorMark.fill(mark);
    for (int r = 2; r < LapTable::RowCount; ++r)
        for (int c = 1; c < LapTable::ColumnCount; ++c)
            QCOMPARE(t.highlightAt(c, r), LapTable::Highlight::Plain);
    // Lap 300, the last one, still has its row.
    t.bestLapMark = 300;
    QCOMPARE(t.highlightAt(1, 301), LapTable::Highlight::Blue);
}

void TestLapTable::clearMarksRepaints() {
    LapTable t;
    t.bestLapMark = 7;
    QSignalSpy changed(&t, &QAbstractItemModel::dataChanged);
    t.clearMarks();
    QCOMPARE(changed.count(), 1);
    const auto roles = changed.first().at(2).value<QList<int>>();
    QVERIFY(roles.contains(LapTable::HighlightRole));
    QCOMPARE(t.highlightAt(1, 8), LapTable::Highlight::Plain);
}

void TestLapTable::batchEmitsOnce() {
    LapTable t;
    QSignalSpy changed(&t, &QAbstractItemModel::dataChanged);
    {
        LapTable::Batch outer(t);
        t.setCell(1, 5, "a");
        {
            LapTable::Batch inner(t);
            t.setCell(3, 40, "b");
        }
        t.setCell(2, 9, "c");
        QCOMPARE(changed.count(), 0);
    }
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).value<QModelIndex>(), t.index(5, 1));
    QCOMPARE(changed.first().at(1).value<QModelIndex>(), t.index(40, 3));

    // Outside a batch each write is announced at once; an unchanged text is not.
    t.setCell(8, 2, "x");
    t.setCell(8, 2, "x");
    QCOMPARE(changed.count(), 2);
}

void TestLapTable::setDataWritesCell() {
    LapTable t;
    QVERIFY(t.setData(t.index(2, 8), "rain"));
    QCOMPARE(t.cell(8, 2), QString("rain"));
    QVERIFY(!t.setData(t.index(2, 8), "x", LapTable::HighlightRole));
}

void TestLapTable::topRowToShow_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("visible");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("wholeTop"); // topRowShowingWhole
    QTest::newRow("in view") << 10 << 2 << 20 << 2 << 2;
    QTest::newRow("just past the visible count") << 22 << 2 << 20 << 2 << 3;
    QTest::newRow("below the view") << 23 << 2 << 20 << 4 << 4;
    QTest::newRow("last lap") << 301 << 2 << 20 << 282 << 282;
    QTest::newRow("above the view") << 10 << 50 << 20 << 9 << 9;
    QTest::newRow("first lap row from below") << 2 << 50 << 20 << 2 << 2;
    QTest::newRow("never above row 2") << 1 << 50 << 20 << 2 << 2;
    QTest::newRow("no fully visible row") << 40 << 2 << 0 << 41 << 41;
}

void TestLapTable::topRowToShow() {
    QFETCH(int, row);
    QFETCH(int, top);
    QFETCH(int, visible);
    QFETCH(int, newTop);
    QFETCH(int, wholeTop);
    QCOMPARE(LapTable::topRowToShow(row, top, visible), newTop);
    QCOMPARE(LapTable::topRowShowingWhole(row, top, visible), wholeTop);
}

QTEST_GUILESS_MAIN(TestLapTable)
#include "tst_laptable.moc"
