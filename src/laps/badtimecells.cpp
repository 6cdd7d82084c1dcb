#include "laps/badtimecells.h"

#include "laps/lapchartdata.h"
#include "laps/laptable.h"

#include <QStringList>

QString BadTimeCellNotice::take(const LapChartData& data, const LapTable& table) {
    QStringList named;
    int fresh = 0;
    for (qsizetype i = 0; i < data.errorCells.size() && i < data.errors.size(); ++i) {
        const QPoint at = data.errorCells[i];
        const QString cell = table.cell(at.x(), at.y());
        // The same cell with another text is another mistake and is told again.
        const QString key = QStringLiteral("%1,%2,%3").arg(at.x()).arg(at.y()).arg(cell);
        if (told_.contains(key))
            continue;
        told_.insert(key);
        if (++fresh <= NamedCells)
            named << QStringLiteral("%1周目 %2: %3")
                         .arg(LapTable::lapOfRow(at.y()))
                         .arg(table.cell(at.x(), LapTable::HeadingRow), data.errors[i]);
    }
    if (fresh == 0)
        return {};
    QString text = QStringLiteral("グラフに表示できないタイムが%1件あります。").arg(fresh);
    for (const QString& line : named)
        text += QStringLiteral("\r\n") + line;
    if (fresh > NamedCells)
        text += QStringLiteral("\r\n…ほか%1件").arg(fresh - NamedCells);
    return text;
}
