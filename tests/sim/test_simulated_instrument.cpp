#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace sim_test;
using sim::SimulatedInstrument;

struct Trace {
    int low = 0, high = 0, zeroCrossings = 0;
};

Trace Measure(const Bytes& frame, int channel) {
    Trace trace;
    bool negative = Sample(frame, 0, channel) < 0;
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        const int s = Sample(frame, i, channel);
        trace.low = std::min(trace.low, s);
        trace.high = std::max(trace.high, s);
        if (s != 0 && (s < 0) != negative) {
            ++trace.zeroCrossings;
            negative = s < 0;
        }
    }
    return trace;
}

TEST(SimulatedInstrument, FrameLayoutAndLoopBack) {
    SimulatedInstrument instrument({.seed = 1, .noise = false});
    // A level never reached: free-run, from the start of the sines, frame after frame.
    const Bytes frame = Capture(
        instrument, "%X7\r%Y0\r%S01 1024 2100\r%G011000.000000,1.000000%G111000.000000,1.0\r");
    ASSERT_EQ(frame.size(), duruz::kFrameBytes);
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + 4), "xHxH");
    // Pair count, frame number, trigger index, sample rate, index of sample 0.
    const std::pair<std::size_t, std::uint32_t> kWords[] = {
        {4, 2048}, {8, 1}, {36, 0xFFFFFFFF}, {64, 102400}, {68, 0}};
    for (auto [offset, value] : kWords)
        EXPECT_EQ(Word(frame, offset), value) << offset;
    EXPECT_TRUE(std::all_of(frame.begin() + 72, frame.begin() + 128, [](auto b) { return !b; }));
    // One frame per request, numbered on, its samples straight after the last ones.
    const Bytes second = Capture(instrument);
    ASSERT_EQ(second.size(), duruz::kFrameBytes);
    EXPECT_TRUE(Word(second, 8) == 2u && Word(second, 68) == 2048u);

    // Positive volts come out as negative samples, drawn upward.
    EXPECT_TRUE(Sample(frame, 0, 0) == 0 && Sample(frame, 1, 0) < 0);
    // 1 V peak on the 1 V range spans the full scale, on the 24 V range a 24th of it;
    // 1 kHz over 2,048 samples at 102,400 samples/s: 20 periods, 40 zero crossings.
    const Trace a = Measure(frame, 0), b = Measure(frame, 1);
    EXPECT_TRUE(a.high >= 2040 && a.high <= 2047 && a.low <= -2040 && a.low >= -2047)
        << a.low << " " << a.high;
    EXPECT_TRUE(b.high == 85 && b.low == -85) << b.low << " " << b.high;
    EXPECT_NEAR(a.zeroCrossings, 40, 1);
    EXPECT_NEAR(b.zeroCrossings, 40, 1);
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

// The same seed giving the same frame is what the port tests compare against.
TEST(SimulatedInstrument, NoiseIsSmallAndSeeded) {
    const Bytes frame = FirstFrame({.seed = 7, .noise = true, .demo = false});
    EXPECT_NE(frame, FirstFrame({.seed = 8, .noise = true, .demo = false}));
    const Trace a = Measure(frame, 0), b = Measure(frame, 1);
    EXPECT_TRUE(a.low >= -2 && a.high <= 2 && b.low >= -2 && b.high <= 2);
}

TEST(SimulatedInstrument, FaultInjection) {
    SimulatedInstrument reference({.seed = 3, .noise = false});
    const Bytes first = Capture(reference), second = Capture(reference);
    const std::uint8_t junk[] = {0x48, 0x00, 0x78};

    // Stray bytes go out before the next frame only.
    SimulatedInstrument stray({.seed = 3, .noise = false});
    stray.InjectStrayBytes(junk, 3);
    const Bytes out = Capture(stray);
    EXPECT_TRUE(Bytes(out.begin(), out.begin() + 3) == Bytes(junk, junk + 3) &&
                Bytes(out.begin() + 3, out.end()) == first);
    EXPECT_EQ(Capture(stray), second);

    // A cut frame stops after the given bytes; the next one is whole.
    SimulatedInstrument cut({.seed = 3, .noise = false});
    cut.CutNextFrame(1000);
    EXPECT_EQ(Capture(cut), Bytes(first.begin(), first.begin() + 1000));
    EXPECT_EQ(Capture(cut), second);

    // A stall holds the output after the given bytes of the frame until it ends;
    // taking nothing there (into an empty vector's null data()) changes nothing.
    SimulatedInstrument stall({.seed = 3, .noise = false});
    stall.InjectStrayBytes(junk, 2);
    stall.StallNextFrame(3000, 40);
    EXPECT_EQ(Capture(stall).size(), 3002u);
    EXPECT_TRUE(stall.AtStall() && stall.StallMs() == 40u && TakeAll(stall).empty());
    stall.EndStall();
    EXPECT_EQ(TakeAll(stall), Bytes(first.begin() + 3000, first.end()));
    EXPECT_FALSE(stall.AtStall());

    // Ignored requests get no answer and use no frame number.
    SimulatedInstrument deaf({.seed = 3, .noise = false});
    deaf.IgnoreRequests(2);
    EXPECT_TRUE(Capture(deaf).empty() && Capture(deaf).empty());
    EXPECT_EQ(Capture(deaf), first);
    EXPECT_TRUE(deaf.CaptureRequests() == 3u && deaf.FramesSent() == 1u);
}

} // namespace
