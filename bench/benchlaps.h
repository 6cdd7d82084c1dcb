#pragma once
// The 300-lap grid the lap benchmarks work on (four sectors and top speed, the same laps
// every run), and the median of a series of timings.
#include "laps/lapdecoders.h"
#include "laps/laptable.h"

#include <algorithm>
#include <vector>

namespace benchlaps {

inline void fill(LapTable& table) {
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

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace benchlaps
