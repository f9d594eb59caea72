#include "sim/byte_ring.h"
#include "sim/simulated_instrument.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Taking nothing is what the host does with an empty buffer (an empty vector's
// data() is null): it must leave the queue alone and never hand memcpy a null
// pointer, which the sanitizer build reports as undefined behaviour.
TEST(ByteRing, EmptyTransfersWithNullPointersChangeNothing) {
    sim::ByteRing<8> ring;
    EXPECT_EQ(ring.Pop(nullptr, 0), 0u);
    EXPECT_EQ(ring.Pop(nullptr, 5), 0u); // nothing queued, so nothing is written
    EXPECT_EQ(ring.Push(nullptr, 0), 0u);

    const std::uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ring.Push(bytes, 6), 6u);
    EXPECT_EQ(ring.Pop(nullptr, 0), 0u);
    EXPECT_EQ(ring.Size(), 6u);

    // Across the end of the storage the bytes still come out in order.
    std::uint8_t out[8] = {};
    ASSERT_EQ(ring.Pop(out, 4), 4u);
    ASSERT_EQ(ring.Push(bytes, 6), 6u); // 2 left + 6 new: full, wrapped
    EXPECT_EQ(ring.Push(bytes, 1), 0u);
    ASSERT_EQ(ring.Pop(out, 8), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 8),
              (std::vector<std::uint8_t>{5, 6, 1, 2, 3, 4, 5, 6}));
}

TEST(SimulatedInstrument, TakingNothingLeavesTheFrameWhole) {
    sim::SimulatedInstrument instrument({.seed = 5, .noise = false});
    sim_test::Send(instrument, "%z\r\n");
    ASSERT_EQ(instrument.OutputAvailable(), duruz::kFrameBytes);
    EXPECT_EQ(instrument.TakeOutput(nullptr, 0), 0u);
    const std::vector<std::uint8_t> frame = sim_test::TakeAll(instrument);
    ASSERT_EQ(frame.size(), duruz::kFrameBytes);
    EXPECT_EQ(sim_test::Word(frame, 0), duruz::kFrameMarker);
    EXPECT_EQ(sim_test::Word(frame, 8), 1u);
    // With nothing left, an empty vector's null data() is taken from safely.
    EXPECT_TRUE(sim_test::TakeAll(instrument).empty());
}

} // namespace
