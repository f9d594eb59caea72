#include "link/capture_stream.h"
#include "sim/sim_clock.h"
#include "sim/simulator_port.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using sim::ManualClock;
using sim::SimulatedInstrument;
using sim::SimulatorPort;

// The application's time-outs: 1 ms between bytes, n + 1 ms in all.
constexpr serial::Timeouts kAppTimeouts{1, 1, 1, 0, 0};
// Wire time of k bytes at 115200 baud, ten bits each, in microseconds (rounded up).
constexpr std::int64_t WireMicros(std::int64_t k) {
    return (k * 10 * 1'000'000 + 115199) / 115200;
}

struct SimulatorPortTest : ::testing::Test {
    ManualClock clock{1'000'000};
    SimulatorPort port{clock, {.seed = 9, .noise = true}};
    std::array<std::uint8_t, 8320> buffer{};

    void SetUp() override {
        ASSERT_EQ(port.Open("Simulator").status, serial::OpenStatus::Opened);
        ASSERT_TRUE(port.SetTimeouts(kAppTimeouts));
    }
    void Request() { ASSERT_EQ(port.Write("%z\r\n", 4), 4u); }
    // One read, and the fake time it took.
    std::pair<std::size_t, std::int64_t> TimedRead(std::size_t count, std::size_t at = 0) {
        std::int64_t start = clock.NowMicros();
        std::size_t n = port.Read(buffer.data() + at, count);
        return {n, clock.NowMicros() - start};
    }
};

TEST_F(SimulatorPortTest, OpensAndKeepsItsSettings) {
    serial::LineSettings settings;
    ASSERT_TRUE(port.GetSettings(settings));
    settings.baudRate = 115200;
    settings.rtsHandshake = true;
    settings.xoffChar = 0xD4;
    EXPECT_TRUE(port.SetSettings(settings));
    serial::LineSettings back;
    ASSERT_TRUE(port.GetSettings(back));
    EXPECT_TRUE(back.rtsHandshake);
    EXPECT_EQ(back.xoffChar, 0xD4);
    EXPECT_EQ(port.Timeouts().readIntervalMs, 1u);

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Read(buffer.data(), 128), 0u);
    EXPECT_EQ(port.Write("%z\r\n", 4), 0u);
    EXPECT_EQ(port.Open("Simulator").status, serial::OpenStatus::Opened);
}

TEST_F(SimulatorPortTest, SilentLineTimesOutAfterTheTotalTime) {
    auto [n, took] = TimedRead(128);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(took, 129'000); // 1 ms * 128 + 1 ms
    std::tie(n, took) = TimedRead(10);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(took, 11'000);
}

TEST_F(SimulatorPortTest, FrameStreamsAtTheWireRate) {
    const std::int64_t start = clock.NowMicros();
    Request();
    auto [n, took] = TimedRead(128);
    EXPECT_EQ(n, 128u);
    // The request's own 4 bytes travel first, then 128 bytes of answer.
    EXPECT_EQ(took, WireMicros(4) + WireMicros(128));

    // While the frame streams, every 128-byte read takes about 11.1 ms.
    std::size_t total = n;
    while (total < 8320) {
        std::tie(n, took) = TimedRead(std::min<std::size_t>(128, 8320 - total), total);
        ASSERT_EQ(n, std::min<std::size_t>(128, 8320 - total));
        EXPECT_NEAR(took, 11'111, 2);
        total += n;
    }
    EXPECT_EQ(clock.NowMicros() - start, WireMicros(4) + WireMicros(8320)); // about 0.722 s

    SimulatedInstrument model({.seed = 9, .noise = true});
    sim_test::Send(model, "%z\r\n");
    std::vector<std::uint8_t> expected = sim_test::TakeAll(model);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));

    // Then the line is quiet again.
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(took, 129'000);
}

TEST_F(SimulatorPortTest, ShortFrameEndsTheReadAfterTheInterval) {
    port.Instrument().CutNextFrame(200);
    Request();
    auto [n, took] = TimedRead(128);
    EXPECT_EQ(n, 128u);
    const std::int64_t lastByte = clock.NowMicros() - took + WireMicros(4) + WireMicros(200);
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 72u);
    // It returns 1 ms after the last byte came in.
    EXPECT_EQ(clock.NowMicros(), lastByte + 1000);
}

TEST_F(SimulatorPortTest, StallPausesTheLine) {
    port.Instrument().StallNextFrame(100, 30);
    const std::int64_t start = clock.NowMicros();
    Request();
    auto [n, took] = TimedRead(128);
    EXPECT_EQ(n, 100u);
    const std::int64_t stallStart = start + WireMicros(4) + WireMicros(100);
    EXPECT_EQ(clock.NowMicros(), stallStart + 1000);

    // The next read waits out the rest of the 30 ms pause, then fills up.
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 128u);
    EXPECT_EQ(clock.NowMicros(), stallStart + 30'000 + WireMicros(128));

    // A pause longer than the total time-out makes reads come back empty.
    port.Close();
    port.Open("Simulator");
    port.SetTimeouts(kAppTimeouts);
    port.Instrument().StallNextFrame(0, 300);
    Request();
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(took, 129'000);
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 0u);
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 128u);
}

TEST_F(SimulatorPortTest, WaitingBytesComeAtOnceAndNoneAreLost) {
    Request();
    clock.Advance(2'000'000); // the whole frame has had time to arrive, unread
    auto [n, took] = TimedRead(128);
    EXPECT_EQ(n, 128u);
    EXPECT_EQ(took, 0);

    // The receive buffer held 4,096 bytes; the rest was held back and follows.
    std::size_t total = n;
    for (int reads = 0; reads < 200 && total < 8320; ++reads)
        total += port.Read(buffer.data() + total, std::min<std::size_t>(128, 8320 - total));
    ASSERT_EQ(total, 8320u);
    SimulatedInstrument model({.seed = 9, .noise = true});
    sim_test::Send(model, "%z\r\n");
    std::vector<std::uint8_t> expected = sim_test::TakeAll(model);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));

    // Win32's "return at once with what is there".
    port.SetTimeouts({0xFFFFFFFFu, 0, 0, 0, 0});
    Request();
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(took, 0);
    clock.Advance(WireMicros(4) + WireMicros(50));
    std::tie(n, took) = TimedRead(128);
    EXPECT_EQ(n, 50u);
    EXPECT_EQ(took, 0);
}

TEST(SimulatorPort, UnpacedAnswersAtOnce) {
    ManualClock clock;
    SimulatorPort port(clock, {.seed = 1, .noise = false}, false);
    port.Open("Simulator");
    port.SetTimeouts(kAppTimeouts);
    port.Write("%z\r\n", 4);
    std::array<std::uint8_t, 8320> frame{};
    EXPECT_EQ(port.Read(frame.data(), frame.size()), 8320u);
    EXPECT_EQ(clock.NowMicros(), 0);
}

// The capture loop of the link on the paced simulator, in fake time: one tick
// requests and receives a whole frame, as with the instrument.
TEST(SimulatorPort, CaptureTickReceivesAFrame) {
    ManualClock clock;
    SimulatorPort port(clock, {.seed = 4, .noise = false});
    port.Open("Simulator");
    port.SetTimeouts(kAppTimeouts);
    port.Instrument().InjectStrayBytes(
        reinterpret_cast<const std::uint8_t*>("\x48\x01\x02\x03\x04"), 5);
    duruz::SerialLink link;
    link.PortHandle = &port;
    link.TimerInterval = 250;
    duruz::CaptureStore store;

    duruz::TickOutcome outcome = duruz::CaptureTick(link, store, false);
    EXPECT_TRUE(outcome.redraw);
    EXPECT_FALSE(link.RequestPending);
    // About 0.722 s of wire time plus the 129 ms drain before the request.
    EXPECT_NEAR(double(clock.NowMicros()), 129'000 + 722'222, 2'000);

    SimulatedInstrument model({.seed = 4, .noise = false});
    sim_test::Send(model, "%z\r\n");
    std::vector<std::uint8_t> expected = sim_test::TakeAll(model);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 128, store.RxBuffer.begin()));
    EXPECT_TRUE(std::equal(expected.begin() + 128, expected.end(),
                           reinterpret_cast<const std::uint8_t*>(store.CaptureBuffer.data())));
}

} // namespace
