// The simulated instrument: its command stream, its frames, and the timing of the
// serial port it sits behind.

#include "sim/simulator_port.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

using namespace sim_test;
using namespace std::string_literals;
using sim::SimulatedInstrument;
using Words = std::vector<std::uint32_t>;

constexpr sim::InstrumentOptions kQuiet{.seed = 5, .noise = false};
// The start-up sequence as the application puts it on the wire; the generator
// command has no terminator, the next '%' ends it.
const std::string kStartup = "%z\r\n%S01  298    0\r%S10 2048-2000\r%X3\r%Y7\r"
                             "%G01200.000000,1.000000%z\r\n%G151000.700012,0.250000%z\r\n";

// The words of frame from byte offset from up to to.
Words WordsOf(const Bytes& frame, std::size_t from, std::size_t to) {
    Words words;
    for (std::size_t at = from; at < to; at += 4)
        words.push_back(Word(frame, at));
    return words;
}

TEST(CommandStream, SameFramesWhereverTheStreamIsSplit) {
    SimulatedInstrument whole(kQuiet);
    Send(whole, kStartup);
    const Bytes expected = TakeAll(whole);
    ASSERT_EQ(expected.size(), 3 * duruz::kFrameBytes);
    // Words 12..60 of the last frame: ranges; sync source, polarity, position, level;
    // free-running; generators A and B: code, mHz, mV.
    EXPECT_EQ(WordsOf(Bytes(expected.end() - duruz::kFrameBytes, expected.end()), 12, 64),
              (Words{3, 7, 1, 0, 2048, std::uint32_t(-2000), 0xFFFFFFFF, 1, 200000, 1000, 5,
                     1000700, 250}));
    for (std::size_t split = 0; split <= kStartup.size(); ++split) {
        SimulatedInstrument pieces(kQuiet);
        Send(pieces, std::string_view(kStartup).substr(0, split));
        Send(pieces, std::string_view(kStartup).substr(split));
        EXPECT_EQ(TakeAll(pieces), expected) << "split at " << split;
    }
}

TEST(CommandStream, SkipsJunkAndMalformedCommands) {
    SimulatedInstrument clean(kQuiet), messy(kQuiet);
    Send(clean, kStartup);
    Send(messy, kStartup);
    Send(messy, "hello\r\n%Q12\r%X9\r%X-1\r%X\r%X33333333333333333\r%S0  298    0\r%S21  298    0\r"
                "%S01 29a8    0\r%S01  298    0 \r%S01  298    0\n%G2100,1%%G01abc,1\r%G011.0;2.0\r"
                "%G01nan,1\r%G01inf,1\r%G011000,\r%z\n%z\r\r\n%%%%%zz\r\n\0\xff\x80%\0"s +
                    "%Y" + std::string(500, '5') + "\r");
    // Good commands around junk still count, one cut short by a '%' or too long is
    // dropped, and CR or LF also ends a generator command.
    Send(messy, "xx%S11  100  -50\r\xff%S10  999  -77%X5\r%G0640000.000000,1.500000\r%G179.5,0\n"
                "%G15" +
                    std::string(60, '0') + "1,1%z\r");
    EXPECT_EQ(Capture(messy), Capture(clean, "%S11  100  -50\r%X5\r%G0640000,1.5%G179.5,0"));

    // A flood of requests and noise keeps the output bounded: four frames queue.
    const std::uint32_t sent = messy.FramesSent();
    for (int i = 0; i < 100; ++i)
        Send(messy, "%z\r\n");
    std::string noise(200000, '\0');
    std::uint32_t x = 12345;
    for (char& c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    Send(messy, noise);
    EXPECT_LE(messy.OutputAvailable(), SimulatedInstrument::kOutputCapacity);
    EXPECT_EQ(messy.FramesSent(), sent + 4);
    Send(messy, "\r%X6\r"); // the parser has not lost its footing
    EXPECT_EQ(messy.Settings().rangeIndex[0], 6);
}

// The extremes of a channel's samples and how often it changes sign.
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
    const SimulatedInstrument fresh({.seed = 3, .noise = false});
    SimulatedInstrument reference = fresh, stray = fresh, cut = fresh, stall = fresh, deaf = fresh;
    const Bytes first = Capture(reference), second = Capture(reference);
    const std::uint8_t junk[] = {0x48, 0x00, 0x78};

    // Stray bytes go out before the next frame only.
    stray.InjectStrayBytes(junk, 3);
    Bytes expected(junk, junk + 3);
    expected.insert(expected.end(), first.begin(), first.end());
    EXPECT_EQ(Capture(stray), expected);
    EXPECT_EQ(Capture(stray), second);

    // A cut frame stops after the given bytes; the next one is whole.
    cut.CutNextFrame(1000);
    EXPECT_EQ(Capture(cut), Bytes(first.begin(), first.begin() + 1000));
    EXPECT_EQ(Capture(cut), second);

    // A stall holds the output after the given bytes of the frame until it ends;
    // taking nothing there (into an empty vector's null data()) changes nothing.
    stall.InjectStrayBytes(junk, 2);
    stall.StallNextFrame(3000, 40);
    EXPECT_EQ(Capture(stall).size(), 3002u);
    EXPECT_TRUE(stall.AtStall() && stall.StallMs() == 40u && TakeAll(stall).empty());
    stall.EndStall();
    EXPECT_EQ(TakeAll(stall), Bytes(first.begin() + 3000, first.end()));
    EXPECT_FALSE(stall.AtStall());

    // Ignored requests get no answer and use no frame number.
    deaf.IgnoreRequests(2);
    EXPECT_TRUE(Capture(deaf).empty() && Capture(deaf).empty());
    EXPECT_EQ(Capture(deaf), first);
    EXPECT_TRUE(deaf.CaptureRequests() == 3u && deaf.FramesSent() == 1u);
}

// Bytes read, and the fake time the read took.
using Took = std::pair<std::size_t, std::int64_t>;

constexpr sim::InstrumentOptions kOptions{.seed = 9, .noise = true};
// Wire time of k bytes at 115200 baud, ten bits each, in microseconds (rounded up).
constexpr std::int64_t WireMicros(std::int64_t k) {
    return (k * 10 * 1'000'000 + 115199) / 115200;
}

struct SimulatorPortTest : ::testing::Test {
    sim::ManualClock clock{1'000'000};
    sim::SimulatorPort port{clock, kOptions};
    std::array<std::uint8_t, 8320> buffer{};

    // Opened with the application's time-outs: 1 ms between bytes, n + 1 ms in all.
    void SetUp() override {
        ASSERT_EQ(port.Open("Simulator").status, serial::OpenStatus::Opened);
        ASSERT_TRUE(port.SetTimeouts({1, 1, 1, 0, 0}));
    }
    void Request() { ASSERT_EQ(port.Write("%z\r\n", 4), 4u); }
    Took TimedRead(std::size_t count, std::size_t at = 0) {
        const std::int64_t start = clock.NowMicros();
        const std::size_t n = port.Read(buffer.data() + at, count);
        return {n, clock.NowMicros() - start};
    }
};

TEST_F(SimulatorPortTest, FrameStreamsAtTheWireRateAndSilenceTimesOut) {
    EXPECT_EQ(TimedRead(128), Took(0, 129'000)); // 1 ms * 128 + 1 ms
    EXPECT_EQ(TimedRead(10), Took(0, 11'000));
    const std::int64_t start = clock.NowMicros();
    Request();
    // The request's own 4 bytes travel first, then 128 bytes of answer; while the
    // frame streams, every 128-byte read takes about 11.1 ms.
    EXPECT_EQ(TimedRead(128), Took(128, WireMicros(4) + WireMicros(128)));
    for (std::size_t total = 128; total < 8320; total += 128) {
        const auto [n, took] = TimedRead(128, total);
        ASSERT_EQ(n, 128u);
        EXPECT_NEAR(took, 11'111, 2);
    }
    EXPECT_EQ(clock.NowMicros() - start, WireMicros(4) + WireMicros(8320)); // about 0.722 s
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.end()) == FirstFrame(kOptions));
    EXPECT_EQ(TimedRead(128), Took(0, 129'000)); // then the line is quiet again
}

TEST_F(SimulatorPortTest, ShortFrameAndStallsEndReadsOnTheirTimeOuts) {
    // A cut frame: the read returns 1 ms after its last byte came in.
    port.Instrument().CutNextFrame(200);
    std::int64_t lastByte = clock.NowMicros() + WireMicros(4) + WireMicros(200);
    Request();
    EXPECT_EQ(TimedRead(128).first, 128u);
    EXPECT_EQ(TimedRead(128).first, 72u);
    EXPECT_EQ(clock.NowMicros(), lastByte + 1000);

    // A 30 ms stall after 100 bytes ends one read 1 ms in; the next waits it out.
    port.Instrument().StallNextFrame(100, 30);
    lastByte = clock.NowMicros() + WireMicros(4) + WireMicros(100);
    Request();
    EXPECT_EQ(TimedRead(128).first, 100u);
    EXPECT_EQ(clock.NowMicros(), lastByte + 1000);
    EXPECT_EQ(TimedRead(128).first, 128u);
    EXPECT_EQ(clock.NowMicros(), lastByte + 30'000 + WireMicros(128));

    // Closed, the port moves nothing, and reopened it has dropped what was on its way.
    port.Close();
    EXPECT_EQ(port.Read(buffer.data(), 128) + port.Write("%z\r\n", 4), 0u);
    SetUp();
    // A pause longer than the total time-out makes reads come back empty.
    port.Instrument().StallNextFrame(0, 300);
    Request();
    EXPECT_EQ(TimedRead(128), Took(0, 129'000));
    EXPECT_EQ(TimedRead(128).first, 0u);
    EXPECT_EQ(TimedRead(128).first, 128u);
}

TEST_F(SimulatorPortTest, WaitingBytesComeAtOnceAndNoneAreLost) {
    Request();
    clock.Advance(2'000'000); // the whole frame has had time to arrive, unread
    EXPECT_EQ(TimedRead(128), Took(128, 0));
    // The receive buffer held 4,096 bytes; the rest was held back and follows.
    std::size_t total = 128;
    for (int reads = 0; reads < 200 && total < 8320; ++reads)
        total += port.Read(buffer.data() + total, 128);
    ASSERT_EQ(total, 8320u);
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.end()) == FirstFrame(kOptions));
}

} // namespace
