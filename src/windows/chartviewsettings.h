#pragma once
// The chart's three display properties as the chart properties dialog and the
// configuration file ("Chart": "View3D", "3DPercent", "BackColor") hand them on.
#include <QtGlobal>

struct ChartViewSettings {
    static constexpr bool defaultView3D = false;
    static constexpr qint32 defaultDepthPercent = 5;
    static constexpr quint32 defaultBackColor =
        16541279; // 0x00BBGGRR: red 0x5F, green 0x66, blue 0xFC
    static constexpr qint32 minDepthPercent = 1;
    static constexpr qint32 maxDepthPercent = 100;

    bool view3D = defaultView3D;
    qint32 depthPercent = defaultDepthPercent;
    quint32 backColor = defaultBackColor; // 0x00BBGGRR
};
