#include "view/division_table.h"
#include "view/volt_label.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using duruz::DivisionTenths;
using duruz::VoltLabel;

TEST(VoltLabel, FormsEightCharactersWithTheSignInColumnOne) {
    EXPECT_STREQ(VoltLabel(19200).c_str(), "  19.2 V");
    EXPECT_STREQ(VoltLabel(192000).c_str(), " 192.0 V");
    EXPECT_STREQ(VoltLabel(0).c_str(), "   0.0 V");
    EXPECT_STREQ(VoltLabel(800).c_str(), "   0.8 V");
    EXPECT_STREQ(VoltLabel(-4800).c_str(), "-  4.8 V");
    EXPECT_STREQ(VoltLabel(-19200).c_str(), "- 19.2 V");
    EXPECT_STREQ(VoltLabel(-192000).c_str(), "-192.0 V");
    EXPECT_STREQ(VoltLabel(99).c_str(), "   0.0 V");
    // Out of the label's reach the digits wrap but the form stays eight wide.
    EXPECT_EQ(std::string(VoltLabel(INT_MIN).c_str()).size(), 8u);
    // Each call has its own text.
    const auto a = VoltLabel(800);
    const auto b = VoltLabel(-800);
    EXPECT_STREQ(a.c_str(), "   0.8 V");
    EXPECT_STREQ(b.c_str(), "-  0.8 V");
}

TEST(VoltLabel, ColumnsForTheWidestRanges) {
    const char* x1[9] = {"  19.2 V", "  14.4 V", "   9.6 V", "   4.8 V", "   0.0 V",
                         "-  4.8 V", "-  9.6 V", "- 14.4 V", "- 19.2 V"};
    const char* x10[9] = {" 192.0 V", " 144.0 V", "  96.0 V", "  48.0 V", "   0.0 V",
                          "- 48.0 V", "- 96.0 V", "-144.0 V", "-192.0 V"};
    for (int g = 1; g <= 9; ++g) {
        EXPECT_STREQ(VoltLabel(100 * DivisionTenths(1, 0) * (5 - g)).c_str(), x1[g - 1]) << g;
        EXPECT_STREQ(VoltLabel(100 * DivisionTenths(0, 0) * (5 - g)).c_str(), x10[g - 1]) << g;
    }
}

TEST(DivisionTable, OutOfRangeSelectionsAreGuarded) {
    EXPECT_EQ(DivisionTenths(1, 0), 48);
    EXPECT_EQ(DivisionTenths(1, 7), 2);
    EXPECT_EQ(DivisionTenths(0, 3), 240);
    EXPECT_EQ(DivisionTenths(-1, 0), 48); // no probe selection reads as x1
    EXPECT_EQ(DivisionTenths(2, 1), 40);
    EXPECT_EQ(DivisionTenths(0, -1), 0); // no range selection: the zero entry
    EXPECT_EQ(DivisionTenths(1, 8), 0);
    EXPECT_EQ(DivisionTenths(1, 1000), 0);
}
