// The lap chart: appearance, rebuild from the grid cells and zoom.
#include "app/frmmain.h"

#include <QChart>
#include <QChartView>

void TMainForm::applyChartAppearance(const ChartViewSettings& settings) {
    chartSettings = settings;
    const quint32 c = settings.backColor;
    Chart1->chart()->setBackgroundBrush(
        QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
}

void TMainForm::resetChartZoom() {
    Chart1->chart()->zoomReset();
}

void TMainForm::refreshLapChart() {}

void TMainForm::clearChartSeries() {}
