#include "logbook/besthistory.h"

#include "logbook/lapvalues.h"

#include <QSqlQuery>

#include <algorithm>

namespace logbook {

QList<BestHistoryPoint> readBestHistory(const QSqlDatabase& db, const QString& track) {
    QList<BestHistoryPoint> points;
    if (track.trimmed().isEmpty())
        return points;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT started, best FROM sessions WHERE track = ? AND best IS NOT "
                             "NULL ORDER BY started, id"));
    q.addBindValue(track.trimmed());
    if (!q.exec())
        return points;
    while (q.next()) {
        BestHistoryPoint p;
        p.at = QDateTime::fromString(q.value(0).toString(), storedTimeFormat);
        p.best = q.value(1).toInt();
        p.personal = points.isEmpty() ? p.best : std::min(points.constLast().personal, p.best);
        points << p;
    }
    return points;
}

} // namespace logbook
