#pragma once

#include "sim/simulated_instrument.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace sim_test {

inline void Send(sim::SimulatedInstrument& instrument, std::string_view text) {
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Everything the instrument has ready, up to a stall.
inline std::vector<std::uint8_t> TakeAll(sim::SimulatedInstrument& instrument) {
    std::vector<std::uint8_t> bytes(instrument.OutputAvailable());
    bytes.resize(instrument.TakeOutput(bytes.data(), bytes.size()));
    return bytes;
}

inline std::uint32_t Word(const std::vector<std::uint8_t>& frame, std::size_t offset) {
    return std::uint32_t(frame[offset]) | std::uint32_t(frame[offset + 1]) << 8 |
           std::uint32_t(frame[offset + 2]) << 16 | std::uint32_t(frame[offset + 3]) << 24;
}

// Sample i of channel c (0 or 1) of a frame that starts at offset.
inline std::int16_t Sample(const std::vector<std::uint8_t>& frame, std::size_t i, int c,
                           std::size_t offset = 0) {
    std::size_t at = offset + 128 + 4 * i + 2 * std::size_t(c);
    return std::int16_t(std::uint16_t(frame[at] | frame[at + 1] << 8));
}

} // namespace sim_test
