#pragma once
#include <QtGlobal>

// The configured lap-timer model: an RK-13 talks through radio frames, an RK-12
// through plain text lines on the cable.
enum class DeviceModel : quint8 {
    RK12 = 0,
    RK13 = 1,
};
