#pragma once
// The chart's word about grid cells that hold no valid time. Every live lap rebuilds the chart,
// so a box per bad cell and rebuild would never stop: the cells are told once per lap file or
// read, together in one message that names a few of them, and never again.
#include <QSet>
#include <QString>

class LapTable;
struct LapChartData;

class BadTimeCellNotice {
public:
    // Cells named in one message; the rest are counted.
    static constexpr int NamedCells = 5;

    // A new lap file or read: its cells have not been told yet.
    void forget() { told_.clear(); }
    // The message text for the malformed cells of a rebuild that have not been told before
    // (each then counts as told), or empty when there is none.
    QString take(const LapChartData& data, const LapTable& table);

private:
    QSet<QString> told_; // column, row and text of each cell told
};
