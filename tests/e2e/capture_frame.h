#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace e2e {

// One capture frame as the instrument sends it: the 128-byte header that starts
// with "xHxH" and carries the pair count, then 2,048 pairs of little-endian signed
// 16-bit samples, channel 1 first.
std::string CaptureFrame(const std::function<std::int16_t(int i)>& channel1,
                         const std::function<std::int16_t(int i)>& channel2);

// A square wave on channel 1: `low` for the first half of every period of
// `period` samples, `high` for the second; channel 2 holds `level` throughout.
std::string SquareWaveFrame(int period, std::int16_t low, std::int16_t high, std::int16_t level);

} // namespace e2e
