#include "sim/simulated_instrument.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using sim::SimulatedInstrument;
using sim_test::Sample;
using sim_test::Send;
using sim_test::TakeAll;
using sim_test::Word;

constexpr std::size_t kFrame = duruz::kFrameBytes;

std::vector<std::uint8_t> Capture(SimulatedInstrument& instrument) {
    Send(instrument, "%z\r\n");
    return TakeAll(instrument);
}

int ZeroCrossings(const std::vector<std::uint8_t>& frame, int channel) {
    int crossings = 0;
    bool negative = Sample(frame, 0, channel) < 0;
    for (std::size_t i = 1; i < duruz::kSamplePairs; ++i) {
        std::int16_t s = Sample(frame, i, channel);
        if (s == 0)
            continue;
        if ((s < 0) != negative) {
            ++crossings;
            negative = s < 0;
        }
    }
    return crossings;
}

TEST(SimulatedInstrument, FrameLayout) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    Send(instrument, "%X2\r%Y6\r%S11  700 -123\r%G02500.000000,0.750000%G18");
    Send(instrument, "40000.000000,1.500000\r");
    std::vector<std::uint8_t> frame = Capture(instrument);
    ASSERT_EQ(frame.size(), kFrame);
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + 4), "xHxH");
    EXPECT_EQ(Word(frame, 4), 2048u);
    EXPECT_EQ(Word(frame, 8), 1u);  // frame number
    EXPECT_EQ(Word(frame, 12), 2u); // ranges
    EXPECT_EQ(Word(frame, 16), 6u);
    EXPECT_EQ(Word(frame, 20), 1u); // sync source, polarity, position, level
    EXPECT_EQ(Word(frame, 24), 1u);
    EXPECT_EQ(Word(frame, 28), 700u);
    EXPECT_EQ(std::int32_t(Word(frame, 32)), -123);
    EXPECT_EQ(Word(frame, 40), 2u); // generator A: cosine, 500 Hz, 0.75 V
    EXPECT_EQ(Word(frame, 44), 500000u);
    EXPECT_EQ(Word(frame, 48), 750u);
    EXPECT_EQ(Word(frame, 52), 8u); // generator B: square 90 %, 40 kHz, 1.5 V
    EXPECT_EQ(Word(frame, 56), 40000000u);
    EXPECT_EQ(Word(frame, 60), 1500u);
    EXPECT_EQ(Word(frame, 64), 102400u);
    for (std::size_t offset = 72; offset < 128; offset += 4)
        EXPECT_EQ(Word(frame, offset), 0u) << offset;

    // One frame per request; time moves on between frames.
    std::vector<std::uint8_t> second = Capture(instrument);
    ASSERT_EQ(second.size(), kFrame);
    EXPECT_EQ(Word(second, 8), 2u);
    EXPECT_GE(Word(second, 68), Word(frame, 68) + 2048u);
    EXPECT_EQ(instrument.OutputAvailable(), 0u);
}

TEST(SimulatedInstrument, GeneratorLoopsBackIntoTheInputs) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    Send(instrument, "%X7\r%Y0\r%G011000.000000,1.000000%G111000.000000,1.000000\r");
    std::vector<std::uint8_t> frame = Capture(instrument);
    ASSERT_EQ(frame.size(), kFrame);

    std::int16_t low = 0, high = 0, low2 = 0, high2 = 0;
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        low = std::min(low, Sample(frame, i, 0));
        high = std::max(high, Sample(frame, i, 0));
        low2 = std::min(low2, Sample(frame, i, 1));
        high2 = std::max(high2, Sample(frame, i, 1));
    }
    // 1 V peak on the 1 V range spans the full scale; on the 24 V range a 24th of it.
    EXPECT_GE(high, 2040);
    EXPECT_LE(high, 2047);
    EXPECT_LE(low, -2040);
    EXPECT_GE(low, -2047);
    EXPECT_EQ(high2, 85);
    EXPECT_EQ(low2, -85);
    // 1 kHz over 2,048 samples at 102,400 samples/s: 20 periods, 40 zero crossings.
    EXPECT_NEAR(ZeroCrossings(frame, 0), 40, 1);
    EXPECT_NEAR(ZeroCrossings(frame, 1), 40, 1);

    // Positive volts come out as negative samples (drawn upward): a 50 % square wave
    // spends half its samples at each level.
    Send(instrument, "%G066400.000000,0.500000%X6\r");
    frame = Capture(instrument);
    int up = 0, down = 0;
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        std::int16_t s = Sample(frame, i, 0);
        up += s == -512; // round(-0.5 * 2047 / 2)
        down += s == 512;
    }
    EXPECT_EQ(up + down, 2048);
    EXPECT_NEAR(up, 1024, 40);

    // Off gives silence.
    Send(instrument, "%G091000,1%G1:1000,1\r");
    frame = Capture(instrument);
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i)
        ASSERT_TRUE(Sample(frame, i, 0) == 0 && Sample(frame, i, 1) == 0) << i;
}

TEST(SimulatedInstrument, TriggerCrossingLandsOnTheSyncPosition) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    Send(instrument, "%X7\r%Y7\r%G01730.000000,1.000000%G12310.000000,0.800000\r");

    // Rise, upward on screen: sample values fall through the level.
    Send(instrument, "%S01  500  300\r");
    for (int round = 0; round < 3; ++round) {
        std::vector<std::uint8_t> frame = Capture(instrument);
        EXPECT_EQ(Word(frame, 36), 500u);
        EXPECT_GT(Sample(frame, 499, 0), 300);
        EXPECT_LE(Sample(frame, 500, 0), 300);
    }
    // Fall on channel 2 with a negative level: values rise through it.
    Send(instrument, "%S10 1500 -700\r");
    for (int round = 0; round < 3; ++round) {
        std::vector<std::uint8_t> frame = Capture(instrument);
        EXPECT_EQ(Word(frame, 36), 1500u);
        EXPECT_LT(Sample(frame, 1499, 1), -700);
        EXPECT_GE(Sample(frame, 1500, 1), -700);
    }
    // Position 0: the frame starts on the crossing.
    Send(instrument, "%S01    0    0\r");
    std::vector<std::uint8_t> frame = Capture(instrument);
    EXPECT_EQ(Word(frame, 36), 0u);
    EXPECT_LE(Sample(frame, 0, 0), 0);
    EXPECT_GT(Sample(frame, 1, 0), Sample(frame, 2, 0));

    // A level the signal never reaches: free-run, straight after the last frame.
    Send(instrument, "%S01 1024 2100\r");
    std::uint32_t end = Word(frame, 68) + 2048;
    frame = Capture(instrument);
    EXPECT_EQ(std::int32_t(Word(frame, 36)), -1);
    EXPECT_EQ(Word(frame, 68), end);
}

TEST(SimulatedInstrument, NoiseIsSmallAndSeeded) {
    SimulatedInstrument a({.seed = 7, .noise = true});
    SimulatedInstrument b({.seed = 7, .noise = true});
    SimulatedInstrument c({.seed = 8, .noise = true});
    std::vector<std::uint8_t> frameA = Capture(a);
    EXPECT_EQ(frameA, Capture(b));
    EXPECT_NE(frameA, Capture(c));
    int nonZero = 0;
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            std::int16_t s = Sample(frameA, i, channel);
            EXPECT_LE(std::abs(s), 2);
            nonZero += s != 0;
        }
    }
    EXPECT_GT(nonZero, 1000);
}

TEST(SimulatedInstrument, FaultInjection) {
    SimulatedInstrument reference({.seed = 3, .noise = false});
    std::vector<std::uint8_t> first = Capture(reference);
    std::vector<std::uint8_t> second = Capture(reference);

    // Stray bytes go out before the next frame only.
    SimulatedInstrument stray({.seed = 3, .noise = false});
    const std::uint8_t junk[] = {0x48, 0x00, 0x78};
    stray.InjectStrayBytes(junk, 3);
    std::vector<std::uint8_t> out = Capture(stray);
    ASSERT_EQ(out.size(), kFrame + 3);
    EXPECT_TRUE(std::equal(junk, junk + 3, out.begin()));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), out.begin() + 3));
    EXPECT_EQ(Capture(stray), second);

    // A cut frame stops after the given bytes; the next one is whole.
    SimulatedInstrument cut({.seed = 3, .noise = false});
    cut.CutNextFrame(1000);
    out = Capture(cut);
    ASSERT_EQ(out.size(), 1000u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), first.begin()));
    EXPECT_EQ(Capture(cut), second);

    // A stall holds the output after the given bytes until it ends.
    SimulatedInstrument stall({.seed = 3, .noise = false});
    stall.StallNextFrame(3000, 40);
    out = Capture(stall);
    ASSERT_EQ(out.size(), 3000u);
    EXPECT_TRUE(stall.AtStall());
    EXPECT_EQ(stall.StallMs(), 40u);
    EXPECT_TRUE(TakeAll(stall).empty());
    stall.EndStall();
    std::vector<std::uint8_t> rest = TakeAll(stall);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(out, first);
    EXPECT_FALSE(stall.AtStall());

    // Ignored requests get no answer and use no frame number.
    SimulatedInstrument deaf({.seed = 3, .noise = false});
    deaf.IgnoreRequests(2);
    EXPECT_TRUE(Capture(deaf).empty());
    EXPECT_TRUE(Capture(deaf).empty());
    EXPECT_EQ(Capture(deaf), first);
    EXPECT_EQ(deaf.CaptureRequests(), 3u);
    EXPECT_EQ(deaf.FramesSent(), 1u);

    // Faults combine on one frame.
    SimulatedInstrument both({.seed = 3, .noise = false});
    both.InjectStrayBytes(junk, 2);
    both.CutNextFrame(200);
    both.StallNextFrame(100, 5);
    out = Capture(both);
    EXPECT_EQ(out.size(), 102u);
    both.EndStall();
    EXPECT_EQ(TakeAll(both).size(), 100u);
}

} // namespace
