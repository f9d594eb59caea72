// The frame period of the capture loop on the paced simulator in real time, through
// the link thread the window uses: a tick posted every 250 ms, as the window's
// timer does. Each frame costs its wire time, 8,320 bytes at 11,520 bytes/s
// (0.722 s), the instrument's capture before it (20 ms), plus the drain before
// the request, which ends after 2 ms of quiet.

#include "link/capture_stream.h"
#include "link/link_thread.h"
#include "link/open_port.h"
#include "sim/sim_clock.h"
#include "sim/simulated_instrument.h"
#include "sim/simulator_port.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kFrames = 20;
constexpr double kWireSeconds = 8320.0 * 10 / 115200;
constexpr std::uint32_t kCaptureMs = 20;

struct SimulatorRow : duruz::PortProvider {
    explicit SimulatorRow(sim::SimulatorPort& port) : port(port) {}
    serial::SerialPort& PortFor(const duruz::PortEntry&) override { return port; }
    sim::SimulatorPort& port;
};

void BM_SimFramePeriod(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(250);
    for (auto _ : state) {
        sim::SteadySimClock clock;
        sim::SimulatorPort port(clock, {.seed = 1, .noise = true, .captureMs = kCaptureMs});
        SimulatorRow provider(port);

        std::mutex mutex;
        std::vector<Clock::time_point> arrivals;
        duruz::CaptureStore shown;
        duruz::LinkThread* self = nullptr;
        // The wake comes on the link thread; collecting there notes the time a
        // frame became available to the window.
        duruz::LinkThread link(provider, [&] {
            duruz::LinkDelivery delivery;
            self->Collect(delivery, shown);
            if (delivery.frameNew) {
                std::lock_guard lock(mutex);
                arrivals.push_back(Clock::now());
            }
        });
        self = &link;
        link.Start();
        link.Post([](duruz::LinkContext& c) {
            c.link.TimerInterval = 250;
            c.link.PortCount = 1;
            std::snprintf(c.link.PortTable[0].path.data(), c.link.PortTable[0].path.size(),
                          "Simulator");
            (void)duruz::OpenPort(c.link, c.ports, 0, c.log);
            duruz::PortWrite(c.link, "%X7\r%G011000.000000,1.000000", 28);
            duruz::RequestCapture(c.link, c.capture, c.log);
        });

        // A timer that is overdue fires at once and then keeps its period from there.
        auto due = Clock::now();
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (arrivals.size() > kFrames)
                    break;
            }
            std::this_thread::sleep_until(due);
            due = std::max(due + interval, Clock::now());
            link.PostTick();
        }
        link.Stop();

        double shortest = 1e9, longest = 0;
        for (int i = 1; i <= kFrames; ++i) {
            const double period =
                std::chrono::duration<double>(arrivals[i] - arrivals[i - 1]).count();
            shortest = std::min(shortest, period);
            longest = std::max(longest, period);
        }
        const double mean =
            std::chrono::duration<double>(arrivals[kFrames] - arrivals[0]).count() / kFrames;
        state.SetIterationTime(mean);
        state.counters["period_s"] = mean;
        state.counters["shortest_s"] = shortest;
        state.counters["longest_s"] = longest;
        state.counters["wire_s"] = kWireSeconds;
        state.counters["capture_s"] = kCaptureMs / 1000.0;
        state.counters["over_wire_ms"] = (mean - kWireSeconds) * 1000;
    }
}
BENCHMARK(BM_SimFramePeriod)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// What one frame costs the model to make (trigger search and samples), unpaced.
void BM_SimFrameGeneration(benchmark::State& state) {
    sim::SimulatedInstrument instrument({.seed = 1, .noise = true});
    const char setup[] = "%X7\r%S01 1024  100\r%G011000.000000,1.000000%G153000,1.5\r";
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(setup), sizeof setup - 1);
    std::uint8_t frame[8320];
    for (auto _ : state) {
        instrument.Receive(reinterpret_cast<const std::uint8_t*>("%z\r\n"), 4);
        benchmark::DoNotOptimize(instrument.TakeOutput(frame, sizeof frame));
    }
}
BENCHMARK(BM_SimFrameGeneration)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
