#include "session/config_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace duruz;

TEST(ConfigTable, WritesEveryLineByteForByte) {
    ScopeSettings s;
    s.sweepRow = 0;
    s.trigger = {1, -1, -1500, 2048};
    s.port = {2, "/dev/ttyUSB0"};
    s.channels = {{{0, 3, true, true}, {1, 7, false, false}}};
    s.window = {12, 277, 1527, 938};
    s.hold = true;
    s.generator = {{{-1, "5", ""}, {8, "1000", "2.50"}}};
    EXPECT_EQ(
        FormatConfig(s),
        "SwpSp 0                \r\nSySrc 1                \r\nSyPol -1                \r\n"
        "ComPt 2                /dev/ttyUSB0\r\nProb1 0                \r\n"
        "Scal1 3                \r\nProb2 1                \r\nScal2 7                \r\n"
        "SyLev -1500                \r\nSyPos 2048                \r\n"
        "Wleft 12                \r\nWtopp 277                \r\n"
        "Wwidt 1527                \r\nWhigh 938                \r\nScop1 1                \r\n"
        "Scop2 0                \r\nFft1C 1                \r\nFft2C 0                \r\n"
        "Hold  1                \r\nWave1 -1                \r\nFreq1 5               \r\n"
        "Ampl1                \r\nWave2 8                \r\nFreq2 1000               \r\n"
        "Ampl2 2.50               \r\n");
}

// Each line as its control takes it: rows outside the list change nothing, the bars
// clamp, the window's size stops at 8192, and a bar that moved sends the trigger.
TEST(ConfigTable, AppliesALineAsItsControlWould) {
    struct Row {
        int index;
        const char* value;
        bool changed;
        bool movesTrigger;
    };
    const Row rows[] = {
        {0, "2", false, false},   {0, "0", true, false},      {0, "-1", true, false},
        {3, "3", false, false},   {3, "2", true, false},      {5, "8", false, false},
        {5, "7", true, false},    {19, "10", false, false},   {22, "10", true, false},
        {8, "-2001", true, true}, {8, "-2000", false, false}, {9, "2049", true, true},
        {9, "0", true, true},     {12, "8193", true, false},  {18, "2", true, false},
        {20, "5 ", true, false},  {25, "1", false, false},
    };
    ScopeSettings s;
    for (const Row& row : rows) {
        const ConfigLineChange change = ApplyConfigLine(s, row.index, row.value, 3);
        EXPECT_EQ(change.changed, row.changed) << row.index << " " << row.value;
        EXPECT_EQ(change.movesTrigger, row.movesTrigger) << row.index << " " << row.value;
    }
    EXPECT_EQ(s.sweepRow, -1);
    EXPECT_EQ(s.port.row, 2);
    EXPECT_EQ(s.channels[0].rangeRow, 7);
    EXPECT_EQ(s.generator[0].waveformRow, -1);
    EXPECT_EQ(s.generator[1].waveformRow, 10);
    EXPECT_EQ(s.trigger.levelBar, -2000);
    EXPECT_EQ(s.trigger.positionBar, 0);
    EXPECT_EQ(s.window.width, 8192);
    EXPECT_TRUE(s.hold);
    EXPECT_EQ(s.generator[0].frequency, "5 ");
    EXPECT_EQ(ApplyConfigLine(s, 12, "8192", 3).changed, false);
    EXPECT_EQ(ApplyConfigLine(s, 15, "1", 3).group, SettingGroup::Display);
}

TEST(ConfigTable, ParseLongFollowsAtolAndSaturates) {
    std::vector<std::int32_t> parsed;
    for (const char* text : {"\t\n-17x", "+8", "abc", "", "- 5", "2147483647", "-2147483648",
                             "2147483648", "-2147483649", "99999999999999999999999"})
        parsed.push_back(ParseLong(text));
    EXPECT_EQ(parsed, (std::vector<std::int32_t>{-17, 8, 0, 0, 0, INT32_MAX, INT32_MIN, INT32_MAX,
                                                 INT32_MIN, INT32_MAX}));
}

} // namespace
