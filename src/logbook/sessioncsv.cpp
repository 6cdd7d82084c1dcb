#include "logbook/sessioncsv.h"

#include "laps/lapdecoders.h"
#include "logbook/sessionlist.h"

#include <QSqlQuery>
#include <QVariant>

namespace logbook {

namespace {

std::optional<int> optionalInt(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<int>(v.toInt());
}

// A field as spreadsheets read it: quoted when it holds a comma, quote or line break.
QString field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString seconds(const std::optional<int>& hundredths) {
    return hundredths ? QString::asprintf("%d.%02d", *hundredths / 100, *hundredths % 100)
                      : QString();
}

} // namespace

std::optional<SessionRecord> readSession(const QSqlDatabase& db, qint64 session) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT started, model, track, vehicle, notes, course_length, "
                             "summary FROM sessions WHERE id = ?"));
    q.addBindValue(session);
    if (!q.exec() || !q.next())
        return std::nullopt;
    SessionRecord out{q.value(0).toString(),
                      q.value(1).toString(),
                      q.value(2).toString(),
                      q.value(3).toString(),
                      q.value(4).toString(),
                      q.value(5).toString(),
                      q.value(6).toString(),
                      {},
                      {}};
    q.prepare(QStringLiteral("SELECT lap, time, s1, s2, s3, s4, top_speed, remark, mark "
                             "FROM laps WHERE session_id = ? ORDER BY lap"));
    q.addBindValue(session);
    if (!q.exec())
        return std::nullopt;
    while (q.next()) {
        LapValues lap;
        lap.lap = q.value(0).toInt();
        lap.time = optionalInt(q.value(1));
        for (int i = 0; i < LapTable::MaxSectors; ++i)
            lap.sectors[size_t(i)] = optionalInt(q.value(2 + i));
        lap.topSpeed = optionalInt(q.value(6));
        lap.remark = q.value(7).toString();
        out.laps << lap;
        out.marks << LapMark(std::clamp(q.value(8).toInt(), 0, 3));
    }
    return out;
}

QByteArray sessionCsv(const SessionRecord& session) {
    bool lengthOk = false;
    const double km = session.courseLength.toDouble(&lengthOk);
    QStringList lines{
        QStringLiteral("日時,") + field(session.started.left(19)),
        QStringLiteral("機種,") + field(session.model),
        QStringLiteral("トラック,") + field(session.track),
        QStringLiteral("車両,") + field(session.vehicle),
        QStringLiteral("メモ,") + field(session.notes),
        QStringLiteral("コース長(km),") + field(session.courseLength),
        QStringLiteral("除外したラップ,") +
            QString::number(session.marks.size() - session.marks.count(LapMark::None)),
        QString(),
        QStringLiteral("ラップ,タイム(秒),セクタ1(秒),セクタ2(秒),セクタ3(秒),セクタ4(秒),"
                       "最高速(km/h),平均速度(km/h),有効,区分"),
    };
    for (int i = 0; i < session.laps.size(); ++i) {
        const LapValues& lap = session.laps[i];
        const LapMark mark = session.marks.value(i, LapMark::None);
        QStringList cells{QString::number(lap.lap), seconds(lap.time)};
        for (const std::optional<int>& sector : lap.sectors)
            cells << seconds(sector);
        cells << (lap.topSpeed ? QString::number(*lap.topSpeed) : QString());
        cells << (lengthOk && km > 0 && lap.time && *lap.time > 0
                      ? QString::number(km * 360000.0 / *lap.time, 'f', 1)
                      : QString());
        cells << (mark == LapMark::None ? QStringLiteral("1") : QStringLiteral("0"));
        cells << feed::lapMarkNames().value(int(mark));
        lines << cells.join(QLatin1Char(','));
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() +
           QByteArrayLiteral("\r\n");
}

feed::LapSet lapSetOf(const SessionRecord& session) {
    feed::LapSet set;
    set.at = QDateTime::fromString(session.started, storedTimeFormat);
    set.model = session.model;
    set.courseLength = session.courseLength;
    set.summary = session.summary.split(QLatin1Char('\t'));
    const double km = courseLengthFromText(session.courseLength);
    for (const LapValues& lap : session.laps)
        if (lap.time)
            set.laps << lapRowOf(lap, km);
    set.lapsHeld = set.laps.isEmpty() ? 0 : set.laps.last().lap;
    return set;
}

QString sessionCaption(const SessionRecord& session) {
    const QDateTime at = QDateTime::fromString(session.started, storedTimeFormat);
    return QStringLiteral("ログブック %1 %2")
        .arg(at.toString(QStringLiteral("yyyy/MM/dd HH:mm")), session.track)
        .trimmed();
}

} // namespace logbook
