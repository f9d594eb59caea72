#include "panel/probe_ranges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using duruz::RangeRowsForProbe;

std::vector<std::string> Labels(const duruz::RangeRows& rows) {
    return {rows.labels.begin(), rows.labels.end()};
}

TEST(RangeRowsForProbe, ProbeRowZeroIsX10AndEveryOtherRowX1) {
    // Windows-1252: "\261" is the plus-minus sign.
    const std::vector<std::string> x10 = {"\261240V", "\261200V", "\261160V", "\261120V",
                                          "\26180 V", "\26140 V", "\26120 V", "\26110 V"};
    const std::vector<std::string> x1 = {"\26124V", "\26120 V", "\26116 V", "\26112 V",
                                         "\2618 V", "\2614 V",  "\2612 V",  "\2611 V"};
    EXPECT_EQ(Labels(RangeRowsForProbe(0, 0)), x10);
    // No probe selected, and a row past the probe list, label as x1.
    for (int probeRow : {1, -1, 2})
        EXPECT_EQ(Labels(RangeRowsForProbe(probeRow, 0)), x1) << probeRow;
}

TEST(RangeRowsForProbe, RangeRowStaysInsideTheListAndFallsToTheLastOutside) {
    const struct {
        int rangeRow;
        int selected;
    } cases[] = {{0, 0}, {3, 3}, {7, 7}, {8, 7}, {-1, 7}, {-2, 7}};
    for (const auto& c : cases)
        EXPECT_EQ(RangeRowsForProbe(1, c.rangeRow).selected, c.selected) << c.rangeRow;
}

} // namespace
