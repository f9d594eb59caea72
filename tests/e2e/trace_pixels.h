#pragma once

#include "e2e/virtual_display.h"

#include <cstdint>
#include <string>

namespace e2e {

// Screen colours as a screenshot holds them, 0xRRGGBB.
constexpr long kRed = 0xFF0000;  // channel 1 trace
constexpr long kBlue = 0x0000FF; // channel 2 trace
constexpr long kLime = 0x00FF00; // trigger markers
constexpr long kGrey = 0x808080; // graticule

// The drawing area of a window of that client size: right of the 10-pixel level
// bar, above the 99-pixel strip and the 11-pixel position bar.
struct TraceArea {
    int left = 10;
    int width = 0;
    int height = 0;
};

inline TraceArea TraceAreaOf(int clientWidth, int clientHeight) {
    return {10, clientWidth - 10, clientHeight - 1 - 11 - 99};
}

// Where sample i of a trace, of value s, is drawn: -2047 at the top edge, +2047 at
// the bottom, the 2,048 samples across the whole width.
inline int SampleY(const TraceArea& area, int s) {
    return ((s + 2047) * area.height) / 4094;
}
inline int SampleX(const TraceArea& area, int i) {
    return area.left + int((std::uint32_t(area.width) * std::uint32_t(i)) >> 11);
}

// Checks the picture of a frame from SquareWaveFrame: the middle of every flat
// run of channel 1 in red at its level and not at the other, channel 2 in blue.
// Returns what is wrong, or nothing.
std::string CheckSquareWave(const Screenshot& shot, const TraceArea& area, int period, int low,
                            int high, int level);

} // namespace e2e
