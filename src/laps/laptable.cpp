#include "laps/laptable.h"

#include <algorithm>
#include <iterator>

namespace {

bool inGrid(int col, int row) {
    return col >= 0 && col < LapTable::ColumnCount && row >= 0 && row < LapTable::RowCount;
}

} // namespace

LapTable::LapTable(QObject* parent) : QAbstractTableModel(parent) {
    cells_.resize(RowCount * ColumnCount);
    fillResetTexts();
}

LapTable::Batch::~Batch() {
    if (--t_.batchDepth_ == 0)
        t_.flushDirty();
}

int LapTable::topRowToShow(int row, int top, int visible) {
    if (row - top > visible)
        return std::max(row - visible + 1, FirstLapRow);
    if (row < top)
        return std::max(row - 1, FirstLapRow);
    return top;
}

int LapTable::topRowShowingWhole(int row, int top, int visible) {
    if (row == top + visible) // shown in part, below the last fully visible row
        return std::max(row - visible + 1, FirstLapRow);
    return topRowToShow(row, top, visible);
}

QString LapTable::cell(int col, int row) const {
    if (!inGrid(col, row))
        return {};
    return cells_.at(row * ColumnCount + col);
}

void LapTable::setCell(int col, int row, const QString& text) {
    if (!inGrid(col, row))
        return;
    QString& c = cells_[row * ColumnCount + col];
    if (c == text)
        return;
    c = text;
    markDirty(col, row);
}

void LapTable::markDirty(int col, int row) {
    if (dirtyTop_ < 0) {
        dirtyTop_ = dirtyBottom_ = row;
        dirtyLeft_ = dirtyRight_ = col;
    } else {
        dirtyTop_ = std::min(dirtyTop_, row);
        dirtyBottom_ = std::max(dirtyBottom_, row);
        dirtyLeft_ = std::min(dirtyLeft_, col);
        dirtyRight_ = std::max(dirtyRight_, col);
    }
    if (batchDepth_ == 0)
        flushDirty();
}

void LapTable::flushDirty() {
    if (dirtyTop_ < 0)
        return;
    const QModelIndex topLeft = index(dirtyTop_, dirtyLeft_);
    const QModelIndex bottomRight = index(dirtyBottom_, dirtyRight_);
    dirtyTop_ = dirtyBottom_ = dirtyLeft_ = dirtyRight_ = -1;
    emit dataChanged(topLeft, bottomRight, {Qt::DisplayRole, Qt::EditRole});
}

void LapTable::fillResetTexts() {
    std::fill(cells_.begin(), cells_.end(), QString());
    auto put = [this](int col, int row, const QString& text) {
        cells_[row * ColumnCount + col] = text;
    };
    put(ColLap, SummaryRow, QStringLiteral("ベスト"));
    // The heading of every column, in the order of LapTable::Column.
    static const char* const headings[] = {
        "ラップ",  "タイム", "セクタ1",  "セクタ2", "セクタ3",
        "セクタ4", "最高速", "平均速度", "備考",
    };
    static_assert(std::size(headings) == ColumnCount, "a heading for every column");
    for (int col = 0; col < ColumnCount; ++col)
        put(col, HeadingRow, QString::fromUtf8(headings[col]));
    for (int lap = 1; lap <= MaxLaps; ++lap)
        put(ColLap, rowOfLap(lap), QString::asprintf("%03d", lap));
}

void LapTable::resetLapGrid() {
    beginResetModel();
    fillResetTexts();
    dirtyTop_ = dirtyBottom_ = dirtyLeft_ = dirtyRight_ = -1;
    endResetModel();
}

void LapTable::clearLapInfo() {
    lapCount = 0;
    bestLap = 0;
    topSpeedLap = 0;
    sectorCount = 0;
    fastestSectorLap.fill(0);
}

void LapTable::clearMarks() {
    bestLapMark = 0;
    topSpeedMark = 0;
    fastestSectorMark.fill(0);
    notifyHighlightsChanged();
}

void LapTable::notifyHighlightsChanged() {
    // Only the time, sector, top speed and average columns of lap rows can carry a mark.
    emit dataChanged(index(FirstLapRow, ColTime), index(RowCount - 1, ColAverage), {HighlightRole});
}

LapTable::Highlight LapTable::highlightAt(int col, int row) const {
    if (!inGrid(col, row))
        return Highlight::Plain;
    if (col == ColLap || row == SummaryRow || row == HeadingRow)
        return Highlight::Fixed;
    // A mark of 0, or one beyond the grid, colours nothing.
    if (col == ColTime && row == markedRow(bestLapMark))
        return Highlight::Blue;
    if (col == ColAverage && row == markedRow(bestLapMark))
        return Highlight::Red;
    if (col == ColTopSpeed && row == markedRow(topSpeedMark))
        return Highlight::Red;
    for (int s = 0; s < MaxSectors; ++s) {
        if (col == sectorColumn(s) && row == markedRow(fastestSectorMark[s]))
            return Highlight::Blue;
    }
    return Highlight::Plain;
}

int LapTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount;
}

int LapTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LapTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !inGrid(index.column(), index.row()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(index.column(), index.row());
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter); // the grid centres every text on one line
    case HighlightRole:
        return static_cast<int>(highlightAt(index.column(), index.row()));
    default:
        return {};
    }
}

bool LapTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !inGrid(index.column(), index.row()))
        return false;
    if (role != Qt::EditRole && role != Qt::DisplayRole)
        return false;
    setCell(index.column(), index.row(), value.toString());
    return true;
}

Qt::ItemFlags LapTable::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Only the remarks of lap rows are the user's to edit.
    if (index.column() == ColRemarks && isLapRow(index.row()))
        f |= Qt::ItemIsEditable;
    return f;
}
