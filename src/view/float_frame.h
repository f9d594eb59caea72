#pragma once

#include "link/capture_store.h"
#include "link/instrument_facts.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace duruz {

// A frame whose samples are counts in floating point, as an average of frames
// leaves them: rounding them back to 16-bit counts would add noise comparable to
// what the average removed. Laid out as CaptureStore's samples.
struct FloatFrame {
    std::array<float, kSamplePairs * 2> samples{};
    std::uint32_t pointCount = kSamplePairs; // the points an XY figure joins
    int frames = 0;                          // how many frames went into it

    float Sample(std::size_t i, int channel) const {
        return samples[(2 * i + (channel & 1)) % samples.size()];
    }
};

// A frame read back from a file: the instrument's counts, or an average whose volts
// were turned back into counts (in floating point) by the setting it was taken under.
struct FrameSamples {
    CaptureStore counts;
    FloatFrame average;
    bool averaged = false;
};

// The points of the frame an XY figure joins: the header's count, at most a frame.
inline std::uint32_t FramePoints(const CaptureStore& store) {
    const std::uint32_t count = store.HeaderWord(1);
    return count < kSamplePairs ? count : static_cast<std::uint32_t>(kSamplePairs);
}
inline std::uint32_t FramePoints(const FloatFrame& frame) {
    return frame.pointCount;
}

} // namespace duruz
