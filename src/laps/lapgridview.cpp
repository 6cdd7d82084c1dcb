#include "laps/lapgridview.h"

#include "laps/lapgridrules.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

namespace {

constexpr int MinColumnWidth = 5;
constexpr int ResizeGrip = 3; // pixels either side of a column edge that start a resize

QColor resolveColour(GridColour colour, const QPalette& palette) {
    switch (colour) {
    case GridColour::ButtonFace:
        return palette.color(QPalette::Button);
    case GridColour::Window:
        return palette.color(QPalette::Base);
    case GridColour::WindowText:
        return palette.color(QPalette::Text);
    default:
        return QColor::fromRgb(fixedColourRgb(colour));
    }
}

QColor gridLineColour(const QWidget* widget) {
    QStyleOptionViewItem option;
    option.initFrom(widget);
    return QColor::fromRgba(
        QRgb(widget->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, widget)));
}

// Fills the cell and draws its text centred on one line, clipped to the cell.
void paintCell(QPainter* painter, const QRect& rect, const QString& text,
               LapTable::Highlight highlight, const QPalette& palette, const QFont& font) {
    const CellColours colours = cellColours(highlight);
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, resolveColour(colours.background, palette));
    painter->setPen(resolveColour(colours.text, palette));
    painter->setFont(font);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

// A fixed cell drawn outside the table's viewport, with its grid lines right and below.
void paintFixedCell(QPainter* painter, const QRect& outer, const LapTable* table, int col, int row,
                    const QWidget* grid) {
    const QString text = table ? table->cell(col, row) : QString();
    paintCell(painter, outer.adjusted(0, 0, -1, -1), text, LapTable::Highlight::Fixed,
              grid->palette(), grid->font());
    painter->save();
    painter->setPen(gridLineColour(grid));
    painter->drawLine(outer.topRight(), outer.bottomRight());
    painter->drawLine(outer.bottomLeft(), outer.bottomRight());
    painter->restore();
}

class LapCellDelegate : public QStyledItemDelegate {
public:
    LapCellDelegate(QObject* parent, std::function<void(QWidget*)> onEditor)
        : QStyledItemDelegate(parent), onEditor_(std::move(onEditor)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto highlight =
            static_cast<LapTable::Highlight>(index.data(LapTable::HighlightRole).toInt());
        paintCell(painter, option.rect, index.data(Qt::DisplayRole).toString(), highlight,
                  option.palette, option.font);
        // The highlight colours always win; a selection shows as a frame around the cells.
        if (option.state & QStyle::State_Selected) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Highlight));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->save();
            QPen pen(option.palette.color(QPalette::Text));
            pen.setStyle(Qt::DotLine);
            painter->setPen(pen);
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
            painter->restore();
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor && onEditor_)
            onEditor_(editor);
        return editor;
    }

private:
    std::function<void(QWidget*)> onEditor_;
};

// Horizontal header drawing the summary row and the heading row above every column.
class FixedRowsHeader : public QHeaderView {
public:
    explicit FixedRowsHeader(LapGridView* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {}

    // The grid asks only for the height; the base class would measure the texts of
    // every column each time the layout changes.
    QSize sizeHint() const override { return {length(), grid_->fixedRowsHeight()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid())
            return;
        for (int row = 0; row < LapGridView::FixedRowCount; ++row) {
            const QRect cell(rect.left(), rect.top() + row * LapGridView::RowHeight, rect.width(),
                             LapGridView::RowHeight);
            paintFixedCell(painter, cell, grid_->lapTable(), logicalIndex, row, grid_);
        }
    }

private:
    LapGridView* grid_;
};

// Vertical header drawing the lap numbers of the lap number column.
class FixedColumnHeader : public QHeaderView {
public:
    explicit FixedColumnHeader(LapGridView* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {}

    // The grid takes only the width of its vertical header; asking the base class would
    // measure the texts of the 302 rows each time the layout changes.
    QSize sizeHint() const override { return {grid_->fixedColumnWidth(), defaultSectionSize()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (rect.isValid())
            paintFixedCell(painter, rect, grid_->lapTable(), LapTable::ColLap, logicalIndex, grid_);
    }

private:
    LapGridView* grid_;
};

} // namespace

// The two fixed cells of the lap number column above the lap numbers; its right edge resizes
// that column.
class LapGridCorner : public QWidget {
public:
    explicit LapGridCorner(LapGridView* grid) : QWidget(grid), grid_(grid) {
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int row = 0; row < LapGridView::FixedRowCount; ++row) {
            const QRect cell(0, row * LapGridView::RowHeight, width(), LapGridView::RowHeight);
            paintFixedCell(&painter, cell, grid_->lapTable(), LapTable::ColLap, row, grid_);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        resizing_ = event->button() == Qt::LeftButton && nearEdge(event->position().x());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const int x = qRound(event->position().x());
        if (resizing_)
            grid_->setGridColumnWidth(LapTable::ColLap, x);
        else
            setCursor(nearEdge(x) ? Qt::SplitHCursor : Qt::ArrowCursor);
    }
    void mouseReleaseEvent(QMouseEvent*) override { resizing_ = false; }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            emit grid_->gridDoubleClicked();
    }

private:
    bool nearEdge(double x) const { return std::abs(x - width()) <= ResizeGrip; }

    LapGridView* grid_;
    bool resizing_ = false;
};

LapGridView::LapGridView(QWidget* parent) : QTableView(parent) {
    widths_.fill(DefaultColumnWidth);

    auto* rows = new FixedRowsHeader(this);
    rows->setSectionsClickable(false);
    rows->setHighlightSections(false);
    rows->setMinimumSectionSize(MinColumnWidth);
    rows->setDefaultSectionSize(DefaultColumnWidth);
    rows->setSectionResizeMode(QHeaderView::Interactive);
    setHorizontalHeader(rows);
    // A double-click on a column edge is the clear request, not a resize to the contents.
    disconnect(rows, SIGNAL(sectionHandleDoubleClicked(int)), this,
               SLOT(resizeColumnToContents(int)));

    auto* laps = new FixedColumnHeader(this);
    laps->setSectionsClickable(false);
    laps->setHighlightSections(false);
    laps->setMinimumSectionSize(1);
    laps->setDefaultSectionSize(RowHeight);
    laps->setSectionResizeMode(QHeaderView::Fixed);
    setVerticalHeader(laps);

    corner_ = new LapGridCorner(this);
    setCornerButtonEnabled(false);

    setItemDelegate(new LapCellDelegate(this, [this](QWidget* editor) { editorCreated(editor); }));
    setShowGrid(true);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(true);
    setEditTriggers(NoEditTriggers);

    rows->viewport()->installEventFilter(this);
    laps->viewport()->installEventFilter(this);
    connect(rows, &QHeaderView::sectionResized, this, [this](int col, int, int size) {
        if (!applyingWidths_ && col > LapTable::ColLap && col < LapTable::ColumnCount &&
            !horizontalHeader()->isSectionHidden(col))
            widths_[col] = size;
    });
}

void LapGridView::setLapTable(LapTable* t) {
    setModel(t);
}

void LapGridView::setModel(QAbstractItemModel* model) {
    if (model == QTableView::model())
        return;
    if (table_)
        disconnect(table_, nullptr, this, nullptr);
    QTableView::setModel(model);
    table_ = qobject_cast<LapTable*>(model);
    if (table_) {
        // Connected after the headers, so the fixed parts are restored after they reset.
        connect(table_, &QAbstractItemModel::modelReset, this, &LapGridView::applyFixedParts);
        connect(table_, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex&) {
                    if (topLeft.row() < FixedRowCount || topLeft.column() == LapTable::ColLap)
                        repaintFixedParts();
                });
    }
    applyFixedParts();
}

void LapGridView::applyFixedParts() {
    applyingWidths_ = true;
    for (int row = 0; row < FixedRowCount; ++row)
        setRowHidden(row, true);
    setColumnHidden(LapTable::ColLap, true); // drawn by the vertical header
    for (int col = 0; col < LapTable::ColumnCount; ++col) {
        if (col != LapTable::ColLap)
            setColumnWidth(col, widths_[col]);
    }
    applyingWidths_ = false;
    updateGeometries();
    repaintFixedParts();
}

void LapGridView::repaintFixedParts() {
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    corner_->update();
}

void LapGridView::resetLapGrid() {
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(true);
    if (table_)
        table_->resetLapGrid();
    setGridColumnWidth(LapTable::ColLap, 35);
    setGridColumnWidth(LapTable::ColTopSpeed, 50);
    setGridColumnWidth(LapTable::ColRemarks, 140);
    rowToShow_ = -1;
    setTopRow(LapTable::FirstLapRow);
    viewport()->update();
}

int LapGridView::gridColumnWidth(int col) const {
    if (col < 0 || col >= LapTable::ColumnCount)
        return 0;
    return widths_[col];
}

void LapGridView::setGridColumnWidth(int col, int width) {
    if (col < 0 || col >= LapTable::ColumnCount)
        return;
    widths_[col] = std::max(width, MinColumnWidth);
    if (col == LapTable::ColLap) {
        verticalHeader()->updateGeometry();
        updateGeometries();
        repaintFixedParts();
    } else {
        setColumnWidth(col, widths_[col]);
    }
}

int LapGridView::topRow() const {
    const int row = rowAt(0);
    return row < 0 ? FixedRowCount : row;
}

int LapGridView::visibleRowCount() const {
    return std::max(0, viewport()->height() / RowHeight);
}

void LapGridView::setTopRow(int row) {
    // Per-row scrolling over the visible rows: value 0 shows the first lap row.
    verticalScrollBar()->setValue(std::max(row, FixedRowCount) - FixedRowCount);
}

void LapGridView::scrollToRow(int row) {
    // The row right below the last fully visible one lies in part under the horizontal
    // scroll bar; the newest live lap lands there every other time, so it is scrolled too.
    const int top = topRow();
    const int newTop = LapTable::topRowShowingWhole(row, top, visibleRowCount());
    if (newTop != top)
        setTopRow(newTop);
    // A hidden page is laid out only when it is shown; until then the viewport keeps an
    // old height and the rows counted as visible are wrong.
    rowToShow_ = isVisible() ? -1 : row;
}

void LapGridView::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    // The rule counted the rows of the old height (a whole row more where the horizontal
    // scroll bar now sits): the row asked for is brought fully into view at the real one.
    if (rowToShow_ >= 0) {
        setTopRow(LapTable::topRowShowingWhole(rowToShow_, topRow(), visibleRowCount()));
        rowToShow_ = -1;
    }
}

void LapGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!current.isValid())
        return;
    selCol_ = current.column();
    selRow_ = current.row();
    emit cellSelected(selCol_, selRow_);
    // Only the remarks column can be edited; leaving it turns editing off again.
    setEditTriggers(selCol_ == LapTable::ColRemarks
                        ? (EditKeyPressed | AnyKeyPressed | SelectedClicked)
                        : NoEditTriggers);
}

void LapGridView::keyPressEvent(QKeyEvent* event) {
    // Tab and Shift+Tab move between cells and wrap around, so without a way out the
    // grid would hold the keyboard focus for good: Ctrl+Tab and Ctrl+Shift+Tab leave it
    // for the next or previous control.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        const bool next = event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(next); // past the cell-by-cell Tab of the item view
        event->accept();
        return;
    }
    if (!event->text().isEmpty() && currentIndex().isValid() &&
        currentIndex().column() == LapTable::ColRemarks)
        emit remarksTyped();
    // A key that opens the editor reaches the editor too; it has been counted already.
    inKeyPress_ = true;
    QTableView::keyPressEvent(event);
    inKeyPress_ = false;
}

void LapGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit gridDoubleClicked();
}

void LapGridView::updateGeometries() {
    QTableView::updateGeometries();
    const int frame = frameWidth();
    corner_->setGeometry(frame, frame, verticalHeader()->width(), horizontalHeader()->height());
    corner_->raise();
}

void LapGridView::editorCreated(QWidget* editor) {
    editor->installEventFilter(this);
}

bool LapGridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader()->viewport() || watched == verticalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            emit gridDoubleClicked();
            return true;
        }
        return QTableView::eventFilter(watched, event);
    }
    if (qobject_cast<QLineEdit*>(watched) && watched->parent() == viewport()) {
        if (event->type() == QEvent::KeyPress && !inKeyPress_ &&
            !static_cast<QKeyEvent*>(event)->text().isEmpty())
            emit remarksTyped();
        else if (event->type() == QEvent::InputMethod &&
                 !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty())
            emit remarksTyped();
    }
    return QTableView::eventFilter(watched, event);
}
