#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace duruz {

// The window's place and client size on a first start, before Config.Ini has any.
constexpr std::int32_t kDefaultWindowLeft = 0;
constexpr std::int32_t kDefaultWindowTop = 277;
constexpr std::int32_t kDefaultWindowWidth = 1511;
constexpr std::int32_t kDefaultWindowHeight = 899;

// One input channel. Rows are list rows as the user picks them and Config.Ini
// stores them; -1 is a list with no row selected.
struct ChannelSettings {
    std::int32_t probeRow = -1; // 0 "x10", 1 "x1"
    std::int32_t rangeRow = -1; // 0 widest .. 7 narrowest
    bool shown = true;          // the time trace is drawn
    bool spectrum = false;      // the magnitude spectrum is drawn

    bool operator==(const ChannelSettings&) const = default;
};

// The sweep's trigger as its controls hold it: list rows and the two bars'
// positions (the level bar runs -2000..2000, upward negative; the position bar
// 0..2048).
struct TriggerSettings {
    std::int32_t sourceRow = -1;   // 0 Ch1, 1 Ch2
    std::int32_t polarityRow = -1; // 0 Fall, 1 Rise
    std::int32_t levelBar = 0;
    std::int32_t positionBar = 298;

    bool operator==(const TriggerSettings&) const = default;
};

// One generator channel. Frequency and amplitude are the texts the user typed:
// a text that is not a number is kept, and refused only when it is sent.
struct GeneratorChannelSettings {
    std::int32_t waveformRow = -1;
    std::string frequency;
    std::string amplitude = "1.00";

    bool operator==(const GeneratorChannelSettings&) const = default;
};

// The port chosen: its row in the port list (-1 for none) and the device path
// that row opened, which Config.Ini records after the row.
struct PortSetting {
    std::int32_t row = -1;
    std::string path;

    bool operator==(const PortSetting&) const = default;
};

// The window's outer top-left corner and its client size.
struct WindowPlace {
    std::int32_t left = kDefaultWindowLeft;
    std::int32_t top = kDefaultWindowTop;
    std::int32_t width = kDefaultWindowWidth;
    std::int32_t height = kDefaultWindowHeight;

    bool operator==(const WindowPlace&) const = default;
};

// Everything the instrument and the screen are set to, and exactly what
// Config.Ini can hold, so a file read and written again keeps its bytes.
struct ScopeSettings {
    std::int32_t sweepRow = -1; // 0 "XY Mode", 1 "2 mSec/div"
    std::array<ChannelSettings, 2> channels{};
    TriggerSettings trigger;
    std::array<GeneratorChannelSettings, 2> generator{{{-1, "200", "1.00"}, {-1, "201", "1.00"}}};
    bool hold = false;
    PortSetting port;
    WindowPlace window;

    bool operator==(const ScopeSettings&) const = default;
};

} // namespace duruz
