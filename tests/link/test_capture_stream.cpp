#include "link/capture_stream.h"

#include "support/fake_serial_port.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using namespace duruz;
using Counts = std::vector<std::uint32_t>;
using Lines = std::vector<std::string>;
const std::string kRequest = "\x25\x7A\x0D\x0A"; // "%z\r\n"

// A whole frame: marker, pair count, a numbered header, then 4,096 samples that
// differ from sample to sample and from frame to frame. Marker bytes sit in the
// samples too, at chunk 0's start and across a chunk border: only the header is
// searched for the marker.
std::string MakeFrame(std::uint32_t pairCount, int seed) {
    std::string frame = "xHxH";
    for (int i = 4; i < 128; ++i) // the pair count, then numbered bytes
        frame += char(i < 8 ? pairCount >> 8 * (i - 4) : std::uint32_t(i + seed));
    for (int i = 0; i < 4096; ++i) {
        const auto sample = std::uint16_t((i * 37 + seed * 101) % 4095 - 2047);
        frame.append({char(sample), char(sample >> 8)});
    }
    return frame.replace(128, 4, "xHxH").replace(128 + 126, 4, "xHxH");
}

class CaptureStream : public ::testing::Test {
protected:
    using Fence = std::array<std::uint8_t, 4096>;
    void SetUp() override {
        link.PortHandle = &port;
        link.TimerInterval = 250;
    }
    // No read may leave the store: any write outside it changes a zeroed fence.
    void TearDown() override { EXPECT_TRUE(fenced.before == Fence{} && fenced.after == Fence{}); }
    // The frame was stored exactly, header in RxBuffer and samples in CaptureBuffer.
    void ExpectStored(const std::string& frame) {
        EXPECT_EQ(std::memcmp(store.RxBuffer.data(), frame.data(), 128), 0);
        EXPECT_EQ(std::memcmp(store.CaptureBuffer.data(), frame.data() + 128, 8192), 0);
    }
    TickOutcome Tick(bool hold = false) { return CaptureTick(link, store, hold, log); }
    // Frames, resyncs, bytes dropped resyncing, empty and partial time-outs.
    Counts Counters() const {
        const LinkCounters& c = link.Counters;
        return {c.framesReceived, c.resyncs, c.resyncBytes, c.timeoutsEmpty, c.timeoutsPartial};
    }

    testing_support::FakeSerialPort port;
    testing_support::RecordingLog log;
    SerialLink link;
    struct {
        Fence before;
        CaptureStore store;
        Fence after;
    } fenced{};
    CaptureStore& store = fenced.store;
};

TEST_F(CaptureStream, FrameEveryTickAndALostRequestRepeatedTwoTicksLater) {
    const std::string frame = MakeFrame(2048, 1), cut = MakeFrame(2048, 2);
    const std::string next = MakeFrame(2048, 3);
    port.reads = {"stale", "", frame};
    TickOutcome tick = Tick();
    EXPECT_TRUE(!tick.waitCursor && tick.redraw && !store.FrameReady); // the tick has taken it
    // Drain, header (the stale bytes resynced over: shifts of 3 and 2), 64 chunks.
    EXPECT_EQ(port.readCalls, 2 + 3 + 64);
    ExpectStored(frame);

    port.reads = {"", cut.substr(0, 500)};
    EXPECT_FALSE(Tick().waitCursor); // T = 2: idle, so it requests; chunks 0 and 1 come
    EXPECT_TRUE(Tick().waitCursor);  // T + 1: still waiting

    // T + 2: the cut frame is abandoned, its late rest received as junk, the request
    // sent again.
    port.reads = {cut.substr(500, 300), cut.substr(800, 40), "", next};
    tick = Tick();
    EXPECT_TRUE(tick.waitCursor && tick.redraw);
    EXPECT_EQ(port.written, kRequest + kRequest + kRequest);
    EXPECT_EQ(link.RequestDeadline, 6u);
    ExpectStored(next);
    EXPECT_EQ(Counters(), (Counts{2, 2, 5 + 340, 0, 1}));
}

TEST_F(CaptureStream, FrameFoundAfterStrayBytesOddPairCountsAndABadReceivePosition) {
    // Bytes before the frame, its pair count, where the poll starts (chunk and count),
    // and the reads it takes: the header's, then the 64 chunks.
    const std::tuple<std::string, std::uint32_t, int, int, int> cases[] = {
        {"\x01\x02", 2048, -1, 0, 2 + 64},             // drop 2, two more bytes complete it
        {"\x01\x02\x03\x04\x05", 2048, -1, 0, 3 + 64}, // drop 3, then 2, then accepted
        {"\x01\x02\x03", 2048, -1, 0, 2 + 64},         // drop exactly 3, then accepted
        {"\x48", 2048, -1, 0, 2 + 64},                 // "HxHxH": the marker at offset 1
        // The pair count is stored, not obeyed. The loop never leaves these positions:
        // past the last chunk (just after a frame), before the header, a full count.
        {"", 0, kRxChunkCount, 0, 1 + 64},
        {"", 5000, -2, 0, 1 + 64},
        {"", 2048, -1, 4000, 1 + 64},
    };
    int seed = 0;
    for (const auto& [stray, pairs, chunk, count, reads] : cases) {
        SCOPED_TRACE(seed);
        const std::string frame = MakeFrame(pairs, ++seed);
        port.reads = {"", stray + frame};
        store.FrameReady = false;
        RequestCapture(link, store, log);
        link.RxChunk = chunk;
        link.RxCount = std::uint32_t(count);
        const int before = port.readCalls;
        PollCapture(link, store);
        EXPECT_EQ(port.readCalls - before, reads);
        EXPECT_TRUE(store.FrameReady);
        ExpectStored(frame);
    }
    // One resync for each frame behind stray bytes, however many shifts it took.
    EXPECT_EQ(Counters(), (Counts{7, 4, 2 + 5 + 3 + 1, 0, 0}));
}

TEST_F(CaptureStream, HeldFrameArrivesInPiecesAcrossTicksThenNothingIsRequested) {
    const std::string frame = MakeFrame(2048, 5);
    port.reads = {"", frame.substr(0, 328)};     // header, chunk 0, 72 bytes of chunk 1
    port.reads.insert(port.reads.end(), 79, ""); // after data the budget starts afresh
    port.reads.push_back(frame.substr(328, 1000));
    port.reads.insert(port.reads.end(), 80 + 10 + 5, ""); // more than two ticks poll
    port.reads.insert(port.reads.end(), {frame.substr(1328), "trailing"});

    Tick(); // T = 1, deadline T + 2
    EXPECT_EQ(port.emptyReads, 1 + 79 + 80);
    // 1,200 bytes of samples: 9 chunks and 48 bytes
    EXPECT_EQ(std::pair(link.RxChunk, link.RxCount), std::pair(9, 48u));
    EXPECT_TRUE(Tick(true).waitCursor); // held: ten empty reads
    EXPECT_EQ(port.emptyReads, 1 + 79 + 80 + 10);
    TickOutcome tick = Tick(true); // the deadline has passed, Hold is on: no time-out
    EXPECT_TRUE(tick.waitCursor && tick.redraw);
    ExpectStored(frame); // continued in the same chunk at the same count

    tick = Tick(true); // held with nothing pending: no request, no read
    EXPECT_TRUE(!tick.waitCursor && !tick.redraw && port.reads.front() == "trailing");
    EXPECT_EQ(port.written, kRequest);
    EXPECT_EQ(Counters(), (Counts{1, 0, 0, 0, 0}));
}

// A frame answers the oldest request outstanding, and is certain only when no setting
// command went out between that request and its header. A poll that hears nothing
// retires the requests before it: a frame then answers none and is not certain.
TEST_F(CaptureStream, FramesAnswerTheOldestRequestAndSilenceRetiresTheRest) {
    const auto receive = [&](std::deque<std::string> reads) {
        port.reads = std::move(reads);
        link.RequestPending = true;
        store.FrameReady = false;
        PollCapture(link, store);
        return std::pair(link.RxOrigin.generation, link.RxOrigin.certain);
    };
    const std::string frame = MakeFrame(2048, 1);
    RequestCapture(link, store, log);
    link.SettingsGeneration = 1;
    RequestCapture(link, store, log);
    EXPECT_TRUE(receive({frame}) == std::pair(0u, false) &&
                receive({frame}) == std::pair(1u, true));
    RequestCapture(link, store, log);
    receive({});
    EXPECT_EQ(receive({frame}), std::pair(0u, false));
}

// Silence through a whole poll gives the request up two ticks later, however many
// ticks its deadline counted (ten at a 50 ms tick).
TEST_F(CaptureStream, ASilentPollGivesTheRequestUpTwoTicksLater) {
    link.TimerInterval = 50;
    Tick();
    Tick();
    EXPECT_EQ(Counters(), (Counts{0, 0, 0, 0, 0}));
    Tick();
    EXPECT_EQ(Counters(), (Counts{0, 0, 0, 1, 0}));
    EXPECT_EQ(port.written, kRequest + kRequest);
}

// Without a timer interval or a port each request times out empty on the next tick
// and is sent again at once.
TEST_F(CaptureStream, RequestsWithoutATimerIntervalOrAPortTimeOutOnTheNextTick) {
    link.PortHandle = nullptr;
    for (std::int32_t interval : {0, -250}) {
        link.TimerInterval = interval;
        link.TickCount = 1;
        RequestCapture(link, store, log);
        EXPECT_TRUE(Tick().waitCursor);
        EXPECT_EQ(link.RequestDeadline, 2u);
    }
    EXPECT_EQ(Counters(), (Counts{0, 0, 0, 2, 0}));
}

// The drain receives what arrives, junk included, until the line falls quiet; a
// line still talking after a frame's worth of bytes really read is logged as busy,
// and the request goes out all the same.
TEST_F(CaptureStream, DrainAndPollGiveUpOnALineThatNeverFallsQuiet) {
    // Junk comes in reads of 3 once the header is full: 8,319 bytes and then a quiet
    // read go on, 8,320 give up with the quiet read still waiting.
    for (const std::size_t junk : {8319u, 8320u}) {
        port.reads = {std::string(junk, 'x'), ""};
        RequestCapture(link, store, log);
        EXPECT_EQ(port.reads.size(), junk - 8319) << junk;
    }
    EXPECT_EQ(log.lines, Lines{"   line busy: request sent while bytes still arrive"});
    EXPECT_TRUE(port.written == kRequest + kRequest && link.RequestPending);
    // Every byte read was resynced over or waits in the header.
    EXPECT_EQ(link.Counters.resyncBytes + link.RxCount, 8319u + 8320u);

    // A poll on a line that streams junk returns after two frames' worth of it, the
    // request still pending; its resyncs read 3 bytes at a time to land on 16,640,
    // which leaves 70 whole pieces of 128.
    port.reads.assign(200, std::string(128, 'x'));
    PollCapture(link, store);
    EXPECT_EQ(std::tuple(port.reads.size(), port.reads.front().size(), link.RequestPending,
                         store.FrameReady),
              std::tuple(70u, 128u, true, false));
}

} // namespace
