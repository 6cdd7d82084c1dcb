// The analysis of a grid of 300 laps (four sectors and top speed), and the session summary PDF
// of the same laps with the chart drawn into it: the time each takes.
#include "benchlaps.h"
#include "files/sessionreport.h"
#include "laps/lapanalysis.h"
#include "laps/lapanalysistext.h"
#include "laps/lapchartview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <cstdio>
#include <vector>

using benchlaps::median;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    LapTable table;
    benchlaps::fill(table);

    constexpr int analysisRuns = 200;
    std::vector<double> analysis, analysisAndTexts;
    int keep = 0; // uses the results, so the work is not left out
    for (int i = 0; i < analysisRuns; ++i) {
        QElapsedTimer t;
        t.start();
        const LapAnalysis a = analyseLaps(table);
        analysis.push_back(t.nsecsElapsed() / 1e6);
        const QList<AnalysisFigure> figures = analysisFigures(a, std::nullopt);
        const DeltaTable deltas = deltaTable(a);
        analysisAndTexts.push_back(t.nsecsElapsed() / 1e6);
        keep += int(figures.size() + deltas.cells.size());
    }

    LapChartView view;
    view.resize(650, 505);
    view.show();
    view.refreshLapChart(table);
    QApplication::processEvents();
    const LapAnalysis a = analyseLaps(table);
    SessionReport report{QDateTime::currentDateTime(),
                         QStringLiteral("bench (300 laps)"),
                         QStringLiteral("3.7"),
                         a.timedLaps,
                         analysisFigures(a, std::nullopt),
                         deltaTable(a)};
    constexpr int pdfRuns = 20;
    std::vector<double> pdf;
    qsizetype bytes = 0;
    for (int i = 0; i < pdfRuns; ++i) {
        QElapsedTimer t;
        t.start();
        const QByteArray file = sessionReportPdf(report, [&view](QPainter& p, const QRectF& r) {
            view.render(&p, r, view.viewport()->rect());
        });
        pdf.push_back(t.nsecsElapsed() / 1e6);
        bytes = file.size();
    }
    std::printf("analyseLaps, 300 laps x 4 sectors:        median %.3f ms, min %.3f ms (%d runs)\n",
                median(analysis), *std::min_element(analysis.begin(), analysis.end()),
                analysisRuns);
    std::printf("analyseLaps + figure and delta texts:     median %.3f ms\n",
                median(analysisAndTexts));
    std::printf("session summary PDF, 300 laps with chart: median %.1f ms, min %.1f ms (%d runs), "
                "%lld bytes\n",
                median(pdf), *std::min_element(pdf.begin(), pdf.end()), pdfRuns,
                static_cast<long long>(bytes));
    return keep > 0 ? 0 : 1;
}
