#include "windows/animationsteps.h"

#include <iterator>

quint32 waveColourRgb(WaveColour colour) {
    // Indexed by WaveColour; a value outside it paints white.
    static constexpr quint32 rgb[] = {0xFFFFFF, 0x0000FF, 0x00FF00};
    const auto i = static_cast<std::size_t>(colour);
    return i < std::size(rgb) ? rgb[i] : 0xFFFFFF;
}

void WaveAnimation::reset() {
    waveRightward = false;
    waveHead = circleCount;
    waveTail = circleCount + 1;
}

void WaveAnimation::step(Circles& circles) {
    // Head and tail stay within a few circles of the row: the tail follows the
    // head at most three behind and the direction turns once the tail leaves
    // the row. Values set from outside are pulled back so nothing indexes
    // outside the row and nothing overflows.
    if (waveHead < -circleCount || waveHead > 2 * circleCount || waveTail < -circleCount ||
        waveTail > 2 * circleCount)
        reset();

    auto paint = [&circles](qint32 n, WaveColour c) {
        if (n >= 1 && n <= circleCount)
            circles[size_t(n - 1)] = c;
    };

    if (!waveRightward) {
        if (waveTail <= circleCount)
            paint(waveTail, WaveColour::White);
        paint(waveHead, WaveColour::Blue);
        --waveHead;
        if (waveTail - waveHead > 3) {
            --waveTail;
            if (waveTail < 1) {
                waveRightward = true;
                waveHead = 1;
                waveTail = 0;
            }
        }
    } else {
        if (waveTail >= 1)
            paint(waveTail, WaveColour::White);
        paint(waveHead, WaveColour::Green);
        ++waveHead;
        if (waveHead - waveTail > 3) {
            ++waveTail;
            if (waveTail > circleCount) {
                waveRightward = false;
                waveHead = circleCount;
                waveTail = circleCount + 1;
            }
        }
    }
}
