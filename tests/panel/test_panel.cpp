#include "panel/probe_ranges.h"
#include "panel/sync_controls.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

// Probe row 0 is x10; no probe, and a row past the probe list, label as x1. A range
// row outside the list selects the last row. "\261" is the Windows-1252 plus-minus sign.
TEST(RangeRowsForProbe, LabelsPerProbeAndTheRangeRowKeptInsideTheList) {
    const std::vector<std::string> x10 = {"\261240V", "\261200V", "\261160V", "\261120V",
                                          "\26180 V", "\26140 V", "\26120 V", "\26110 V"};
    const std::vector<std::string> x1 = {"\26124V", "\26120 V", "\26116 V", "\26112 V",
                                         "\2618 V", "\2614 V",  "\2612 V",  "\2611 V"};
    for (const int probeRow : {0, 1, -1, 2}) {
        const auto labels = duruz::RangeRowsForProbe(probeRow, 0).labels;
        EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.end()), probeRow == 0 ? x10 : x1)
            << probeRow;
    }
    const int cases[][2] = {{0, 0}, {3, 3}, {7, 7}, {8, 7}, {-1, 7}, {-2, 7}};
    for (const auto& [rangeRow, selected] : cases)
        EXPECT_EQ(duruz::RangeRowsForProbe(1, rangeRow).selected, selected) << rangeRow;
}

// Row 0 is XY mode: the level is pinned whatever the bar says, even at zero.
TEST(TriggerFromControls, LevelIsMinusTheBarExceptInXyMode) {
    const int cases[][3] = {{0, 300, 2000}, {0, 0, 2000}, {1, 300, -300}, {1, 0, 0}, {15, -7, 7}};
    for (const auto& [sweepRow, levelBar, level] : cases) {
        const duruz::TriggerState t = duruz::TriggerFromControls({sweepRow, 1, 0, levelBar, 2048});
        EXPECT_EQ(std::tie(t.SyncLevel, t.SyncSource, t.SyncPolarity, t.SyncPosition),
                  std::make_tuple(level, 1, 0, 2048))
            << sweepRow << " " << levelBar;
    }
}
