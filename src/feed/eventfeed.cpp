#include "feed/eventfeed.h"

#include "laps/laptable.h"

#include <QMetaMethod>

namespace feed {

LapSet LapSet::fromTable(const LapTable& table) {
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

QSet<int> markedLaps(const LapMarks& marks) {
    QSet<int> laps;
    for (auto it = marks.cbegin(); it != marks.cend(); ++it)
        if (it.value() != LapMark::None)
            laps.insert(it.key());
    return laps;
}

QStringList lapMarkNames() {
    return {QString(), QStringLiteral("アウトラップ"), QStringLiteral("インラップ"),
            QStringLiteral("無効")};
}

QString lapMarkMenuText(LapMark mark) {
    return mark == LapMark::None ? QStringLiteral("マークなし") : lapMarkNames().value(int(mark));
}

void EventFeed::setShownMarks(const LapMarks& marks) {
    if (marks == shownMarks_)
        return;
    shownMarks_ = marks;
    emit shownMarksChanged();
}

bool EventFeed::marksKept() const {
    return isSignalConnected(QMetaMethod::fromSignal(&EventFeed::lapMarkChosen));
}

} // namespace feed
