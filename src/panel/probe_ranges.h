#pragma once

#include "panel/range_labels.h"

#include <array>

namespace duruz {

// A range list's rows after its probe changed: the labels under the probe, and the
// row to select and scroll to.
struct RangeRows {
    std::array<const char*, kRangeRows> labels{};
    int selected = 0;
};

// The range row stays; with none selected (or one outside the list) the narrowest
// range, the last row, is taken.
RangeRows RangeRowsForProbe(int probeRow, int rangeRow);

} // namespace duruz
