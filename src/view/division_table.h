#pragma once

#include "link/input_ranges.h"

#include <cstddef>
#include <cstdint>

namespace duruz {

// One vertical division in tenths of a volt, by probe row (0 "x10", 1 "x1") and
// range row (0 the widest, 24 V at x1, to 7 the narrowest, 1 V at x1): a fifth of
// the range's full scale. A probe row other than 0 reads as x1; a range row
// outside it (no selection) reads 0, so the labels claim no range rather than a
// wrong one.
constexpr std::int32_t DivisionTenths(int probeRow, int rangeRow) {
    if (rangeRow < 0 || rangeRow >= kRangeRows)
        return 0;
    return kInputRanges[static_cast<std::size_t>(rangeRow)].volts * ProbeFactor(probeRow) * 10 / 5;
}

} // namespace duruz
