// The timing of the serial port the simulated instrument sits behind.

#include "sim/simulator_port.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace sim_test;
using sim::SimulatedInstrument;

// Bytes read, and the fake time the read took.
using Took = std::pair<std::size_t, std::int64_t>;

// Wire time of k bytes at 115200 baud, ten bits each, in microseconds (rounded up).
constexpr std::int64_t WireMicros(std::int64_t k) {
    return (k * 10 * 1'000'000 + 115199) / 115200;
}

template <std::uint32_t CaptureMs, std::uint32_t UsbLatencyMs> struct PortTest : ::testing::Test {
    sim::ManualClock clock{1'000'000};
    sim::SimulatorPort port{clock,
                            {.seed = 9, .captureMs = CaptureMs, .usbLatencyMs = UsbLatencyMs}};
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
    // Reads what has reached the receive buffer by the given time.
    std::size_t ReadAt(std::int64_t micros) {
        clock.SleepUntil(micros);
        EXPECT_TRUE(port.SetTimeouts({0xFFFFFFFF, 0, 0, 0, 0}));
        return port.Read(buffer.data(), buffer.size());
    }
};
using SimulatorPortTest = PortTest<0, 0>;
using CapturingPortTest = PortTest<20, 0>;
using UsbAdapterPortTest = PortTest<0, 16>;

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
    SimulatedInstrument model({.seed = 9});
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.end()) == Capture(model));
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
}

TEST_F(CapturingPortTest, EachAnswerStartsACaptureTimeAfterItsRequestAndTheFrameBefore) {
    std::int64_t answer = clock.NowMicros() + WireMicros(4) + 20'000; // on the line from here
    Request();
    EXPECT_EQ(ReadAt(answer + WireMicros(1) - 1), 0u);
    EXPECT_EQ(ReadAt(answer + WireMicros(1)), 1u);
    // Written while the frame is on the line: stray bytes, then the frame, after the capture.
    port.Instrument().InjectStrayBytes(reinterpret_cast<const std::uint8_t*>("ab"), 2);
    Request();
    // Read before the receive buffer fills, as the line would be held.
    EXPECT_EQ(ReadAt(answer + WireMicros(4000)), 3999u);
    EXPECT_EQ(ReadAt(answer + WireMicros(8000)), 4000u);
    answer += WireMicros(8320) + 20'000;
    EXPECT_EQ(ReadAt(answer + WireMicros(1) - 1), 320u);
    EXPECT_TRUE(ReadAt(answer + WireMicros(1)) == 1u && buffer[0] == 'a');
}

TEST_F(UsbAdapterPortTest, BytesComeInWholePacketsAndTheRestAfterTheLatency) {
    const std::int64_t start = clock.NowMicros() + WireMicros(4);
    Request();
    for (std::int64_t filled = 62; filled <= 8320; filled += 62) {
        ASSERT_EQ(ReadAt(start + WireMicros(filled) - 1), 0u) << filled;
        ASSERT_EQ(ReadAt(start + WireMicros(filled)), 62u) << filled;
    }
    // 8,320 is 134 packets and 12 bytes.
    EXPECT_EQ(ReadAt(start + WireMicros(8320) + 15'999), 0u);
    EXPECT_EQ(ReadAt(start + WireMicros(8320) + 16'000), 12u);
    // A read with the application's time-outs ends 1 ms after the first packet.
    ASSERT_TRUE(port.SetTimeouts({1, 1, 1, 0, 0}));
    Request();
    EXPECT_EQ(TimedRead(8320), Took(62, WireMicros(4) + WireMicros(62) + 1000));
}

} // namespace
