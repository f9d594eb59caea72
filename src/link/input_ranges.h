#pragma once

#include <array>
#include <cstdint>

namespace duruz {

constexpr int kProbeRows = 2; // 0 "x10", 1 "x1"
constexpr int kRangeRows = 8;

// One row of a channel's range list, the same row number the "%X" and "%Y" commands send.
struct InputRange {
    // Full scale at the input pins, which is the x1 probe's full scale: five
    // divisions each way from the centre line.
    std::int32_t volts;
    // The row's text under each probe row. Single-byte Windows-1252: "\261" is octal
    // 0xB1, the plus-minus sign; an octal escape stops after three digits, so the
    // value's digits can follow it directly (a hex escape would swallow them).
    std::array<const char*, kProbeRows> labels;
};

inline constexpr std::array<InputRange, kRangeRows> kInputRanges{{
    {24, {"\261240V", "\26124V"}},
    {20, {"\261200V", "\26120 V"}},
    {16, {"\261160V", "\26116 V"}},
    {12, {"\261120V", "\26112 V"}},
    {8, {"\26180 V", "\2618 V"}},
    {4, {"\26140 V", "\2614 V"}},
    {2, {"\26120 V", "\2612 V"}},
    {1, {"\26110 V", "\2611 V"}},
}};

// The x10 probe divides the signal by ten, so a range spans ten times the volts.
constexpr std::int32_t ProbeFactor(int probeRow) {
    return probeRow == 0 ? 10 : 1;
}

} // namespace duruz
