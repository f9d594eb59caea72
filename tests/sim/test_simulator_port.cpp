#include "sim/simulator_port.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using sim_test::Bytes;
// Bytes read, and the fake time the read took.
using Took = std::pair<std::size_t, std::int64_t>;

constexpr sim::InstrumentOptions kOptions{.seed = 9, .noise = true};
// The application's time-outs: 1 ms between bytes, n + 1 ms in all.
constexpr serial::Timeouts kAppTimeouts{1, 1, 1, 0, 0};
// Wire time of k bytes at 115200 baud, ten bits each, in microseconds (rounded up).
constexpr std::int64_t WireMicros(std::int64_t k) {
    return (k * 10 * 1'000'000 + 115199) / 115200;
}

struct SimulatorPortTest : ::testing::Test {
    sim::ManualClock clock{1'000'000};
    sim::SimulatorPort port{clock, kOptions};
    std::array<std::uint8_t, 8320> buffer{};

    void SetUp() override {
        ASSERT_EQ(port.Open("Simulator").status, serial::OpenStatus::Opened);
        ASSERT_TRUE(port.SetTimeouts(kAppTimeouts));
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
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.end()) == sim_test::FirstFrame(kOptions));
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
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.end()) == sim_test::FirstFrame(kOptions));
}

} // namespace
