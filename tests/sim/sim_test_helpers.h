#pragma once

#include "sim/simulated_instrument.h"

#include <string>
#include <vector>

namespace sim_test {

using Bytes = std::vector<std::uint8_t>;

inline void Send(sim::SimulatedInstrument& instrument, std::string_view text) {
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// Everything the instrument has ready, up to a stall.
inline Bytes TakeAll(sim::SimulatedInstrument& instrument) {
    Bytes bytes(instrument.OutputAvailable());
    bytes.resize(instrument.TakeOutput(bytes.data(), bytes.size()));
    return bytes;
}

// Sends the commands and a capture request; returns all that comes back.
inline Bytes Capture(sim::SimulatedInstrument& instrument, std::string_view commands = "") {
    Send(instrument, commands);
    Send(instrument, "%z\r\n");
    return TakeAll(instrument);
}

inline std::uint32_t Word(const Bytes& frame, std::size_t offset) {
    return std::uint32_t(frame[offset]) | std::uint32_t(frame[offset + 1]) << 8 |
           std::uint32_t(frame[offset + 2]) << 16 | std::uint32_t(frame[offset + 3]) << 24;
}

// Sample i of channel c (0 or 1).
inline int Sample(const Bytes& frame, std::size_t i, int c) {
    const std::size_t at = 128 + 4 * i + 2 * std::size_t(c);
    return std::int16_t(std::uint16_t(frame[at] | frame[at + 1] << 8));
}

} // namespace sim_test
