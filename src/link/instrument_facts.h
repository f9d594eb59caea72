#pragma once

#include "link/input_ranges.h"

#include <cstddef>
#include <cstdint>

namespace duruz {

// The instrument's fixed facts, which the screen, the measurements, the export and
// the simulated instrument all take from here. Its eight input ranges are
// kInputRanges.

// Samples a second on each channel: a frame's 2,048 sample pairs span 20 ms.
constexpr double kSampleRate = 102400.0;
// Sample pairs in a frame, channel 1 first in each pair.
constexpr std::size_t kSamplePairs = 2048;
// A sample's counts at full scale either way: -2047 is the top of the screen.
constexpr std::int32_t kFullScaleCount = 2047;
// A channel's spectrum: its 2,048 samples, packed two to a complex value, give
// 1,024 bins.
constexpr int kSpectrumBins = static_cast<int>(kSamplePairs / 2);

// The sweep list's row 0 is "XY Mode": channel 2 drawn against channel 1, no sweep.
constexpr int kXyModeSweepRow = 0;
constexpr bool IsXyMode(int sweepRow) {
    return sweepRow == kXyModeSweepRow;
}

} // namespace duruz
