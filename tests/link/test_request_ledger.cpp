#include "link/request_ledger.h"

#include <gtest/gtest.h>

using duruz::RequestLedger;

// Runs beyond the ledger's room merge the two oldest under the older generation.
TEST(RequestLedger, RunsBeyondItsRoomMergeTheTwoOldest) {
    RequestLedger ledger;
    for (std::uint32_t generation = 1; generation <= RequestLedger::kRuns + 1; ++generation)
        ledger.Push(generation);
    std::uint32_t first = 0, second = 0, third = 0;
    EXPECT_TRUE(ledger.Pop(first) && ledger.Pop(second) && ledger.Pop(third));
    EXPECT_EQ((std::vector<std::uint32_t>{first, second, third}),
              (std::vector<std::uint32_t>{1, 1, 3}));
}
