// The lap grid widget: fixed rows and column, highlight colours, remarks editing, the clear
// request, column widths and the scroll rule.
#include "laps/lapgridview.h"
#include "support/lapfill.h"
#include "support/windowcheck.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

struct Grid {
    LapTable table;
    LapGridView view;
    Grid() {
        view.setLapTable(&table);
        view.resize(640, 420);
        view.resetLapGrid();
        view.show();
    }
    // A point inside the cell (col >= 1, row >= 2) in the view's own coordinates.
    QPoint cellPoint(int col, int row, QPoint inset = {3, 3}) const {
        const QRect r = view.visualRect(table.index(row, col));
        return view.viewport()->mapTo(&view, r.topLeft() + inset);
    }
    QPoint viewportCellCentre(int col, int row) const {
        return view.visualRect(table.index(row, col)).center();
    }
    // A point inside a fixed cell of column 0 (row >= 2) or of rows 0-1 (col >= 1).
    QPoint lapNumberPoint(int row) const {
        QHeaderView* h = view.verticalHeader();
        return h->viewport()->mapTo(&view, QPoint(3, h->sectionViewportPosition(row) + 3));
    }
    QPoint headingPoint(int col, int row) const {
        QHeaderView* h = view.horizontalHeader();
        return h->viewport()->mapTo(
            &view, QPoint(h->sectionViewportPosition(col) + 3, row * LapGridView::RowHeight + 3));
    }
};

QColor pixel(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

int countColour(const QImage& image, const QRect& rect, const QColor& colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

class TestLapGridView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void resetSetsWidthsAndKeepsUserWidths();
    void fixedPartsSurviveTableReset();
    void highlightColoursAtMarkedCells();
    void frozenRowsStayVisibleAfterScrollingTo300();
    void scrollRule_data();
    void scrollRule();
    void editingOnlyInRemarksColumn();
    void typingInRemarksReportsEdit();
    void resetTurnsEditingOff();
    void doubleClickAnywhereAsksToClear();
    void columnsResizeInTheFixedRows();
    void screenshots();
};

void TestLapGridView::initTestCase() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);
}

void TestLapGridView::resetSetsWidthsAndKeepsUserWidths() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    const int expected[LapTable::ColumnCount] = {35, 60, 60, 60, 60, 60, 50, 60, 140};
    for (int col = 0; col < LapTable::ColumnCount; ++col)
        QCOMPARE(g.view.gridColumnWidth(col), expected[col]);
    QCOMPARE(g.view.columnWidth(8), 140);
    QCOMPARE(g.view.rowHeight(2), 18);
    QCOMPARE(g.view.verticalHeader()->width(), 35);
    QCOMPARE(g.view.horizontalHeader()->height(), 36);
    QVERIFY(g.view.showGrid());
    QVERIFY(g.view.tabKeyNavigation());
    QCOMPARE(g.view.selectionMode(), QAbstractItemView::ContiguousSelection);

    g.view.horizontalHeader()->resizeSection(3, 85);
    g.view.setGridColumnWidth(6, 70);
    g.view.resetLapGrid();
    QCOMPARE(g.view.columnWidth(3), 85);
    QCOMPARE(g.view.gridColumnWidth(3), 85);
    QCOMPARE(g.view.columnWidth(6), 50);
}

void TestLapGridView::fixedPartsSurviveTableReset() {
    Grid g;
    g.view.setGridColumnWidth(2, 77);
    g.table.resetLapGrid(); // a reset that does not go through the view
    QVERIFY(g.view.isRowHidden(0));
    QVERIFY(g.view.isRowHidden(1));
    QVERIFY(g.view.isColumnHidden(0));
    QCOMPARE(g.view.columnWidth(2), 77);
    QCOMPARE(g.view.topRow(), 2);
}

void TestLapGridView::highlightColoursAtMarkedCells() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    lapfill::fillLaps(g.table, 20);
    g.table.bestLapMark = 7;
    g.table.topSpeedMark = 3;
    g.table.fastestSectorMark = {5, 0, 0, 9};
    g.table.notifyHighlightsChanged();
    const QImage image = g.view.grab().toImage();
    const QColor blue(0, 0, 255), red(255, 0, 0), white(255, 255, 255);
    const QColor base = g.view.palette().color(QPalette::Base);
    const QColor button = g.view.palette().color(QPalette::Button);

    QCOMPARE(pixel(image, g.cellPoint(1, 8)), blue);  // best lap time
    QCOMPARE(pixel(image, g.cellPoint(7, 8)), red);   // best lap average speed
    QCOMPARE(pixel(image, g.cellPoint(6, 4)), red);   // top speed
    QCOMPARE(pixel(image, g.cellPoint(2, 6)), blue);  // sector 1
    QCOMPARE(pixel(image, g.cellPoint(5, 10)), blue); // sector 4
    QCOMPARE(pixel(image, g.cellPoint(3, 10)), base); // a mark of 0 colours nothing
    QCOMPARE(pixel(image, g.cellPoint(1, 7)), base);
    QCOMPARE(pixel(image, g.cellPoint(6, 8)), base);
    QCOMPARE(pixel(image, g.lapNumberPoint(8)), button); // column 0 keeps the button face
    QCOMPARE(pixel(image, g.headingPoint(1, 0)), button);
    QCOMPARE(pixel(image, g.headingPoint(7, 1)), button);

    // The text of a highlighted cell is white.
    const QRect best(g.cellPoint(1, 8, {0, 0}), QSize(g.view.columnWidth(1) - 1, 17));
    QVERIFY(countColour(image, best, white) > 10);
    QVERIFY(countColour(image, best, blue) > 500);
}

void TestLapGridView::frozenRowsStayVisibleAfterScrollingTo300() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    lapfill::fillLaps(g.table);
    QApplication::processEvents();
    const QImage before = g.view.grab().toImage();
    g.view.scrollToRow(LapTable::rowOfLap(300));
    QApplication::processEvents();
    const QImage after = g.view.grab().toImage();

    QVERIFY(g.view.topRow() > 250);
    const int last = LapTable::rowOfLap(300);
    QVERIFY(g.view.rowViewportPosition(last) >= 0);
    QVERIFY(g.view.rowViewportPosition(last) + 18 <= g.view.viewport()->height());

    // Rows 0-1 (and the corner) look the same as before the scroll.
    const int frame = g.view.frameWidth();
    const QRect fixedRows(frame, frame, g.view.viewport()->width() + 35, 36);
    QCOMPARE(after.copy(fixedRows), before.copy(fixedRows));
    // The lap-number column still shows button-face cells, now with later laps.
    QHeaderView* laps = g.view.verticalHeader();
    QVERIFY(laps->isVisible());
    QCOMPARE(laps->logicalIndexAt(0), g.view.topRow());
    QCOMPARE(pixel(after, g.lapNumberPoint(last)), g.view.palette().color(QPalette::Button));
    const QRect lapColumn(frame, frame + 36, 35, g.view.viewport()->height());
    QVERIFY(after.copy(lapColumn) != before.copy(lapColumn));
}

void TestLapGridView::scrollRule_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("rowOffset"); // row = top + visible + rowOffset, or absolute if top<0
    QTest::addColumn<int>("expectedOffset");
    // A row two below the last fully visible one becomes the last fully visible one.
    QTest::newRow("below the view") << 2 << 1 << 2;
    // Exactly one below, in part under the scroll bar: it becomes the last fully visible one
    // too, so that every new live lap is seen whole.
    QTest::newRow("just below") << 2 << 0 << 1;
    QTest::newRow("inside") << 2 << -3 << 0;
}

void TestLapGridView::scrollRule() {
    QFETCH(int, top);
    QFETCH(int, rowOffset);
    QFETCH(int, expectedOffset);
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    g.view.setTopRow(top);
    QCOMPARE(g.view.topRow(), top);
    const int visible = g.view.visibleRowCount();
    QVERIFY(visible > 5);
    g.view.scrollToRow(top + visible + rowOffset);
    QCOMPARE(g.view.topRow(), top + expectedOffset);
    if (expectedOffset > 0) {
        const int row = top + visible + rowOffset;
        QCOMPARE(g.view.rowViewportPosition(row) + 18, visible * 18); // last fully visible
    }
    // A row above the view is shown second from the top, never above row 2.
    g.view.setTopRow(100);
    g.view.scrollToRow(50);
    QCOMPARE(g.view.topRow(), 49);
    g.view.scrollToRow(2);
    QCOMPARE(g.view.topRow(), 2);
}

void TestLapGridView::editingOnlyInRemarksColumn() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    QSignalSpy selected(&g.view, &LapGridView::cellSelected);

    QTest::mouseClick(g.view.viewport(), Qt::LeftButton, {}, g.viewportCellCentre(3, 5));
    QCOMPARE(g.view.selectedCol(), 3);
    QCOMPARE(g.view.selectedRow(), 5);
    QCOMPARE(selected.last(), (QList<QVariant>{3, 5}));
    QVERIFY(!g.view.remarksEditable());
    QTest::keyClicks(&g.view, QStringLiteral("ab"));
    QCOMPARE(g.table.cell(3, 5), QString());

    QTest::mouseClick(g.view.viewport(), Qt::LeftButton, {}, g.viewportCellCentre(8, 5));
    QCOMPARE(g.view.selectedCol(), 8);
    QVERIFY(g.view.remarksEditable());
    // Moving away with the keyboard turns editing off again.
    QTest::keyClick(&g.view, Qt::Key_Left);
    QCOMPARE(g.view.selectedCol(), 7);
    QVERIFY(!g.view.remarksEditable());
}

void TestLapGridView::typingInRemarksReportsEdit() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    QSignalSpy typed(&g.view, &LapGridView::remarksTyped);
    g.view.setCurrentIndex(g.table.index(4, 3));
    QTest::keyClick(&g.view, Qt::Key_A);
    QCOMPARE(typed.count(), 0);

    g.view.setCurrentIndex(g.table.index(4, 8));
    QTest::keyClick(&g.view, Qt::Key_Right); // no character: not an edit
    QCOMPARE(typed.count(), 0);
    QTest::keyClicks(&g.view, QStringLiteral("x"));
    QCOMPARE(typed.count(), 1);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("yz"));
    QCOMPARE(typed.count(), 3);
    QTest::keyClick(editor, Qt::Key_Return); // the delegate commits on its next event pass
    QTRY_COMPARE(g.table.cell(8, 4), QStringLiteral("xyz"));
}

void TestLapGridView::resetTurnsEditingOff() {
    Grid g;
    QCOMPARE(g.view.selectedCol(), -1); // nothing selected yet
    QCOMPARE(g.view.selectedRow(), 0);
    g.view.setCurrentIndex(g.table.index(6, 8));
    QVERIFY(g.view.remarksEditable());
    g.view.resetLapGrid();
    QVERIFY(!g.view.remarksEditable());
}

void TestLapGridView::doubleClickAnywhereAsksToClear() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    QSignalSpy clear(&g.view, &LapGridView::gridDoubleClicked);
    QTest::mouseDClick(g.view.viewport(), Qt::LeftButton, {}, g.viewportCellCentre(2, 4));
    QCOMPARE(clear.count(), 1);
    QHeaderView* rows = g.view.horizontalHeader();
    QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {},
                       QPoint(rows->sectionViewportPosition(2) + 20, 10));
    QCOMPARE(clear.count(), 2);
    QHeaderView* laps = g.view.verticalHeader();
    QTest::mouseDClick(laps->viewport(), Qt::LeftButton, {}, QPoint(10, 30));
    QCOMPARE(clear.count(), 3);
    QWidget* corner = g.view.childAt(g.view.frameWidth() + 5, g.view.frameWidth() + 5);
    QVERIFY(corner);
    QTest::mouseDClick(corner, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clear.count(), 4);
    // A double-click on a column edge resizes nothing to its contents.
    QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {},
                       QPoint(rows->sectionViewportPosition(2) + rows->sectionSize(2) - 1, 10));
    QCOMPARE(clear.count(), 5);
    QCOMPARE(g.view.columnWidth(2), 60);
}

void TestLapGridView::columnsResizeInTheFixedRows() {
    Grid g;
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    QHeaderView* rows = g.view.horizontalHeader();
    const int edge = rows->sectionViewportPosition(1) + rows->sectionSize(1) - 1;
    QTest::mousePress(rows->viewport(), Qt::LeftButton, {}, QPoint(edge, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(edge + 30, 10),
                     rows->viewport()->mapToGlobal(QPointF(edge + 30, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rows->viewport(), &move);
    QTest::mouseRelease(rows->viewport(), Qt::LeftButton, {}, QPoint(edge + 30, 10));
    QCOMPARE(g.view.columnWidth(1), 90);
    QCOMPARE(g.view.gridColumnWidth(1), 90);

    // Column 0 is resized at the corner's right edge.
    QWidget* corner = g.view.childAt(g.view.frameWidth() + 5, g.view.frameWidth() + 5);
    QVERIFY(corner);
    QTest::mousePress(corner, Qt::LeftButton, {}, QPoint(corner->width() - 1, 5));
    QMouseEvent wider(QEvent::MouseMove, QPointF(55, 5), corner->mapToGlobal(QPointF(55, 5)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(corner, &wider);
    QTest::mouseRelease(corner, Qt::LeftButton, {}, QPoint(55, 5));
    QCOMPARE(g.view.gridColumnWidth(0), 55);
    QCOMPARE(g.view.verticalHeader()->width(), 55);
}

void TestLapGridView::screenshots() {
    Grid g;
    g.view.resize(460, 520);
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    lapfill::fillLaps(g.table);
    QApplication::processEvents();
    g.view.grab().toImage().save(windowcheck::screenshotPath(QStringLiteral("lapgrid_top")));
    g.view.scrollToRow(LapTable::rowOfLap(g.table.bestLapMark) + 10);
    g.view.setCurrentIndex(g.table.index(LapTable::rowOfLap(g.table.bestLapMark) + 2, 8));
    QApplication::processEvents();
    g.view.grab().toImage().save(windowcheck::screenshotPath(QStringLiteral("lapgrid_best")));
    g.view.scrollToRow(LapTable::rowOfLap(300));
    QApplication::processEvents();
    g.view.grab().toImage().save(windowcheck::screenshotPath(QStringLiteral("lapgrid_lap300")));
}

QTEST_MAIN(TestLapGridView)
#include "tst_lapgridview.moc"
