#include "panel/range_labels.h"

#include "link/input_ranges.h"

#include <cstddef>

namespace duruz {

const char* RangeLabel(int probeRow, int rangeRow) {
    const int probe = probeRow == 0 ? 0 : 1;
    const int range = rangeRow < 0 ? 0 : (rangeRow >= kRangeRows ? kRangeRows - 1 : rangeRow);
    return kInputRanges[static_cast<std::size_t>(range)].labels[static_cast<std::size_t>(probe)];
}

} // namespace duruz
