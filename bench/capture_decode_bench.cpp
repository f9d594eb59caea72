// Decoding speed of the capture stream: PollCapture takes whole frames from an
// in-memory port. The wire brings 11,520 bytes/s (115200 baud, 10 bits a byte), so
// the decoder must be far faster; it must also never allocate.

#include "link/capture_stream.h"
#include "support/scripted_port.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
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
    const std::vector<unsigned char> stream = MakeStream(stray);
    testing_support::ScriptedPort port(stream.data(), stream.size());
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
