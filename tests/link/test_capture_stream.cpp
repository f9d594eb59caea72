#include "link/capture_stream.h"

#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

using duruz::kRxChunkCount;
using duruz::kRxChunkHeader;

const std::string kRequest("%z\r\n", 4);

void PutWord(std::string& bytes, std::uint32_t word) {
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(word >> (8 * i));
}

// A whole frame: marker, pair count, 30 numbered header words, then 4,096 samples
// that differ from sample to sample and from frame to frame.
std::string MakeFrame(std::uint32_t pairCount, int seed = 0) {
    std::string frame = "xHxH";
    PutWord(frame, pairCount);
    for (std::uint32_t n = 2; n < 32; ++n)
        PutWord(frame, 0xA0B0C000u + n + static_cast<std::uint32_t>(seed));
    for (int i = 0; i < 4096; ++i) {
        const auto sample = static_cast<std::int16_t>((i * 37 + seed * 101) % 4095 - 2047);
        frame += static_cast<char>(sample & 0xFF);
        frame += static_cast<char>((sample >> 8) & 0xFF);
    }
    return frame;
}

// Remembers the largest read asked for: no read may reach past a 128-byte chunk.
struct CheckedPort : testing_support::FakeSerialPort {
    std::size_t largestRead = 0;
    std::size_t Read(void* buffer, std::size_t count) override {
        largestRead = std::max(largestRead, count);
        return FakeSerialPort::Read(buffer, count);
    }
};

// The store between two fenced areas, which any write outside it would change.
struct FencedStore {
    std::array<std::uint8_t, 4096> before;
    duruz::CaptureStore store;
    std::array<std::uint8_t, 4096> after;
};

class CaptureStream : public ::testing::Test {
protected:
    void SetUp() override {
        fenced.before.fill(0xA5);
        fenced.after.fill(0xA5);
        link.PortHandle = &port;
        link.TimerInterval = 250;
    }
    void TearDown() override {
        EXPECT_LE(port.largestRead, duruz::kChunkBytes);
        const auto untouched = [](std::uint8_t b) { return b == 0xA5; };
        EXPECT_TRUE(std::all_of(fenced.before.begin(), fenced.before.end(), untouched));
        EXPECT_TRUE(std::all_of(fenced.after.begin(), fenced.after.end(), untouched));
    }

    // The frame was stored exactly: header in RxBuffer, samples in CaptureBuffer.
    void ExpectStored(const std::string& frame) {
        ASSERT_EQ(frame.size(), duruz::kFrameBytes);
        EXPECT_EQ(std::memcmp(store.RxBuffer.data(), frame.data(), duruz::kHeaderBytes), 0);
        EXPECT_EQ(std::memcmp(store.CaptureBuffer.data(), frame.data() + duruz::kHeaderBytes,
                              duruz::kFrameBytes - duruz::kHeaderBytes),
                  0);
    }

    // Sends a request whose drain finds the line silent, then polls once.
    int RequestAndPoll() {
        port.reads.push_front("");
        duruz::RequestCapture(link, store);
        const int before = port.readCalls;
        duruz::PollCapture(link, store);
        return port.readCalls - before;
    }

    CheckedPort port;
    duruz::SerialLink link;
    FencedStore fenced;
    duruz::CaptureStore& store = fenced.store;
};

TEST_F(CaptureStream, CleanFrameInOneTick) {
    const std::string frame = MakeFrame(2048, 1);
    port.reads = {"stale", "", frame};

    const duruz::TickOutcome tick = duruz::CaptureTick(link, store, false);
    EXPECT_FALSE(tick.waitCursor);
    EXPECT_TRUE(tick.redraw);
    EXPECT_FALSE(store.FrameReady); // the tick has taken it
    EXPECT_FALSE(link.RequestPending);
    EXPECT_EQ(link.RxChunk, kRxChunkCount);
    EXPECT_EQ(link.RxCount, 0u);
    EXPECT_EQ(port.writes, std::vector<std::string>{kRequest});
    EXPECT_EQ(port.readCalls, 2 + 1 + 64); // drain, header, 64 chunks, nothing more
    ExpectStored(frame);
    EXPECT_EQ(store.HeaderWord(1), 2048u);
    EXPECT_EQ(store.Sample(0, 0), 101 - 2047);
    EXPECT_EQ(store.Sample(1, 1), 3 * 37 + 101 - 2047); // element 3
}

TEST_F(CaptureStream, RequestDrainsThenWritesAndArmsDeadline) {
    port.reads = {"abc", "defgh", "", "late"};
    link.TickCount = 41;
    link.RxChunk = 12;
    link.RxCount = 77;

    duruz::RequestCapture(link, store);
    EXPECT_EQ(port.readCalls, 3);                                 // until the first empty read
    EXPECT_EQ(port.reads.front(), "late");                        // not touched by the drain
    EXPECT_EQ(std::memcmp(store.RxBuffer.data(), "defgh", 5), 0); // landed and dropped
    EXPECT_EQ(link.RxChunk, kRxChunkHeader);
    EXPECT_EQ(link.RxCount, 0u);
    EXPECT_TRUE(link.RequestPending);
    EXPECT_EQ(port.writes, std::vector<std::string>{kRequest});
    EXPECT_EQ(link.RequestDeadline, 43u);
}

TEST_F(CaptureStream, FrameAfterStrayBytes) {
    const std::string frame = MakeFrame(2048, 2);

    // Two stray bytes: the first full header drops 2, two more bytes complete it.
    port.reads = {"\x01\x02" + frame.substr(0, 126)};
    RequestAndPoll();
    EXPECT_EQ(link.RxChunk, kRxChunkHeader);
    EXPECT_EQ(link.RxCount, 126u);
    EXPECT_EQ(std::memcmp(store.RxBuffer.data(), frame.data(), 126), 0);
    port.reads = {frame.substr(126)};
    const int before = port.readCalls;
    duruz::PollCapture(link, store);
    EXPECT_EQ(port.readCalls - before, 1 + 64);
    EXPECT_TRUE(store.FrameReady);
    ExpectStored(frame);

    // Five stray bytes: drop 3, then 2, then the header is accepted.
    const std::string next = MakeFrame(2048, 3);
    store.FrameReady = false;
    port.reads = {std::string("\x01\x02\x03\x04\x05") + next};
    EXPECT_EQ(RequestAndPoll(), 3 + 64);
    EXPECT_TRUE(store.FrameReady);
    EXPECT_FALSE(link.RequestPending);
    ExpectStored(next);
}

TEST_F(CaptureStream, StrayMarkerByteBeforeHeader) {
    const std::string frame = MakeFrame(2048, 4);
    port.reads = {"\x48" + frame.substr(0, 127)};
    RequestAndPoll();
    EXPECT_EQ(link.RxChunk, kRxChunkHeader);
    EXPECT_EQ(link.RxCount, 127u); // one byte dropped
    EXPECT_EQ(std::memcmp(store.RxBuffer.data(), "xHxH", 4), 0);

    port.reads = {frame.substr(127)};
    duruz::PollCapture(link, store);
    EXPECT_TRUE(store.FrameReady);
    ExpectStored(frame);
}

TEST_F(CaptureStream, FrameInPiecesAcrossTicks) {
    const std::string frame = MakeFrame(2048, 5);
    port.reads.push_back("");                         // the drain
    port.reads.push_back(frame.substr(0, 128 + 200)); // header, chunk 0, 72 bytes of chunk 1
    for (int i = 0; i < 85; ++i)                      // a gap longer than one tick polls
        port.reads.push_back("");
    port.reads.push_back(frame.substr(328, 1000));
    for (int i = 0; i < 85; ++i)
        port.reads.push_back("");
    port.reads.push_back(frame.substr(1328));

    duruz::TickOutcome tick = duruz::CaptureTick(link, store, false); // tick 1, deadline 3
    EXPECT_FALSE(tick.redraw);
    EXPECT_EQ(link.RxChunk, 1);
    EXPECT_EQ(link.RxCount, 72u);
    EXPECT_EQ(port.emptyReads, 1 + 80);

    tick = duruz::CaptureTick(link, store, false); // tick 2: same chunk, same count
    EXPECT_TRUE(tick.waitCursor);
    EXPECT_FALSE(tick.redraw);
    EXPECT_EQ(link.RxChunk, 9); // 200 + 1000 = 1200 bytes of samples: 9 chunks and 48
    EXPECT_EQ(link.RxCount, 48u);
    EXPECT_TRUE(link.RequestPending);

    link.RequestDeadline = 100; // keep the request alive for the last piece
    tick = duruz::CaptureTick(link, store, false);
    EXPECT_TRUE(tick.waitCursor);
    EXPECT_TRUE(tick.redraw);
    EXPECT_FALSE(link.RequestPending);
    EXPECT_EQ(port.writes.size(), 1u);
    ExpectStored(frame);
}

TEST_F(CaptureStream, LostRequestIsRepeatedTwoTicksLater) {
    const std::string frame = MakeFrame(2048, 6);
    port.reads = {"", frame.substr(0, 500)};

    duruz::TickOutcome tick = duruz::CaptureTick(link, store, false); // T = 1
    EXPECT_FALSE(tick.waitCursor);
    EXPECT_EQ(link.RequestDeadline, 3u);
    EXPECT_EQ(link.RxChunk, 2);

    tick = duruz::CaptureTick(link, store, false); // T + 1: still waiting
    EXPECT_TRUE(tick.waitCursor);
    EXPECT_EQ(port.writes.size(), 1u);

    // T + 2: the half frame is abandoned, the stale rest drained, the request sent again.
    port.reads = {frame.substr(500, 300), frame.substr(800, 40), ""};
    tick = duruz::CaptureTick(link, store, false);
    EXPECT_TRUE(tick.waitCursor);
    EXPECT_FALSE(tick.redraw);
    EXPECT_TRUE(port.reads.empty());
    EXPECT_EQ(port.writes, (std::vector<std::string>{kRequest, kRequest}));
    EXPECT_EQ(port.written, "\x25\x7A\x0D\x0A\x25\x7A\x0D\x0A");
    EXPECT_EQ(link.RxChunk, kRxChunkHeader);
    EXPECT_EQ(link.RxCount, 0u);
    EXPECT_EQ(link.RequestDeadline, 5u);
    EXPECT_TRUE(link.RequestPending);
}

TEST_F(CaptureStream, HoldLetsTheRunningFrameFinish) {
    const std::string frame = MakeFrame(2048, 7);
    port.reads = {"", frame.substr(0, 4000)};
    duruz::CaptureTick(link, store, false);
    ASSERT_TRUE(link.RequestPending);

    port.reads = {frame.substr(4000), "trailing"};
    duruz::TickOutcome tick = duruz::CaptureTick(link, store, true);
    EXPECT_TRUE(tick.waitCursor);
    EXPECT_TRUE(tick.redraw);
    EXPECT_FALSE(link.RequestPending);
    ExpectStored(frame);

    const int reads = port.readCalls;
    for (int i = 0; i < 5; ++i) {
        tick = duruz::CaptureTick(link, store, true);
        EXPECT_FALSE(tick.waitCursor);
        EXPECT_FALSE(tick.redraw);
    }
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.readCalls, reads); // idle and held: the port is left alone
    EXPECT_EQ(port.reads.front(), "trailing");
}

TEST_F(CaptureStream, HoldWithNothingPending) {
    const duruz::TickOutcome tick = duruz::CaptureTick(link, store, true);
    EXPECT_FALSE(tick.waitCursor);
    EXPECT_FALSE(tick.redraw);
    EXPECT_FALSE(link.RequestPending);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(port.readCalls, 0);
    EXPECT_EQ(link.TickCount, 1u);
}

TEST_F(CaptureStream, HoldNeverRepeatsALostRequest) {
    duruz::RequestCapture(link, store); // e.g. from the port opening
    for (int i = 0; i < 4; ++i) {
        const int before = port.readCalls;
        const duruz::TickOutcome tick = duruz::CaptureTick(link, store, true);
        EXPECT_TRUE(tick.waitCursor);
        EXPECT_EQ(port.readCalls - before, 10); // still polled every tick
    }
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(CaptureStream, PairCountIsStoredNotObeyed) {
    for (std::uint32_t count : {0u, 5000u}) {
        const std::string frame = MakeFrame(count, static_cast<int>(count % 7));
        store.FrameReady = false;
        port.reads = {frame};
        EXPECT_EQ(RequestAndPoll(), 1 + 64) << count;
        EXPECT_TRUE(store.FrameReady) << count;
        EXPECT_EQ(store.HeaderWord(1), count);
        ExpectStored(frame);
    }
}

TEST_F(CaptureStream, ReceivePositionOutsideBuffersRestartsAtHeader) {
    for (int chunk : {kRxChunkCount, 1000, -2, -7}) {
        const std::string frame = MakeFrame(2048, chunk & 0xF);
        link.RxChunk = chunk;
        link.RxCount = 0;
        link.RequestPending = true;
        store.FrameReady = false;
        port.reads = {frame};
        duruz::PollCapture(link, store);
        EXPECT_TRUE(store.FrameReady) << chunk;
        ExpectStored(frame);
    }
}

TEST_F(CaptureStream, ReceiveCountBeyondChunkStaysInside) {
    const std::string frame = MakeFrame(2048, 9);
    link.RxChunk = kRxChunkHeader;
    link.RxCount = 4000; // cannot come from the loop itself
    link.RequestPending = true;
    port.reads = {frame};
    duruz::PollCapture(link, store);
    EXPECT_TRUE(store.FrameReady);
    ExpectStored(frame);
}

TEST_F(CaptureStream, EmptyReadBudget) {
    // Nothing comes: ten empty reads.
    EXPECT_EQ(RequestAndPoll(), 10);

    // After data, eighty empty reads in a row, counted afresh after each piece.
    port.reads = {std::string(50, 'a')};
    for (int i = 0; i < 79; ++i)
        port.reads.push_back("");
    port.reads.push_back(std::string(20, 'b'));
    const int before = port.readCalls;
    duruz::PollCapture(link, store);
    EXPECT_EQ(port.readCalls - before, 1 + 79 + 1 + 80);
    EXPECT_EQ(link.RxCount, 70u);
    EXPECT_EQ(link.RxChunk, kRxChunkHeader);
}

TEST_F(CaptureStream, MarkerBytesInSamplesAreJustSamples) {
    std::string frame = MakeFrame(2048, 10);
    frame.replace(128, 4, "xHxH");       // chunk 0 starts with the marker
    frame.replace(128 + 130, 4, "xHxH"); // and across a chunk border
    frame.replace(128 + 8192 - 128, 128, MakeFrame(1).substr(0, 128)); // a whole header
    port.reads = {frame};
    EXPECT_EQ(RequestAndPoll(), 1 + 64);
    EXPECT_TRUE(store.FrameReady);
    ExpectStored(frame);
    EXPECT_EQ(store.Sample(0, 0), 0x4878);
}

TEST_F(CaptureStream, CursorFollowsThePendingRequestOnEntry) {
    EXPECT_FALSE(duruz::CaptureTick(link, store, false).waitCursor); // requests now
    EXPECT_TRUE(link.RequestPending);
    EXPECT_TRUE(duruz::CaptureTick(link, store, false).waitCursor);
    port.reads = {MakeFrame(2048)};
    link.RequestDeadline = 100;
    const duruz::TickOutcome done = duruz::CaptureTick(link, store, false);
    EXPECT_TRUE(done.waitCursor); // pending when it began, though complete at its end
    EXPECT_TRUE(done.redraw);
    EXPECT_FALSE(duruz::CaptureTick(link, store, false).waitCursor);
}

TEST_F(CaptureStream, DeadlineWithoutTimerInterval) {
    for (std::int32_t interval : {0, -250}) {
        link.TimerInterval = interval;
        link.TickCount = 7;
        duruz::RequestCapture(link, store);
        EXPECT_EQ(link.RequestDeadline, 7u) << interval;
    }
    // The next tick counts the request as lost and sends it again.
    port.writes.clear();
    duruz::CaptureTick(link, store, false);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(CaptureStream, NoPortOpen) {
    link.PortHandle = nullptr;
    const duruz::TickOutcome first = duruz::CaptureTick(link, store, false);
    EXPECT_FALSE(first.redraw);
    EXPECT_TRUE(link.RequestPending);
    EXPECT_EQ(link.RequestDeadline, 3u);
    EXPECT_EQ(link.RxCount, 0u);
    EXPECT_TRUE(duruz::CaptureTick(link, store, false).waitCursor);
    EXPECT_EQ(port.readCalls, 0);
}

} // namespace
