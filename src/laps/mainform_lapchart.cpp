// The lap chart: appearance, rebuild from the grid cells and zoom.
#include "app/frmmain.h"
#include "laps/lapchartview.h"

void TMainForm::applyChartAppearance(const ChartViewSettings& settings) {
    chartSettings = settings;
    Chart1->applySettings(settings);
}

void TMainForm::resetChartZoom() {
    Chart1->zoomReset();
}

void TMainForm::btnZoomResetClick() {
    Chart1->zoomReset();
}

void TMainForm::refreshLapChart() {
    const LapChartData data = Chart1->refreshLapChart(lapTable);
    refreshAnalysis(); // the analysis shows the laps the chart shows
    const QString badCells = badTimeCells.take(data, lapTable);
    if (!badCells.isEmpty())
        prompts.message(badCells, QStringLiteral("読み込み不可"), Prompts::Icon::Error);
}

void TMainForm::clearChartSeries() {
    Chart1->clearChartSeries();
    refreshAnalysis();
}
