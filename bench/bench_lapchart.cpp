// Rebuild of the lap chart from a grid of 300 laps (four sectors and top speed): the time a
// refreshLapChart takes, and a repaint of the chart after it, in 2-D and 3-D.
#include "benchlaps.h"
#include "laps/lapchartview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

using benchlaps::median;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    LapTable table;
    benchlaps::fill(table);
    LapChartView view;
    view.resize(1000, 600);
    view.show();
    QApplication::processEvents();

    constexpr int runs = 50;
    std::vector<double> rebuild, rebuildAndPaint2d, paint3d;
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        view.refreshLapChart(table);
        rebuild.push_back(t.nsecsElapsed() / 1e6);
        QPainter p(&image);
        view.render(&p);
        p.end();
        rebuildAndPaint2d.push_back(t.nsecsElapsed() / 1e6);
    }
    ChartViewSettings s;
    s.view3D = true;
    s.depthPercent = 15;
    view.applySettings(s);
    QApplication::processEvents();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QPainter p(&image);
        view.render(&p);
        p.end();
        paint3d.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("refreshLapChart, 300 laps x 6 series: median %.3f ms, min %.3f ms (%d runs)\n",
                median(rebuild), *std::min_element(rebuild.begin(), rebuild.end()), runs);
    std::printf("refreshLapChart + 2-D paint:           median %.3f ms\n",
                median(rebuildAndPaint2d));
    std::printf("3-D paint (depth 15 %%):                median %.3f ms\n", median(paint3d));
    return 0;
}
