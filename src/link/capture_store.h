#pragma once

#include "link/instrument_facts.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace duruz {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kChunkBytes = 128;
constexpr std::size_t kFrameBytes = kHeaderBytes + kSamplePairs * 4; // 8,320
// "xHxH" read as a little-endian 32-bit word.
constexpr std::uint32_t kFrameMarker = 0x48784878;

static_assert(std::endian::native == std::endian::little,
              "samples are read from the wire straight into memory");

// The last frame: its header, and its samples with channel 1 first (sample i of
// channel c is element 2i + c).
struct CaptureStore {
    alignas(4) std::array<std::uint8_t, kHeaderBytes> RxBuffer{};
    std::array<std::int16_t, kSamplePairs * 2> CaptureBuffer{};
    bool FrameReady = false;

    // Header word n (0..31), little-endian.
    std::uint32_t HeaderWord(std::size_t n) const {
        const std::uint8_t* p = RxBuffer.data() + 4 * (n % 32);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    std::int16_t Sample(std::size_t i, int channel) const {
        return CaptureBuffer[(2 * i + (channel & 1)) % CaptureBuffer.size()];
    }
};

} // namespace duruz
