// The simulated instrument's frames: their layout, and the trigger.

#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

using namespace sim_test;
using sim::SimulatedInstrument;
using Words = std::vector<std::uint32_t>;

// The words of frame from byte offset from up to to.
Words WordsOf(const Bytes& frame, std::size_t from, std::size_t to) {
    Words words;
    for (std::size_t at = from; at < to; at += 4)
        words.push_back(Word(frame, at));
    return words;
}

TEST(SimulatedInstrument, FrameLayoutAndLoopBack) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    // A level never reached: free-run, from the start of the sines, frame after frame.
    const Bytes frame = Capture(
        instrument, "%X7\r%Y0\r%S01 1024 2100\r%G011000.000000,1.000000%G111000.000000,1.0\r");
    ASSERT_EQ(frame.size(), duruz::kFrameBytes);
    // "xHxH", pair count, frame number, the settings, the trigger index, the sample
    // rate and the index of sample 0; zeros to the end of the header.
    Words header{0x48784878, 2048, 1,       7,    0, 0,       1,    1024,  2100,
                 0xFFFFFFFF, 1,    1000000, 1000, 1, 1000000, 1000, 102400};
    header.resize(32);
    EXPECT_EQ(WordsOf(frame, 0, 128), header);
    // One frame per request, numbered on, its samples straight after the last ones.
    const Bytes second = Capture(instrument);
    ASSERT_EQ(second.size(), duruz::kFrameBytes);
    EXPECT_TRUE(Word(second, 8) == 2u && Word(second, 68) == 2048u);

    // Positive volts come out as negative samples, drawn upward.
    EXPECT_TRUE(Sample(frame, 0, 0) == 0 && Sample(frame, 1, 0) < 0);
    // 1 V peak on the 1 V range spans the full scale, on the 24 V range a 24th of it.
    std::array<int, 2> low{}, high{};
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i)
        for (const int c : {0, 1}) {
            low[c] = std::min(low[c], Sample(frame, i, c));
            high[c] = std::max(high[c], Sample(frame, i, c));
        }
    EXPECT_TRUE(high[0] >= 2040 && high[0] <= 2047 && low[0] <= -2040 && low[0] >= -2047)
        << low[0] << " " << high[0];
    EXPECT_EQ(std::pair(low[1], high[1]), std::pair(-85, 85));
}

TEST(SimulatedInstrument, TriggerCrossingLandsOnTheSyncPosition) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    Send(instrument, "%X7\r%Y7\r%G01730.000000,1.000000%G12310.000000,0.800000\r");
    // Rise on channel 1 is upward on screen: sample values fall through the level.
    // Fall on channel 2 with a negative level: values rise through it.
    for (int round = 0; round < 6; ++round) {
        const bool rise = round < 3;
        const int channel = rise ? 0 : 1, at = rise ? 500 : 1500, level = rise ? 300 : -700;
        const Bytes frame = Capture(instrument, rise ? "%S01  500  300\r" : "%S10 1500 -700\r");
        const int before = Sample(frame, at - 1, channel), after = Sample(frame, at, channel);
        EXPECT_EQ(Word(frame, 36), std::uint32_t(at)) << round;
        EXPECT_TRUE(rise ? before > level && after <= level : before < level && after >= level)
            << round << ": " << before << " " << after;
    }
    // Position 0: the frame starts on the crossing.
    const Bytes frame = Capture(instrument, "%S01    0    0\r");
    EXPECT_EQ(Word(frame, 36), 0u);
    EXPECT_TRUE(Sample(frame, 0, 0) <= 0 && Sample(frame, 1, 0) > Sample(frame, 2, 0));
}

} // namespace
