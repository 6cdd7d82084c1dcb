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
    Chart1->refreshLapChart(lapTable);
    refreshAnalysis(); // the analysis shows the laps the chart shows
}

void TMainForm::clearChartSeries() {
    Chart1->clearChartSeries();
    refreshAnalysis();
}
