// One channel's spectrum (pack, window, transform, scale, magnitudes) against
// FFTW's r2c of the same 2,048 windowed samples followed by the same scaling and
// magnitudes. SpectrumVsFftw runs the two alternately in blocks within one run
// and reports both times and their ratio; the two single benchmarks serve
// callgrind (--toggle-collect on OwnSpectrum or FftwSpectrum).
#include "view/fft_stages.h"
#include "view/spectrum_view.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>

namespace {

using duruz::ComplexFloat;

// CPU time of this thread: other work on a busy machine does not count.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

struct Fixture {
    duruz::CaptureStore store;
    std::array<ComplexFloat, 1024> work{};
    duruz::SpectrumMagnitudes magnitudes{};
    float* fftwIn = nullptr;
    fftwf_complex* fftwOut = nullptr;
    fftwf_plan plan = nullptr;

    Fixture() {
        std::mt19937 generator(1);
        std::normal_distribution<float> noise(0.0f, 300.0f);
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i)
            for (int c = 0; c < 2; ++c)
                store.CaptureBuffer[2 * i + c] = static_cast<std::int16_t>(
                    1000 * std::sin(0.05 * double(i) * (c + 1)) + noise(generator));
        fftwIn = fftwf_alloc_real(2048);
        fftwOut = fftwf_alloc_complex(1025);
        plan = FastestPlan();
    }
    // FFTW_MEASURE times candidate plans, so on a busy machine it may settle on
    // a slow one. Plan a few times afresh and keep the fastest, so the yardstick
    // is FFTW at its best.
    fftwf_plan FastestPlan() {
        std::fill_n(fftwIn, 2048, 0.0f);
        fftwf_plan best = nullptr;
        double bestSeconds = 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            fftwf_forget_wisdom();
            fftwf_plan candidate = fftwf_plan_dft_r2c_1d(2048, fftwIn, fftwOut, FFTW_MEASURE);
            std::fill_n(fftwIn, 2048, 1.0f);
            const double start = ThreadSeconds();
            for (int i = 0; i < 4000; ++i)
                fftwf_execute(candidate);
            const double seconds = ThreadSeconds() - start;
            if (best == nullptr || seconds < bestSeconds) {
                if (best != nullptr)
                    fftwf_destroy_plan(best);
                best = candidate;
                bestSeconds = seconds;
            } else {
                fftwf_destroy_plan(candidate);
            }
        }
        return best;
    }

    ~Fixture() {
        fftwf_destroy_plan(plan);
        fftwf_free(fftwIn);
        fftwf_free(fftwOut);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

[[gnu::noinline]] void OwnSpectrum(Fixture& f) {
    duruz::ComputeSpectrum(f.store, 0, f.work, f.magnitudes);
}

// The same steps with the SSE2 stages, whatever the processor offers.
[[gnu::noinline]] void OwnSpectrumSse2(Fixture& f) {
    duruz::PackWindowed(f.store, 0, f.work.data());
    duruz::ComplexFftWith(duruz::kFftStagesSse2, f.work.data(), duruz::kSpectrumBins);
    duruz::RealFftSplit(f.work.data(), duruz::kSpectrumBins);
    duruz::ScaleMagnitudes(f.work.data(), f.magnitudes);
}

// The same steps around FFTW's transform: its real input is the packed array
// read as 2,048 floats, and its output has the layout of ComplexFloat.
[[gnu::noinline]] void FftwSpectrum(Fixture& f) {
    auto* packed = reinterpret_cast<ComplexFloat*>(f.fftwIn);
    auto* bins = reinterpret_cast<ComplexFloat*>(f.fftwOut);
    duruz::PackWindowed(f.store, 0, packed);
    fftwf_execute(f.plan);
    duruz::ScaleMagnitudes(bins, f.magnitudes);
}

void Own(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        OwnSpectrum(f);
        benchmark::DoNotOptimize(f.magnitudes);
    }
}
BENCHMARK(Own);

void OwnSse2Only(benchmark::State& state) {
    Fixture& f = TheFixture();
    if (duruz::kFftStagesSse2 == nullptr) {
        state.SkipWithError("this build has no SSE2 stages");
        return;
    }
    for (auto _ : state) {
        OwnSpectrumSse2(f);
        benchmark::DoNotOptimize(f.magnitudes);
    }
}
BENCHMARK(OwnSse2Only);

void Fftw(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        FftwSpectrum(f);
        benchmark::DoNotOptimize(f.magnitudes);
    }
}
BENCHMARK(Fftw);

void SpectrumVsFftw(benchmark::State& state) {
    constexpr int kBlock = 32;
    Fixture& f = TheFixture();
    const bool sse2Only = state.range(0) == 1;
    if (sse2Only && duruz::kFftStagesSse2 == nullptr) {
        state.SkipWithError("this build has no SSE2 stages");
        return;
    }
    void (*const spectrum)(Fixture&) = sse2Only ? &OwnSpectrumSse2 : &OwnSpectrum;
    double own = 0, fftw = 0;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        for (int i = 0; i < kBlock; ++i) {
            spectrum(f);
            benchmark::ClobberMemory();
        }
        const double t1 = ThreadSeconds();
        for (int i = 0; i < kBlock; ++i) {
            FftwSpectrum(f);
            benchmark::ClobberMemory();
        }
        const double t2 = ThreadSeconds();
        own += t1 - t0;
        fftw += t2 - t1;
        ++blocks;
    }
    const double ownNs = 1e9 * own / double(blocks * kBlock);
    const double fftwNs = 1e9 * fftw / double(blocks * kBlock);
    state.counters["own_ns"] = ownNs;
    state.counters["fftw_ns"] = fftwNs;
    state.counters["ratio"] = ownNs / fftwNs;
    state.SetLabel(sse2Only ? "SSE2 only" : "widest vectors");
}
// The transforms alone.
void TransformOnly(benchmark::State& state) {
    Fixture& f = TheFixture();
    const bool fftw = state.range(0) == 1;
    for (auto _ : state) {
        if (fftw) {
            fftwf_execute(f.plan);
        } else {
            duruz::ComplexFft(f.work.data(), 1024);
            duruz::RealFftSplit(f.work.data(), 1024);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(fftw ? "fftw r2c 2048" : "ComplexFft + RealFftSplit 1024");
}
BENCHMARK(TransformOnly)->Arg(0)->Arg(1);

BENCHMARK(SpectrumVsFftw)->Arg(0)->Arg(1)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
