#pragma once
// The running light of the busy window: a run of up to three lit circles that
// sweeps leftward in blue, then rightward in green, one circle per timer tick.
// Kept free of widgets so the sequence can be checked step by step.
#include <QtGlobal>

#include <array>

enum class WaveColour : quint8 { White, Blue, Green };

// 0x00RRGGBB of a circle colour, for the painter.
quint32 waveColourRgb(WaveColour colour);

struct WaveAnimation {
    static constexpr int circleCount = 12;
    using Circles = std::array<WaveColour, circleCount>; // circle n at index n - 1

    bool waveRightward = false; // false: leftward blue pass, true: rightward green pass
    qint32 waveHead = 12;       // circle painted next
    qint32 waveTail = 13;       // circle erased next (13 and 0 lie outside the row)

    void reset();
    // One tick: erase the tail, light the head, move both; turns at either end.
    void step(Circles& circles);
};
