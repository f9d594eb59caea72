#include "panel/probe_ranges.h"

namespace duruz {

RangeRows RangeRowsForProbe(int probeRow, int rangeRow) {
    RangeRows rows;
    for (int row = 0; row < kRangeRows; ++row)
        rows.labels[row] = RangeLabel(probeRow, row);
    rows.selected = rangeRow < 0 || rangeRow >= kRangeRows ? kRangeRows - 1 : rangeRow;
    return rows;
}

} // namespace duruz
