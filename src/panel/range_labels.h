#pragma once

#include "link/input_ranges.h"

namespace duruz {

// The text of one range row under one probe (link/input_ranges.h). A probe row other
// than 0 (x10) counts as x1, so a list without a selected probe still gets labels; a
// range row outside 0..7 gives the nearest row.
const char* RangeLabel(int probeRow, int rangeRow);

} // namespace duruz
