#pragma once

#include "link/link_counters.h"
#include "link/open_port.h"
#include "view/measure.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace duruz {

// The texts of the window's status strip, in UTF-8 with C-locale numbers.

// What became of the last port the user chose.
struct LinkStatus {
    // Unconfigured: open, but it refused its settings or time-outs.
    enum class State { None, Open, Unconfigured, Failed, Disconnected };
    std::string port; // the row's text: "ttyUSB0", "Simulator", a --port path
    State state = State::None;
    // Why it failed: "Error opening", "does not exist"; or the step it was not
    // configured at: "Error setting state of".
    std::string reason;
};

// The status of the port named by the row's text after an attempt to open it.
LinkStatus StatusAfterOpen(const std::string& port, const Result<OpenedPort>& opened);

// value in the unit with an SI prefix and the given significant digits:
// Engineering(1000, 4, "Hz") is "1.000 kHz", Engineering(0.0021, 3, "s") "2.10 ms".
std::string Engineering(double value, int digits, std::string_view unit);

std::string LinkText(const LinkStatus& status);                     // "Simulator: open"
std::string RateText(double framesPerSecond, std::uint32_t frames); // "1.4 fps, 23 frames"
// "Resyncs 1 (5 B), timeouts 0 empty, 0 part, 2 stale": stale frames are those not shown.
std::string FaultsText(const LinkCounters& counters);
// The short line of a shown channel and the tooltip with every value. Peak-to-peak
// and RMS of a clipped channel carry '>'; the maximum carries '>' when the highest
// volts clipped, the minimum '<' when the lowest did; a frequency that cannot be
// measured reads "—".
std::string ChannelText(int channel, const ChannelMeasurements& m);
std::string ChannelDetail(int channel, const ChannelMeasurements& m);
std::string SpectrumText(int channel, const SpectrumPeak& peak);

} // namespace duruz
