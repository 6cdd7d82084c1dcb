#pragma once
// The lap grid: a table view over the LapTable whose summary row, heading row and lap-number
// column stay in place while the laps scroll (they are drawn by the view's two headers and a
// corner piece), with the highlight colours of the best values and editing of the remarks.
#include "laps/laptable.h"

#include <QTableView>

#include <array>

class QKeyEvent;

class LapGridView : public QTableView {
    Q_OBJECT

public:
    static constexpr int DefaultColumnWidth = 60;
    static constexpr int RowHeight = 18;
    static constexpr int FixedRowCount = LapTable::FirstLapRow; // the summary and heading rows

    explicit LapGridView(QWidget* parent = nullptr);

    // Shows table (also reachable through setModel with a LapTable).
    void setLapTable(LapTable* table);
    LapTable* lapTable() const { return table_; }
    void setModel(QAbstractItemModel* model) override;

    // Empties and re-labels the table, sets the widths of the lap number, top speed and remarks
    // columns to 35, 50 and 140, turns remarks editing off and Tab-key navigation on, and
    // shows the first lap row at the top.
    void resetLapGrid();

    // Brings row fully into view by the lap table's scroll rule (a row below the view,
    // the one partly shown included, becomes the last fully visible one, a row above it
    // the second). While the grid is hidden its size is not known yet: the row is
    // brought fully into view when it is shown.
    void scrollToRow(int row);
    // First scrollable row shown (LapTable::FirstLapRow when scrolled to the top).
    int topRow() const;
    // Number of fully visible scrollable rows.
    int visibleRowCount() const;
    void setTopRow(int row);

    // The cell last selected, -1 and 0 until the user selects one.
    int selectedCol() const { return selCol_; }
    int selectedRow() const { return selRow_; }
    // Remarks editing is on while the selected cell is in the remarks column.
    bool remarksEditable() const { return editTriggers() != NoEditTriggers; }

    // Column widths including the fixed lap number column.
    int gridColumnWidth(int col) const;
    void setGridColumnWidth(int col, int width);

    // Height of the fixed rows and width of the fixed column, in pixels (for tests and
    // layout).
    int fixedRowsHeight() const { return FixedRowCount * RowHeight; }
    int fixedColumnWidth() const { return widths_[LapTable::ColLap]; }

signals:
    // The user selected a cell (keyboard or mouse); col and row are grid coordinates.
    void cellSelected(int col, int row);
    // A left double-click anywhere on the grid, fixed cells included: the clear request.
    void gridDoubleClicked();
    // A character key was typed while the remarks column is current, in the grid or in the
    // remarks editor: the remarks have been edited.
    void remarksTyped();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void updateGeometries() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class LapGridCorner;
    void applyFixedParts();
    void editorCreated(QWidget* editor);
    void repaintFixedParts();

    LapTable* table_ = nullptr;
    QWidget* corner_ = nullptr;
    std::array<int, LapTable::ColumnCount> widths_;
    int selCol_ = -1;
    int selRow_ = 0;
    int rowToShow_ = -1; // asked for while hidden; -1: none
    bool applyingWidths_ = false;
    bool inKeyPress_ = false;
};
