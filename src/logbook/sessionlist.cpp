#include "logbook/sessionlist.h"

#include "feed/eventfeed.h"
#include "laps/lapanalysistext.h"

#include <QStringList>

namespace logbook {

BoundQuery sessionListQuery(const SessionFilter& filter) {
    BoundQuery query;
    QStringList where;
    // LIKE with an escape, so that a name holding % or _ matches as typed.
    auto like = [](const QString& text) {
        QString escaped = text.trimmed();
        escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        return QLatin1Char('%') + escaped + QLatin1Char('%');
    };
    if (!filter.track.trimmed().isEmpty()) {
        where << QStringLiteral("track LIKE ? ESCAPE '\\'");
        query.values << like(filter.track);
    }
    if (!filter.vehicle.trimmed().isEmpty()) {
        where << QStringLiteral("vehicle LIKE ? ESCAPE '\\'");
        query.values << like(filter.vehicle);
    }
    if (filter.from.isValid()) {
        where << QStringLiteral("started >= ?");
        query.values << filter.from.toString(Qt::ISODate);
    }
    if (filter.to.isValid()) {
        where << QStringLiteral("started < ?");
        query.values << filter.to.addDays(1).toString(Qt::ISODate);
    }
    query.sql = QStringLiteral(
        "SELECT id, substr(started, 1, 16), "
        "CASE kind WHEN 'read' THEN '読み出し' WHEN 'live' THEN 'ライブ' ELSE 'ファイル' END "
        "|| CASE complete WHEN 0 THEN '（途中まで）' ELSE '' END, "
        "track, vehicle, lap_count, best, theoretical, notes FROM sessions");
    if (!where.isEmpty())
        query.sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    query.sql += QStringLiteral(" ORDER BY started DESC, id DESC");
    return query;
}

BoundQuery lapListQuery(qint64 session) {
    const QStringList names = feed::lapMarkNames();
    return {QStringLiteral("SELECT lap, time, s1, s2, s3, s4, top_speed, "
                           "CASE mark WHEN 1 THEN '%1' WHEN 2 THEN '%2' WHEN 3 THEN '%3' "
                           "ELSE '' END, remark FROM laps WHERE session_id = ? ORDER BY lap")
                .arg(names[1], names[2], names[3]),
            {session}};
}

BoundQuery trackListQuery() {
    return {QStringLiteral("SELECT name, course_length FROM tracks ORDER BY name"), {}};
}

BoundQuery personalBestQuery() {
    // SQLite takes the bare columns of a min() aggregate from the row holding the minimum.
    return {QStringLiteral("SELECT track, min(best), substr(started, 1, 10), vehicle, count(*) "
                           "FROM sessions WHERE track <> '' GROUP BY track ORDER BY track"),
            {}};
}

BoundQuery trackBestSessionQuery(qint64 session) {
    return {QStringLiteral("SELECT id FROM sessions WHERE track <> '' AND best IS NOT NULL AND "
                           "track = (SELECT track FROM sessions WHERE id = ?) "
                           "ORDER BY best, started LIMIT 1"),
            {session}};
}

QString formatHundredths(const QVariant& hundredths) {
    if (hundredths.isNull() || !hundredths.isValid())
        return {};
    return formatAnalysisTime(hundredths.toInt());
}

} // namespace logbook
