// Rebuild of the lap chart from a grid of 300 laps (four sectors and top speed): the time a
// refreshLapChart takes, and a repaint of the chart after it, in 2-D and 3-D.
#include "laps/lapchartview.h"
#include "laps/lapdecoders.h"
#include "laps/laptable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void fill(LapTable& table) {
    quint32 seed = 4711;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(range));
    };
    table.sectorCount = 4;
    for (int lap = 1; lap <= LapTable::MaxLaps; ++lap) {
        const int row = LapTable::rowOfLap(lap);
        int total = 0;
        for (int s = 0; s < 4; ++s) {
            const int t = 1800 + next(300);
            total += t;
            table.setCell(LapTable::ColSector1 + s, row, formatLapTime(quint16(t)));
        }
        table.setCell(LapTable::ColTime, row, formatLapTime(quint16(total)));
        table.setCell(LapTable::ColTopSpeed, row, QString::asprintf("%03d", 190 + next(70)));
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    LapTable table;
    fill(table);
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
