#include "view/spectrum_transform.h"

#include <gtest/gtest.h>

#include <cstring>

// 5119 is the cosine of one step; the zeros compare bit for bit, sign included.
TEST(SineTable, HoldsTheSixDecimalValuesWithTheirSignedZeros) {
    const std::pair<int, float> entries[] = {{1, 0.001534f},    {1024, 1.0f}, {3072, -1.0f},
                                             {5119, 0.999999f}, {0, 0.0f},    {2048, 0.0f},
                                             {4096, -0.0f}};
    for (const auto& [k, value] : entries)
        EXPECT_EQ(std::memcmp(&duruz::SineTable[k], &value, sizeof value), 0) << k;
}
