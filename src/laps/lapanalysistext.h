#pragma once
// The texts of the analysis, shared by the "分析" page and the session summary PDF: the
// figures as caption and value, and the delta table as headings and cells.
#include "laps/lapanalysis.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A time as the grid shows it (" 01'23\"45"); "--" beyond what a lap time can hold.
QString formatAnalysisTime(int hundredths);
// A signed difference in seconds with two decimals: "+0.52", "-0.10", "+0.00".
QString formatDelta(int hundredths);
// A lap number as the grid shows it: "%03d".
QString formatLapNumber(int lap);

// The mark of the best value of a delta column (the best lap, a sector's best).
inline const QString bestMark = QStringLiteral("★");

struct AnalysisFigure {
    QString caption;
    QString value;
    friend bool operator==(const AnalysisFigure&, const AnalysisFigure&) = default;
};

// The figures in the order shown. Figures without data are left out; the fuel figures come
// only with a fuel estimate.
QList<AnalysisFigure> analysisFigures(const LapAnalysis& analysis,
                                      const std::optional<FuelPerLap>& fuel);

struct DeltaTable {
    QStringList headings; // ラップ, タイム, ベスト差, 理論差, one column per sector
    QList<QStringList> cells; // one row per lap of the analysis
    QList<QList<bool>> best;  // per cell: it holds the best of its column (★)
};

DeltaTable deltaTable(const LapAnalysis& analysis);
