#include "link/capture_stream.h"

#include "link/commands.h"

#include <algorithm>
#include <cstring>

namespace duruz {

namespace {

constexpr unsigned char kMarkerBytes[4] = {0x78, 0x48, 0x78, 0x48}; // "xHxH"
constexpr int kRequestTimeoutMs = 500;
constexpr int kEmptyReadsBeforeData = 10;
constexpr int kEmptyReadsAfterData = 80;
// The line counts as quiet after 2 ms without a byte: 23 byte times at 115200
// baud, far longer than any gap inside a frame or a reply.
constexpr std::int64_t kQuietMicros = 2'000;
// A line that never falls quiet is given up on after a frame's worth of bytes or
// 300 ms, whichever comes first, so a chattering device cannot hold the link.
constexpr std::size_t kDrainCapBytes = kFrameBytes;
constexpr std::int64_t kDrainCapMicros = 300'000;
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
// An accepted header answers the oldest request outstanding.
void CheckHeader(SerialLink& link, CaptureStore& store) {
    if (MarkerAt(store, 0)) {
        link.RxChunk = 0;
        link.RxCount = 0;
        link.Counters.inResync = false;
        link.FrameCutShort = false;
        std::uint32_t generation = 0;
        const bool answers = link.Ledger.Pop(generation);
        link.RxOrigin = {generation, answers && generation == link.SettingsGeneration};
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

// The ticks a request waits for its answer; an interval that was never set gives
// no grace tick rather than a division by zero or a deadline far in the future.
std::uint32_t DeadlineTicks(const SerialLink& link) {
    return static_cast<std::uint32_t>(
        link.TimerInterval > 0 ? kRequestTimeoutMs / link.TimerInterval : 0);
}

void CompleteChunk(SerialLink& link, CaptureStore& store) {
    const int completed = link.RxChunk++;
    link.RxCount = 0;
    if (completed == kRxChunkCount - 1) {
        // Requests written while earlier frames were on their way are still to be
        // answered: the next tick waits for them instead of asking again, and the
        // next one's time starts now, since the instrument could not start on it before.
        link.RequestPending = !link.Ledger.Empty();
        if (link.RequestPending)
            link.RequestDeadline = link.TickCount + DeadlineTicks(link);
        ++link.Counters.framesReceived;
        if (!link.RxOrigin.certain)
            ++link.Counters.stale;
        if (link.FrameOut != nullptr)
            link.FrameOut->TakeFrame(store, link.RxOrigin);
        else
            store.FrameReady = true;
    }
}

// One read at the receive place, with the port's own time-outs or, for withinMs
// above 0, within that many milliseconds; a full chunk is dealt with at once.
// Returns the bytes taken.
std::size_t Receive(SerialLink& link, CaptureStore& store, std::uint32_t withinMs) {
    if (link.RxChunk < kRxChunkHeader || link.RxChunk >= kRxChunkCount)
        link.RxChunk = kRxChunkHeader;
    // A count that leaves no room cannot come from this loop; restarting the
    // chunk keeps every read inside its 128 bytes.
    if (link.RxCount >= kChunkBytes)
        link.RxCount = 0;
    const std::size_t room = kChunkBytes - link.RxCount;
    std::uint8_t* place = ReceivePlace(link, store);
    const std::size_t n = std::min(withinMs == 0 ? PortRead(link, place, room)
                                                 : PortReadWithin(link, place, room, withinMs),
                                   room);
    link.RxCount += static_cast<std::uint32_t>(n);
    if (link.RxCount == kChunkBytes) {
        if (link.RxChunk == kRxChunkHeader)
            CheckHeader(link, store);
        else
            CompleteChunk(link, store);
    }
    return n;
}

void AbandonFrame(SerialLink& link) {
    link.Counters.inResync = false;
    link.RxChunk = kRxChunkHeader;
    link.RxCount = 0;
}

} // namespace

bool DrainInput(SerialLink& link, CaptureStore& store) {
    const std::int64_t start = PortNowMicros(link);
    std::int64_t lastByte = start;
    std::size_t taken = 0;
    // A complete frame that waits to be taken stops the drain: nothing may be
    // stored over it.
    while (link.PortHandle != nullptr && !store.FrameReady) {
        const std::int64_t now = PortNowMicros(link);
        const std::int64_t left =
            std::max(lastByte + kQuietMicros - now, link.SettledAtMicros - now);
        if (left <= 0)
            return true;
        // Waits end on the settle point, so the request goes out right on it.
        const auto ms = static_cast<std::uint32_t>(
            std::clamp<std::int64_t>((left + 999) / 1000, 1, kQuietMicros / 1000));
        const std::size_t n = Receive(link, store, ms);
        const std::int64_t after = PortNowMicros(link);
        if (n == 0) {
            // A port that returns at once (closed, interrupted) has nothing to wait for.
            if (after - now < std::int64_t(ms) * 1000)
                return true;
            continue;
        }
        lastByte = after;
        taken += n;
        if ((taken >= kDrainCapBytes || after - start >= kDrainCapMicros) &&
            after >= link.SettledAtMicros)
            return false;
    }
    return true;
}

void RequestCapture(SerialLink& link, CaptureStore& store, tk::LineLog& log) {
    // What is on its way is received first, so a frame in flight arrives whole and is
    // told apart from the answer to this request. Such a frame is no news; only a line
    // that goes on talking with no frame in sight is worth a line in the memo.
    const bool quiet = DrainInput(link, store);
    if (!quiet && (link.RxChunk < 0 || link.RxChunk >= kRxChunkCount))
        log.Add("   line busy: request sent while bytes still arrive");
    link.RequestPending = true;
    const CommandText request = CaptureRequestCommand();
    PortWrite(link, request.bytes, 4);
    link.Ledger.Push(link.SettingsGeneration);
    link.RequestDeadline = link.TickCount + DeadlineTicks(link);
}

void SettleAfterGenerator(SerialLink& link) {
    link.SettledAtMicros = PortNowMicros(link) + kGeneratorSettleMicros;
}

void ResetReceiver(SerialLink& link) {
    AbandonFrame(link);
    link.Ledger.Clear();
    link.RxOrigin = {};
    link.FrameCutShort = false;
    link.SettledAtMicros = 0;
}

void PollCapture(SerialLink& link, CaptureStore& store) {
    int budget = kEmptyReadsBeforeData;
    std::size_t taken = 0;
    const bool between = link.RxCount == 0 && !link.FrameCutShort &&
                         (link.RxChunk == kRxChunkHeader || link.RxChunk == kRxChunkCount);
    while (!store.FrameReady) {
        const std::size_t n = Receive(link, store, 0);
        if (n == 0) {
            --budget;
        } else {
            taken += n;
            budget = kEmptyReadsAfterData;
        }
        if ((n == 0 && budget == 0) || !link.RequestPending || taken >= kPollCapBytes)
            break;
    }
    // Assumed: the instrument starts answering a request within the 1.3 s or more
    // that ten empty reads take on a line with its time-outs (a capture, trigger wait
    // included, is far shorter). So a poll that starts between frames and hears
    // nothing at all retires every request written before it: one that was ignored
    // would otherwise count as outstanding for ever.
    // The deadline counts ticks, and a poll that waits out its empty reads makes a tick
    // far longer than the interval: a silent line gives the request up two ticks after
    // the first such poll whatever the interval, as at the window's 250 ms.
    if (between && taken == 0 && budget == 0) {
        link.Ledger.Clear();
        link.RequestDeadline = std::min(link.RequestDeadline, link.TickCount + 2);
    }
}

TickOutcome CaptureTick(SerialLink& link, CaptureStore& store, bool hold, tk::LineLog& log) {
    ++link.TickCount;
    TickOutcome outcome;
    outcome.waitCursor = link.RequestPending;
    if (!hold && (!link.RequestPending || link.TickCount >= link.RequestDeadline)) {
        if (link.RequestPending) {
            // Just past a complete frame nothing of the next one has come yet.
            const bool partial = link.RxChunk != kRxChunkCount &&
                                 (link.RxChunk != kRxChunkHeader || link.RxCount > 0);
            ++(partial ? link.Counters.timeoutsPartial : link.Counters.timeoutsEmpty);
            link.FrameCutShort = link.FrameCutShort || partial;
            // The rest of the frame given up on must not fill the next one.
            if (partial)
                AbandonFrame(link);
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
