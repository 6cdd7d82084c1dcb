#pragma once
// The pit board's alert sounds, made here rather than shipped: short tone patterns written as
// 16-bit mono WAV data, which any sound device plays.
#include "pitboard/pitboardmodel.h"

#include <QByteArray>

namespace pitboard {

inline constexpr int AlertSampleRate = 22050;

// A rising pair of tones for a new best, three low beeps for low fuel, two for overdue.
QByteArray alertWav(Alert alert);

} // namespace pitboard
