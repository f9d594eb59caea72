// Decoding speed of the capture stream: PollCapture takes whole frames from an
// in-memory port. The wire brings 11,520 bytes/s (115200 baud, 10 bits a byte), so
// the decoder must be far faster; it must also never allocate.

#include "link/capture_stream.h"
#include "serial/serial_port.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

std::atomic<long> allocations{0};

} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
// The replaced new and delete pair malloc with free; GCC cannot see that through
// the replacement and warns about a mismatch that is not there.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Serves a preloaded byte stream; reads past its end time out.
class MemoryPort : public serial::SerialPort {
public:
    explicit MemoryPort(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
    void Rewind() { position_ = 0; }

    serial::OpenResult Open(const char*) override { return {serial::OpenStatus::Opened, 0}; }
    bool IsOpen() const override { return true; }
    bool GetSettings(serial::LineSettings&) override { return true; }
    void ClearErrors() override {}
    bool SetSettings(const serial::LineSettings&) override { return true; }
    bool SetTimeouts(const serial::Timeouts&) override { return true; }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t) override {
        return Read(buffer, count);
    }
    std::size_t Write(const void*, std::size_t count) override { return count; }
    void Close() override {}
    void Interrupt() override {}

private:
    std::vector<unsigned char> bytes_;
    std::size_t position_ = 0;
};

std::vector<unsigned char> MakeStream(std::size_t strayBytes) {
    std::vector<unsigned char> bytes(strayBytes, 0x01);
    const unsigned char marker[4] = {0x78, 0x48, 0x78, 0x48};
    bytes.insert(bytes.end(), marker, marker + 4);
    for (std::size_t i = 4; i < duruz::kFrameBytes; ++i)
        bytes.push_back(static_cast<unsigned char>(i * 131));
    return bytes;
}

void DecodeFrames(benchmark::State& state) {
    const auto stray = static_cast<std::size_t>(state.range(0));
    MemoryPort port(MakeStream(stray));
    duruz::SerialLink link;
    link.PortHandle = &port;
    static duruz::CaptureStore store;

    long frames = 0;
    const long allocationsBefore = allocations.load();
    if (allocationsBefore == 0) // the port's vector went through the counter
        state.SkipWithError("operator new is not counted");
    for (auto _ : state) {
        port.Rewind();
        link.RxChunk = duruz::kRxChunkHeader;
        link.RxCount = 0;
        link.RequestPending = true;
        duruz::PollCapture(link, store);
        frames += store.FrameReady ? 1 : 0;
        store.FrameReady = false;
        benchmark::DoNotOptimize(store.CaptureBuffer.data());
    }
    const long allocationsDuring = allocations.load() - allocationsBefore;

    if (frames != static_cast<long>(state.iterations()))
        state.SkipWithError("a frame did not complete");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(duruz::kFrameBytes + stray));
    state.counters["allocations"] = static_cast<double>(allocationsDuring);
    state.counters["times_wire_rate"] =
        benchmark::Counter(static_cast<double>(state.iterations()) *
                               static_cast<double>(duruz::kFrameBytes + stray) / 11520.0,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(DecodeFrames)->Arg(0)->Arg(5);

} // namespace

BENCHMARK_MAIN();
