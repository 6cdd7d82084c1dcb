#pragma once
// The lap table: the text cells of the lap grid plus the lap timer's summary, the highlight
// marks and the bookkeeping of the lap read sequences. The cells are the primary store: the
// chart and the CSV writer read them back, so their texts are part of the program's contract.
//
// Layout: the columns of LapTable::Column x 302 rows. Row 0 is the summary row, row 1 the
// headings, lap n (1..300) lives in row n + 1. Rows 0-1 and column 0 are the fixed part that
// the view keeps visible.
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <array>

class LapTable : public QAbstractTableModel {
    Q_OBJECT

public:
    // The grid's columns, left to right. Every other part of the program (decoders, view, chart,
    // analysis, lap file) names a column by these, so a new column is added here, with its
    // heading in the table's source.
    enum Column {
        ColLap,     // lap number "001".."300"; the fixed column
        ColTime,    // lap time
        ColSector1, // sector times, one column per sector: see sectorColumn
        ColSector2,
        ColSector3,
        ColSector4,
        ColTopSpeed, // top speed in km/h
        ColAverage,  // average speed over the course length
        ColRemarks,  // "FL ", "TS ", "FSn " and the user's text; the summary row's lap count.
                     // Last, as the lap file's best row expects.
        ColumnCount
    };

    static constexpr int SummaryRow = 0;
    static constexpr int HeadingRow = 1;
    static constexpr int FirstLapRow = 2; // lap 1; the rows above it are the fixed part
    static constexpr int RowCount = 302;
    static constexpr int MaxLaps = RowCount - FirstLapRow; // laps 1..300
    static constexpr int MaxSectors = 4;
    static_assert(ColSector1 + MaxSectors - 1 == ColSector4, "one column per sector");

    // Column of sector index + 1 (index 0..MaxSectors - 1, as the per-sector arrays count).
    static constexpr int sectorColumn(int index) { return ColSector1 + index; }

    // How the view paints a cell; the delegate maps these to colours.
    enum class Highlight {
        Plain, // window colour, window text
        Fixed, // button face: the lap number column, the summary and heading rows
        Blue,  // blue background, white text: best lap time, fastest sector
        Red,   // red background, white text: best lap average speed, top speed
    };

    // Data role under which data() returns the cell's Highlight as an int.
    static constexpr int HighlightRole = Qt::UserRole + 1;

    explicit LapTable(QObject* parent = nullptr);

    // Row of lap 0..300 (lap 0 names the heading row); live-lap numbers (16 bits) also give
    // lap + 1, beyond the grid. Not for marks, which may hold any number: see markedRow.
    static int rowOfLap(int lap) { return lap + 1; }
    // Lap of a row: the inverse of rowOfLap.
    static int lapOfRow(int row) { return row - 1; }
    // Row a mark highlights: lap + 1 for laps 1..300, -1 (no row) for any other mark,
    // 2147483647 from a reply or a file included.
    static int markedRow(int mark) { return mark >= 1 && mark <= MaxLaps ? rowOfLap(mark) : -1; }
    static bool isLapRow(int row) { return row >= FirstLapRow && row < RowCount; }

    // First scrollable row to show so that row comes into view, given the first scrollable row
    // shown now and the number of fully visible scrollable rows. A row below the view becomes
    // the last fully visible one; a row above it is shown second; never above FirstLapRow.
    static int topRowToShow(int row, int top, int visible);
    // The same, but a row just below the last fully visible one, which that rule leaves
    // partly hidden, becomes the last fully visible one too.
    static int topRowShowingWhole(int row, int top, int visible);

    // Cells in the grid's (column, row) terms. Out-of-range reads give an empty text,
    // out-of-range writes are ignored.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // Empties every cell, writes the headings and the lap numbers 001..300. Leaves the
    // summary fields, marks and bookkeeping alone: each caller clears what it needs.
    void resetLapGrid();

    // lapCount, bestLap, topSpeedLap, sectorCount and fastestSectorLap := 0.
    void clearLapInfo();
    // bestLapMark, topSpeedMark and fastestSectorMark := 0, and repaint the highlights.
    void clearMarks();
    // Call after assigning marks directly so the view repaints the highlighted cells.
    void notifyHighlightsChanged();

    Highlight highlightAt(int col, int row) const;

    // Cell writes inside a Batch are collected and announced with one dataChanged when the
    // outermost Batch ends, so a 20-lap block or a file load costs one view update.
    class Batch {
    public:
        explicit Batch(LapTable& table) : t_(table) { ++t_.batchDepth_; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        LapTable& t_;
    };

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Lap information from the lap timer ("LInfo:"); 0 means none. Steers the decoders.
    int lapCount = 0;
    int bestLap = 0;
    int topSpeedLap = 0;
    int sectorCount = 0; // kept within 0..4 by the decoders
    std::array<int, MaxSectors> fastestSectorLap{};

    // Laps whose cells are highlighted; steer only the painting. 0 means none.
    int bestLapMark = 0;
    int topSpeedMark = 0;
    std::array<int, MaxSectors> fastestSectorMark{};

    // Grid row of the newest live lap already charted; -1 when none.
    int lastLiveRow = -1;

    // Read bookkeeping of the lap read sequences.
    int lapInfoStep = 0;   // RK-13 read step; 0 idle, 99 or more finishing
    int nextLapToRead = 0; // RK-13: first lap of the next lap-data request
    int lapReadStep = 0;   // RK-12 read step; 0 idle, 99 or more finishing
    int cpLineCount = 0;   // magnetic lines reported by the last "CP:" reply
    int sectorIndex = 0;   // sector being requested with "@SECTOR:", 0 for whole laps

private:
    void fillResetTexts();
    void markDirty(int col, int row);
    void flushDirty();

    QList<QString> cells_; // row-major, RowCount * ColumnCount
    int batchDepth_ = 0;
    int dirtyTop_ = -1, dirtyBottom_ = -1, dirtyLeft_ = -1, dirtyRight_ = -1;
};
