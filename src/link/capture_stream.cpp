#include "link/capture_stream.h"

#include "link/commands.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace duruz {

namespace {

constexpr unsigned char kMarkerBytes[4] = {0x78, 0x48, 0x78, 0x48}; // "xHxH"
constexpr int kRequestTimeoutMs = 500;
constexpr int kEmptyReadsBeforeData = 10;
constexpr int kEmptyReadsAfterData = 80;
// The line counts as quiet after 2 ms without a byte: 23 byte times at 115200
// baud, far longer than any gap inside a frame or a reply.
constexpr std::uint32_t kQuietMs = 2;
// A line that never falls quiet is given up on after a frame's worth of bytes or
// 300 ms, whichever comes first, so a chattering device cannot hold the link.
constexpr std::size_t kDrainCapBytes = kFrameBytes;
constexpr auto kDrainCapTime = std::chrono::milliseconds(300);
// One poll takes at most two frames' worth of bytes: room for a whole frame behind
// any amount of junk before it, yet a line that streams junk without a pause gives
// the link back after about 1.4 s instead of holding it for as long as it talks.
constexpr std::size_t kPollCapBytes = 2 * kFrameBytes;

bool MarkerAt(const CaptureStore& store, std::size_t offset) {
    return std::memcmp(store.RxBuffer.data() + offset, kMarkerBytes, sizeof kMarkerBytes) == 0;
}

// Where the next read lands: the header buffer or chunk k of the samples, at the
// bytes already held. The caller has made RxChunk and RxCount valid.
std::uint8_t* ReceivePlace(const SerialLink& link, CaptureStore& store) {
    if (link.RxChunk == kRxChunkHeader)
        return store.RxBuffer.data() + link.RxCount;
    auto* samples = reinterpret_cast<std::uint8_t*>(store.CaptureBuffer.data());
    return samples + static_cast<std::size_t>(link.RxChunk) * kChunkBytes + link.RxCount;
}

// A full header either starts with the marker, or drops the bytes in front of the
// next place the marker could start. Dropping 3 skips no place: offset 3 becomes 0.
void CheckHeader(SerialLink& link, CaptureStore& store) {
    if (MarkerAt(store, 0)) {
        link.RxChunk = 0;
        link.RxCount = 0;
        link.Counters.inResync = false;
        return;
    }
    const std::uint32_t shift = MarkerAt(store, 1) ? 1 : MarkerAt(store, 2) ? 2 : 3;
    if (!link.Counters.inResync)
        ++link.Counters.resyncs;
    link.Counters.inResync = true;
    link.Counters.resyncBytes += shift;
    link.RxCount -= shift;
    std::memmove(store.RxBuffer.data(), store.RxBuffer.data() + shift, link.RxCount);
}

void CompleteChunk(SerialLink& link, CaptureStore& store) {
    const int completed = link.RxChunk++;
    link.RxCount = 0;
    if (completed == kRxChunkCount - 1) {
        link.RequestPending = false;
        store.FrameReady = true;
        ++link.Counters.framesReceived;
    }
}

} // namespace

bool DrainInput(SerialLink& link, CaptureStore& store) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t dropped = 0;
    while (PortReadWithin(link, store.RxBuffer.data(), kHeaderBytes, kQuietMs) != 0) {
        dropped += kHeaderBytes;
        if (dropped >= kDrainCapBytes || std::chrono::steady_clock::now() - start >= kDrainCapTime)
            return false;
    }
    return true;
}

void RequestCapture(SerialLink& link, CaptureStore& store, tk::LineLog& log) {
    link.Counters.inResync = false;
    link.RxChunk = kRxChunkHeader;
    link.RxCount = 0;
    // Stale bytes (late frames, replies to other commands) are dropped so the next
    // header search starts on the answer to this request.
    if (!DrainInput(link, store))
        log.Add("   line busy: stale bytes dropped");
    link.RequestPending = true;
    const CommandText request = CaptureRequestCommand();
    PortWrite(link, request.bytes, 4);
    // An interval that was never set gives no grace tick rather than a division by
    // zero or a deadline that wraps far into the future.
    const std::int32_t ticks = link.TimerInterval > 0 ? kRequestTimeoutMs / link.TimerInterval : 0;
    link.RequestDeadline = link.TickCount + static_cast<std::uint32_t>(ticks);
}

void PollCapture(SerialLink& link, CaptureStore& store) {
    int budget = kEmptyReadsBeforeData;
    std::size_t taken = 0;
    for (;;) {
        if (link.RxChunk < kRxChunkHeader || link.RxChunk >= kRxChunkCount)
            link.RxChunk = kRxChunkHeader;
        // A count that leaves no room cannot come from this loop; restarting the
        // chunk keeps every read inside its 128 bytes.
        if (link.RxCount >= kChunkBytes)
            link.RxCount = 0;

        const std::size_t room = kChunkBytes - link.RxCount;
        const std::size_t n = std::min(PortRead(link, ReceivePlace(link, store), room), room);
        if (n == 0) {
            --budget;
        } else {
            link.RxCount += static_cast<std::uint32_t>(n);
            taken += n;
            budget = kEmptyReadsAfterData;
            if (link.RxCount == kChunkBytes) {
                if (link.RxChunk == kRxChunkHeader)
                    CheckHeader(link, store);
                else
                    CompleteChunk(link, store);
            }
        }
        if ((n == 0 && budget == 0) || !link.RequestPending || taken >= kPollCapBytes)
            return;
    }
}

TickOutcome CaptureTick(SerialLink& link, CaptureStore& store, bool hold, tk::LineLog& log) {
    ++link.TickCount;
    TickOutcome outcome;
    outcome.waitCursor = link.RequestPending;
    if (!hold && (!link.RequestPending || link.TickCount >= link.RequestDeadline)) {
        if (link.RequestPending) {
            const bool partial = link.RxChunk != kRxChunkHeader || link.RxCount > 0;
            ++(partial ? link.Counters.timeoutsPartial : link.Counters.timeoutsEmpty);
        }
        RequestCapture(link, store, log);
    }
    if (link.RequestPending)
        PollCapture(link, store);
    if (store.FrameReady) {
        store.FrameReady = false;
        outcome.redraw = true;
    }
    return outcome;
}

} // namespace duruz
