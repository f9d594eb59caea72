#include "session/list_texts.h"

#include "panel/range_labels.h"

namespace duruz {

std::array<const char*, kRangeRows> RangeRowTexts(int probeRow) {
    std::array<const char*, kRangeRows> texts{};
    for (int row = 0; row < kRangeRows; ++row)
        texts[static_cast<std::size_t>(row)] = RangeLabel(probeRow, row);
    return texts;
}

} // namespace duruz
