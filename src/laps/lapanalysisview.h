#pragma once
// The "分析" page: the clean-lap limit with its spinner, the figures of the analysis and the
// per-lap delta table, the best of each delta column marked as the lap grid marks it.
#include "laps/lapanalysis.h"

#include <QWidget>

#include <optional>

class QLineEdit;
class QTableWidget;
class UpDown;

class LapAnalysisView : public QWidget {
    Q_OBJECT

public:
    explicit LapAnalysisView(QWidget* parent = nullptr);

    // Shows the figures and the delta table of an analysis.
    void showAnalysis(const LapAnalysis& analysis, const std::optional<FuelPerLap>& fuel);
    // The clean-lap limit the user has chosen, in per cent of the best lap.
    double cleanLimitPercent() const;

    QLineEdit* edtCleanLimit = nullptr;
    UpDown* updCleanLimit = nullptr;
    QTableWidget* grdAnalysisFigures = nullptr;
    QTableWidget* grdLapDelta = nullptr;

signals:
    // The user has stepped the clean-lap limit.
    void cleanLimitChanged();
};
