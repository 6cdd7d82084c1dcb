#pragma once
#include <QtGlobal>

// The configured lap-timer model: an RK-13 talks through radio frames, an RK-12
// through plain text lines on the cable.
enum class DeviceModel : quint8 {
    RK12 = 0,
    RK13 = 1,
};

// How a model's laps are read.
enum class LapRead {
    InfoAndBlocks, // "@LINFO" framed, then the laps in blocks of "LData:" records
    TextLists,     // "@CP", then "@LAP" and "@SECTOR:n" lists as text lines
};

// What sets the models apart, asked of one place rather than of the model's name.
struct DeviceTraits {
    const char* name; // as the configuration file and the session summary write it
    // Commands go out in radio frames addressed to the radio ID, receptions are scanned
    // for frames, and the radio ID entry is shown and checked.
    bool radioFrames;
    LapRead lapRead;
};

constexpr DeviceTraits deviceTraits(DeviceModel model) {
    switch (model) {
    case DeviceModel::RK12:
        return {"RK-12", false, LapRead::TextLists};
    case DeviceModel::RK13:
        break;
    }
    return {"RK-13", true, LapRead::InfoAndBlocks};
}
