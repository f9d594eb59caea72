#pragma once

#include <array>
#include <cstdint>

namespace duruz {

// An eight-character volts label and its terminator, returned by value so that
// no call overwrites another's text.
struct VoltText {
    std::array<char, 9> chars{};
    const char* c_str() const { return chars.data(); }
};

// Formats millivolts as sign, up to three digits, one decimal and " V": the sign
// stays in the first column, e.g. "-  4.8 V" for -4,800 mV.
VoltText VoltLabel(std::int32_t millivolts);

} // namespace duruz
