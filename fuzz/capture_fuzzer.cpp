// Arbitrary byte streams through the capture loop, served in arbitrary read sizes,
// over several timer ticks with Hold switched on and off and requests from the other
// callers in between. The receive state is checked after every step and every read;
// a broken rule traps.
//
// Input layout:
//   byte 0       timer interval (a few values: 250 most of the time, and the odd ones)
//   byte 1       number of ticks, 1 + (byte % 24)
//   bytes 2, 3   number of read sizes L, little-endian
//   one byte a tick: bit 0 Hold checked, bit 1 another caller requests a frame first
//   L bytes      read sizes, used in turn and over again: 0 is a read that times out,
//                n gives at most n bytes (never more than asked for)
//   the rest     the byte stream on the line; once it is used up every read times out
#include "link/capture_stream.h"
#include "link/commands.h"
#include "support/scripted_port.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using duruz::CaptureStore;
using duruz::kChunkBytes;
using duruz::kFrameBytes;
using duruz::kHeaderBytes;
using duruz::kRxChunkCount;
using duruz::kRxChunkHeader;
using duruz::SerialLink;

constexpr std::array<std::int32_t, 8> kIntervals = {250, 250, 250, 250, 1, 0, -250, 1000};
constexpr std::uint8_t kMarker[4] = {0x78, 0x48, 0x78, 0x48};

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The busy-line notice is the only status line the loop writes; nothing to check.
struct NullLog : tk::LineLog {
    void Add(std::string_view) override {}
};

// A line that holds the input's stream and hands it out in the input's read sizes.
// Every read is checked to land exactly where the receive state says the next byte
// belongs, for no more than the room left in that 128-byte chunk; every byte read is
// kept to check the frame against.
class ScriptedLine : public testing_support::ScriptedPort {
public:
    ScriptedLine(const SerialLink& link, const CaptureStore& store, const std::uint8_t* sizes,
                 std::size_t sizeCount, const std::uint8_t* stream, std::size_t streamSize)
        : ScriptedPort(stream, streamSize, sizes, sizeCount), link_(link), store_(store),
          stream_(stream) {
        received_.reserve(streamSize);
    }

    std::size_t Read(void* buffer, std::size_t count) override {
        CheckReadPlace(static_cast<const std::uint8_t*>(buffer), count);
        const std::size_t from = Position();
        const std::size_t n = ScriptedPort::Read(buffer, count);
        received_.insert(received_.end(), stream_ + from, stream_ + from + n);
        return n;
    }

    std::size_t Write(const void* data, std::size_t count) override {
        // The loop writes nothing but the capture request, whole.
        const duruz::CommandText request = duruz::CaptureRequestCommand();
        Check(count == request.length && std::memcmp(data, request.bytes, count) == 0);
        ++writes_;
        return count;
    }

    int Writes() const { return writes_; }
    const std::vector<std::uint8_t>& Received() const { return received_; }

private:
    void CheckReadPlace(const std::uint8_t* buffer, std::size_t count) const {
        Check(count >= 1 && count <= kChunkBytes);
        Check(link_.RxCount + count == kChunkBytes);
        const std::uint8_t* chunk =
            link_.RxChunk == kRxChunkHeader
                ? store_.RxBuffer.data()
                : reinterpret_cast<const std::uint8_t*>(store_.CaptureBuffer.data()) +
                      static_cast<std::size_t>(link_.RxChunk) * kChunkBytes;
        Check(link_.RxChunk >= kRxChunkHeader && link_.RxChunk < kRxChunkCount);
        Check(buffer == chunk + link_.RxCount);
    }

    const SerialLink& link_;
    const CaptureStore& store_;
    const std::uint8_t* stream_;
    int writes_ = 0;
    std::vector<std::uint8_t> received_;
};

void CheckState(const SerialLink& link) {
    Check(link.RxChunk >= kRxChunkHeader && link.RxChunk <= kRxChunkCount);
    // Past the last chunk only once the frame is complete, and still waiting only
    // for requests written before it was in.
    Check(link.RxChunk != kRxChunkCount || !link.RequestPending || !link.Ledger.Empty());
    // A full chunk is dealt with at once: a complete header is either accepted or
    // shifted, a complete sample chunk is left behind.
    Check(link.RxCount < kChunkBytes);
}

// A finished frame is the last 8,320 bytes read, in a poll or in the drain before a
// request: the 128 header bytes, beginning with the marker, and then the samples,
// exactly as they arrived. Nothing is read once a frame is complete.
void CheckFrame(const SerialLink& link, const CaptureStore& store, const ScriptedLine& line) {
    Check(link.RxChunk == kRxChunkCount);
    const std::vector<std::uint8_t>& received = line.Received();
    Check(received.size() >= kFrameBytes);
    const std::uint8_t* frame = received.data() + received.size() - kFrameBytes;
    Check(std::memcmp(frame, kMarker, sizeof kMarker) == 0);
    Check(std::memcmp(frame, store.RxBuffer.data(), kHeaderBytes) == 0);
    Check(std::memcmp(frame + kHeaderBytes, store.CaptureBuffer.data(),
                      kFrameBytes - kHeaderBytes) == 0);
}

void CheckRequestSent(const SerialLink& link) {
    Check(link.RequestPending && !link.Ledger.Empty());
    const std::uint32_t grace =
        link.TimerInterval > 0 ? static_cast<std::uint32_t>(500 / link.TimerInterval) : 0;
    Check(link.RequestDeadline == link.TickCount + grace);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const std::int32_t interval = kIntervals[data[0] % kIntervals.size()];
    const std::size_t ticks = 1 + data[1] % 24;
    std::size_t at = 4;
    const std::size_t opCount = std::min(ticks, size - at);
    const std::uint8_t* ops = data + at;
    at += opCount;
    const std::size_t sizeCount =
        std::min<std::size_t>(static_cast<std::size_t>(data[2] | data[3] << 8), size - at);
    const std::uint8_t* sizes = data + at;
    at += sizeCount;

    SerialLink link;
    NullLog log;
    link.TimerInterval = interval;
    CaptureStore store;
    ScriptedLine line(link, store, sizes, sizeCount, data + at, size - at);
    link.PortHandle = &line;

    for (std::size_t tick = 0; tick < ticks; ++tick) {
        const std::uint8_t op = tick < opCount ? ops[tick] : 0;
        const bool hold = (op & 1) != 0;

        if ((op & 2) != 0) {
            // The screen click, the generator update or a port opening.
            const int writesBefore = line.Writes();
            duruz::RequestCapture(link, store, log);
            Check(line.Writes() == writesBefore + 1);
            CheckRequestSent(link);
            CheckState(link);
        }

        const bool pendingBefore = link.RequestPending;
        const bool expired = link.TickCount + 1 >= link.RequestDeadline;
        const bool shouldRequest = !hold && (!pendingBefore || expired);
        const int writesBefore = line.Writes();

        const duruz::TickOutcome outcome = duruz::CaptureTick(link, store, hold, log);

        Check(outcome.waitCursor == pendingBefore);
        Check(line.Writes() == writesBefore + (shouldRequest ? 1 : 0));
        Check(!store.FrameReady);
        CheckState(link);
        if (outcome.redraw)
            CheckFrame(link, store, line);
        else if (shouldRequest || pendingBefore)
            Check(link.RequestPending); // nothing finished, so the request still waits
    }
    return 0;
}
