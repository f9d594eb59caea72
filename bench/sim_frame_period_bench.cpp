// The frame period of the capture loop on the paced simulator in real time: a tick
// every 250 ms, as the window's timer gives it. Each frame costs its wire time,
// 8,320 bytes at 11,520 bytes/s (0.722 s), plus the 129 ms of the input drain
// before the request; 0.851 s is the floor.

#include "link/capture_stream.h"
#include "sim/sim_clock.h"
#include "sim/simulated_instrument.h"
#include "sim/simulator_port.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr int kFrames = 20;
constexpr double kFloorSeconds = 8320.0 * 10 / 115200 + 0.129;

void BM_SimFramePeriod(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(250);
    for (auto _ : state) {
        sim::SteadySimClock clock;
        sim::SimulatorPort port(clock, {.seed = 1, .noise = true});
        port.Open("Simulator");
        port.SetTimeouts({1, 1, 1, 0, 0});
        port.Write("%X7\r%G011000.000000,1.000000", 28);
        duruz::SerialLink link;
        link.PortHandle = &port;
        link.TimerInterval = 250;
        duruz::CaptureStore store;

        // A timer that is overdue fires at once and then keeps its period from there.
        auto due = Clock::now();
        Clock::time_point firstFrame{};
        double shortest = 1e9, longest = 0;
        Clock::time_point lastFrame{};
        int frames = 0;
        while (frames <= kFrames) {
            std::this_thread::sleep_until(due);
            due = std::max(due + interval, Clock::now());
            if (!duruz::CaptureTick(link, store, false).redraw)
                continue;
            const auto now = Clock::now();
            if (frames > 0) {
                double period = std::chrono::duration<double>(now - lastFrame).count();
                shortest = std::min(shortest, period);
                longest = std::max(longest, period);
            } else {
                firstFrame = now;
            }
            lastFrame = now;
            ++frames;
        }
        const double mean = std::chrono::duration<double>(lastFrame - firstFrame).count() / kFrames;
        state.SetIterationTime(mean);
        state.counters["period_s"] = mean;
        state.counters["shortest_s"] = shortest;
        state.counters["longest_s"] = longest;
        state.counters["floor_s"] = kFloorSeconds;
        state.counters["over_floor_ms"] = (mean - kFloorSeconds) * 1000;
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
