#include "laps/lapanalysistext.h"

#include "laps/lapdecoders.h"

#include <cmath>
#include <limits>

namespace {

QString lapAndTime(const LapTime& t) {
    return QStringLiteral("%1  ラップ%2")
        .arg(formatAnalysisTime(t.hundredths), formatLapNumber(t.lap));
}

QString seconds(double hundredths) {
    return QString::asprintf("%.2f", hundredths / 100) + QStringLiteral(" 秒");
}

} // namespace

QString formatAnalysisTime(int hundredths) {
    if (hundredths < 0 || hundredths > std::numeric_limits<quint16>::max())
        return QStringLiteral("--");
    return formatLapTime(quint16(hundredths));
}

QString formatDelta(int hundredths) {
    return QString::asprintf("%+.2f", hundredths / 100.0);
}

QString formatLapNumber(int lap) {
    return QString::asprintf("%03d", lap);
}

QList<AnalysisFigure> analysisFigures(const LapAnalysis& a, const std::optional<FuelPerLap>& fuel) {
    QList<AnalysisFigure> f;
    f << AnalysisFigure{QStringLiteral("計測ラップ数"), QString::number(a.timedLaps)};
    if (a.leftOutLaps > 0)
        f << AnalysisFigure{QStringLiteral("除外したラップ"), QString::number(a.leftOutLaps)};
    if (a.best)
        f << AnalysisFigure{QStringLiteral("ベストラップ"), lapAndTime(*a.best)};
    if (a.theoreticalHundredths)
        f << AnalysisFigure{QStringLiteral("理論ベスト"),
                            formatAnalysisTime(*a.theoreticalHundredths)};
    if (a.theoreticalGap)
        f << AnalysisFigure{QStringLiteral("理論ベストとの差"), formatDelta(*a.theoreticalGap)};
    for (int s = 0; s < int(a.sectorBest.size()); ++s) {
        if (a.sectorBest[s])
            f << AnalysisFigure{QStringLiteral("セクタ%1ベスト").arg(s + 1),
                                lapAndTime(*a.sectorBest[s])};
    }
    if (a.consistency) {
        const LapConsistency& c = *a.consistency;
        f << AnalysisFigure{
            QStringLiteral("クリーンラップ（%1%以内）").arg(a.cleanLimitPercent, 0, 'g', 4),
            QStringLiteral("%1 / %2").arg(c.cleanLaps).arg(a.timedLaps)};
        if (c.cleanLaps > 0) {
            f << AnalysisFigure{QStringLiteral("平均タイム"),
                                formatAnalysisTime(int(std::lround(c.meanHundredths)))};
            f << AnalysisFigure{QStringLiteral("標準偏差"), seconds(c.stdDevHundredths)};
            f << AnalysisFigure{QStringLiteral("ばらつき（最遅−最速）"),
                                seconds(c.spreadHundredths)};
        }
    }
    for (int i = 0; i < a.fastest.size(); ++i)
        f << AnalysisFigure{QStringLiteral("速い順 %1位").arg(i + 1), lapAndTime(a.fastest[i])};
    if (a.topSpeed)
        f << AnalysisFigure{QStringLiteral("最高速 ベスト"),
                            QStringLiteral("%1 km/h  ラップ%2")
                                .arg(*a.topSpeed)
                                .arg(formatLapNumber(a.topSpeedLap))};
    if (a.meanTopSpeed)
        f << AnalysisFigure{QStringLiteral("最高速 平均"),
                            QString::asprintf("%.1f km/h", *a.meanTopSpeed)};
    if (fuel) {
        f << AnalysisFigure{QStringLiteral("1ラップの燃料"),
                            QString::asprintf("%.3f ", fuel->litresPerLap) + QStringLiteral("㍑")};
        f << AnalysisFigure{QStringLiteral("残り周回数"),
                            QString::asprintf("%.1f ", fuel->lapsRemaining) +
                                QStringLiteral("ラップ")};
    }
    return f;
}

DeltaTable deltaTable(const LapAnalysis& a) {
    DeltaTable t;
    t.headings << QStringLiteral("ラップ") << QStringLiteral("タイム") << QStringLiteral("ベスト差")
               << QStringLiteral("理論差");
    for (int s = 0; s < a.sectorsPresent; ++s)
        t.headings << QStringLiteral("セクタ%1差").arg(s + 1);
    t.cells.reserve(a.rows.size());
    t.best.reserve(a.rows.size());
    for (const LapDeltaRow& r : a.rows) {
        QStringList cells{formatLapNumber(r.lap),
                          r.hundredths ? formatAnalysisTime(*r.hundredths) : QString()};
        QList<bool> best{false, false, r.bestLap, false};
        cells << (r.bestLap ? bestMark : r.toBest ? formatDelta(*r.toBest) : QString());
        cells << (r.toTheoretical ? formatDelta(*r.toTheoretical) : QString());
        for (int s = 0; s < a.sectorsPresent; ++s) {
            const auto& d = r.toSectorBest[s];
            cells << (r.sectorBest[s] ? bestMark : d ? formatDelta(*d) : QString());
            best << r.sectorBest[s];
        }
        t.cells << cells;
        t.best << best;
    }
    return t;
}
