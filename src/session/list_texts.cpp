#include "session/list_texts.h"

#include "panel/range_labels.h"

namespace duruz {

std::array<const char*, kRangeRows> RangeRowTexts(int probeRow) {
    std::array<const char*, kRangeRows> texts{};
    for (int row = 0; row < kRangeRows; ++row)
        texts[static_cast<std::size_t>(row)] = RangeLabel(probeRow, row);
    return texts;
}

std::string Utf8Text(const std::string& windows1252) {
    std::string text;
    for (const char c : windows1252) {
        if (c == '\xB1')
            text += "\xC2\xB1";
        else if (c == '\x97')
            text += "\xE2\x80\x94";
        else
            text += c;
    }
    return text;
}

} // namespace duruz
