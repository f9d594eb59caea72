#include "view/division_table.h"

#include <gtest/gtest.h>

// A probe row outside the table reads as x1; no range selection reads the zero entry.
TEST(DivisionTable, GuardsItsProbeAndRangeRows) {
    const int divisions[][3] = {{1, 0, 48}, {1, 7, 2},  {0, 3, 240}, {-1, 0, 48},
                                {2, 1, 40}, {0, -1, 0}, {1, 8, 0},   {1, 1000, 0}};
    for (const auto& [probe, range, tenths] : divisions)
        EXPECT_EQ(duruz::DivisionTenths(probe, range), tenths) << probe << " " << range;
}
