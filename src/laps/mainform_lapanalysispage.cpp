// The "分析" page: the analysis of the laps in the grid, recomputed with the chart.
#include "app/frmmain.h"
#include "laps/lapanalysisview.h"

void TMainForm::refreshAnalysis() {
    if (!tabAnalysis)
        return;
    tabAnalysis->showAnalysis(analyseLaps(lapTable, tabAnalysis->cleanLimitPercent(),
                                          feed::markedLaps(eventFeed.shownMarks())),
                              lapFuel.estimate());
}
