#include "feed/eventfeed.h"

#include "laps/laptable.h"

namespace feed {

LapSet LapSet::fromTable(const LapTable& table)
{
    LapSet set;
    for (int col = 0; col < LapTable::ColumnCount; ++col)
        set.summary << table.cell(col, LapTable::SummaryRow);
    for (int row = LapTable::FirstLapRow; row < LapTable::RowCount; ++row) {
        if (table.cell(LapTable::ColTime, row).trimmed().isEmpty())
            continue;
        LapRow lap;
        lap.lap = LapTable::lapOfRow(row);
        for (int col = 0; col < LapTable::ColumnCount; ++col)
            lap.cells << table.cell(col, row);
        set.laps << lap;
    }
    set.lapsHeld = table.lapCount;
    return set;
}

} // namespace feed
