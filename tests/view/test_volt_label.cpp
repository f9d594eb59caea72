#include "view/division_table.h"
#include "view/volt_label.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

// Out of the label's reach the digits wrap, taken from the true magnitude of INT_MIN.
TEST(VoltLabel, FormsEightCharactersWithTheSignInColumnOne) {
    const std::pair<int, const char*> rows[] = {
        {19200, "  19.2 V"},   {192000, " 192.0 V"}, {0, "   0.0 V"},      {800, "   0.8 V"},
        {-800, "-  0.8 V"},    {-4800, "-  4.8 V"},  {-19200, "- 19.2 V"}, {99, "   0.0 V"},
        {-192000, "-192.0 V"}, {INT_MIN, "-483.6 V"}};
    for (const auto& [millivolts, text] : rows)
        EXPECT_STREQ(duruz::VoltLabel(millivolts).c_str(), text) << millivolts;
}

// A probe row outside the table reads as x1; no range selection reads the zero entry.
TEST(DivisionTable, OutOfRangeSelectionsAreGuarded) {
    const int rows[][3] = {{1, 0, 48}, {1, 7, 2},  {0, 3, 240}, {-1, 0, 48},
                           {2, 1, 40}, {0, -1, 0}, {1, 8, 0},   {1, 1000, 0}};
    for (const auto& [probe, range, tenths] : rows)
        EXPECT_EQ(duruz::DivisionTenths(probe, range), tenths) << probe << " " << range;
}
