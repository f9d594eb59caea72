#include "view/measure.h"

#include "link/commands.h"
#include "sim/simulated_instrument.h"
#include "view/sample_scale.h"
#include "view/status_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace {

using namespace duruz;

// The instrument model's next frame after the given commands; `hertz` above 0 adds a
// generator command for channel 1 first.
CaptureStore SimFrame(std::string commands, int waveformRow = 0, double hertz = 0, double volts = 0,
                      bool demo = false) {
    if (hertz > 0)
        commands += std::string(SigGenCommand(0, waveformRow, hertz, volts).View()) + "\r";
    sim::SimulatedInstrument instrument({.seed = 5, .noise = true, .demo = demo});
    commands += CaptureRequestCommand().bytes;
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(commands.data()), commands.size());
    std::uint8_t frame[kFrameBytes];
    EXPECT_EQ(instrument.TakeOutput(frame, kFrameBytes), kFrameBytes);
    CaptureStore store;
    std::memcpy(store.RxBuffer.data(), frame, kHeaderBytes);
    std::memcpy(store.CaptureBuffer.data(), frame + kHeaderBytes, kSamplePairs * 4);
    return store;
}

// Channel 1 at +-1 V from a shape the generator lacks, scaled and rounded as the model
// does (count = round(-v * 2047)) with its kind of noise; a saturated input holds the
// counts at the ends of the range.
CaptureStore ShapeFrame(const std::function<double(double)>& volts, bool saturated = false) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    CaptureStore store;
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const long count = std::lround(-volts(SampleSeconds(double(i))) * 2047.0 + noise(random));
        store.CaptureBuffer[2 * i] =
            std::int16_t(saturated ? std::clamp(count, -2047L, 2047L) : count);
    }
    return store;
}

struct Expected {
    const char* name;
    CaptureStore store;
    int probeRow, rangeRow;
    double frequency;            // 0: none ("—")
    double vpp, rms, mean, duty; // vpp, duty < 0 and rms 0: not checked
    bool overRange;
};

// Channel 1 of the model: a 1 kHz sine of 1 V, a 250 Hz triangle of 1.5 V at +-4 V, a
// 3.3 kHz square of 10% at +-4 V, the 1 kHz sine read through x10; of a shape: a 700 Hz
// square of 30%, 0.5 V DC, a 2 kHz sine of 1.5 V clipped at +-1 V, or saturated below
// -1 V only, a 1 kHz square of 10 mV, a 2.5 kHz sine of 0.1 V in noise of 0.2 V, and
// noise alone.
TEST(Measure, KnownFramesAgainstTheirAnalyticValues) {
    const double sqrtHalf = std::sqrt(0.5), turn = 2.0 * std::numbers::pi;
    const std::string range1V = RangeCommand(0, 7).bytes, range4V = RangeCommand(0, 5).bytes;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> uniform(-0.5, 0.5);
    const auto clippedSine = [&](double low, double high) {
        return [=](double t) { return std::clamp(1.5 * std::sin(turn * 2000.0 * t), low, high); };
    };
    const auto square = [](double hertz, double high, double v1, double v0) {
        return [=](double t) { return std::fmod(t * hertz, 1.0) < high ? v1 : v0; };
    };
    const Expected cases[] = {
        {"sine", SimFrame(range1V, 1, 1000, 1.0), 1, 7, 1000, 2.0, sqrtHalf, 0, 50, false},
        {"triangle", SimFrame(range4V, 5, 250, 1.5), 1, 5, 250, 3.0, 1.5 / std::sqrt(3.0), 0, 50,
         false},
        {"square 10%", SimFrame(range4V, 7, 3300, 1.2), 1, 5, 3300, 2.4, 1.2, -0.96, 10, false},
        {"square 30%", ShapeFrame(square(700, 0.3, 0.8, -0.4)), 1, 7, 700, 1.2,
         std::sqrt(0.3 * 0.64 + 0.7 * 0.16), -0.04, 30, false},
        {"DC", ShapeFrame([](double) { return 0.5; }), 1, 7, 0, 0.0, 0.5, 0.5, -1, false},
        {"noise only", SimFrame(range1V), 1, 7, 0, 0.0, 0.0, 0.0, -1, false},
        {"clipped", ShapeFrame(clippedSine(-1, 1)), 1, 7, 2000, 2.0, 0.0, 0, 50, true},
        // Saturated on one side only, where the counts are positive: still over range.
        {"saturated", ShapeFrame(clippedSine(-1.5, 0.9), true), 1, 7, 2000, 1.9, 0.805, -0.028, 51,
         true},
        // A clean square of 20 counts: too small a swing to time, however regular.
        {"10 mV", ShapeFrame(square(1000, 0.5, 0.005, -0.005)), 1, 7, 0, 0.01, 0, 0, -1, false},
        {"x10", SimFrame(range1V, 1, 1000, 1.0), 0, 7, 1000, 20.0, 10 * sqrtHalf, 0, 50, false},
        // Crossings made irregular by noise: the spectrum's peak names the frequency.
        {"sine in noise", ShapeFrame([&](double t) {
             return 0.1 * std::sin(turn * 2500 * t) + 0.2 * uniform(random);
         }),
         1, 7, 2500, -1, 0.0, 0, -1, false},
        {"noise of 1 V", ShapeFrame([&](double) { return uniform(random); }), 1, 7, 0, 1.0,
         1.0 / std::sqrt(12.0), 0, -1, false},
    };
    MeasureScratch scratch;
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        const ChannelMeasurements m = MeasureChannel(e.store, 0, e.probeRow, e.rangeRow, scratch);
        const double tolerance = 0.02 * (FullScaleVolts(e.probeRow, e.rangeRow) * 2.0);
        EXPECT_EQ(std::tuple(m.hasFrequency, m.hasDuty, m.overRange),
                  std::tuple(e.frequency > 0, e.duty >= 0, e.overRange));
        const std::tuple<bool, double, double, double, const char*> checks[] = {
            {e.frequency > 0, m.frequency, e.frequency, 0.005 * e.frequency, "frequency"},
            {e.vpp >= 0, m.vpp, e.vpp, tolerance, "vpp"},
            {e.rms > 0, m.rms, e.rms, tolerance, "rms"},
            {true, m.mean, e.mean, tolerance, "mean"},
            {e.duty >= 0, m.duty, e.duty, 1.0, "duty"}};
        for (const auto& [checked, value, expected, within, what] : checks)
            if (checked) {
                EXPECT_NEAR(value, expected, within) << what;
            }
    }
}

// A 200 Hz square between the range's limit and half of it the other way, at the top
// (the highest volts, the most negative count) or the bottom: the levels of that side,
// and peak-to-peak and RMS, are bounds.
TEST(Measure, TheClippedMarkGoesOnTheSideThatClipped) {
    std::string texts;
    MeasureScratch scratch;
    for (const int limit : {-2047, 2047}) {
        CaptureStore store;
        for (std::size_t i = 0; i < kSamplePairs; ++i)
            store.CaptureBuffer[2 * i] = std::int16_t(i % 512 < 256 ? limit : -limit / 2);
        const ChannelMeasurements m = MeasureChannel(store, 0, 1, 7, scratch);
        const std::string detail = ChannelDetail(0, m);
        texts += ChannelText(0, m) + "|" + detail.substr(detail.find("\nPeak")) + "|";
    }
    EXPECT_EQ(texts, "Ch1 200.0 Hz  >1.50 Vpp  >790 mVrms|\nPeak-to-peak >1.50 V\nMinimum -500 mV\n"
                     "Maximum >1.00 V\nMean 250 mV\nRMS >790 mV\nDuty cycle 50.0 %|Ch1 200.0 Hz  "
                     ">1.50 Vpp  >790 mVrms|\nPeak-to-peak >1.50 V\nMinimum <-1.00 V\nMaximum 500 "
                     "mV\nMean -250 mV\nRMS >790 mV\nDuty cycle 50.0 %|");
}

// The demo: a 1 kHz square of 1 Vpp with overshoot, and one period of 50 Hz hum,
// too few to time.
TEST(Measure, SpectrumPeakAndTheDemoSignals) {
    MeasureScratch scratch;
    const std::string range1V = RangeCommand(0, 7).bytes;
    const SpectrumPeak peak = FindSpectrumPeak(SimFrame(range1V, 1, 1230, 0.5), 0, 1, 7, scratch);
    const CaptureStore demo = SimFrame(range1V + RangeCommand(1, 7).bytes, 0, 0, 0, true);
    const ChannelMeasurements square = MeasureChannel(demo, 0, 1, 7, scratch),
                              hum = MeasureChannel(demo, 1, 1, 7, scratch);
    // The last is noise alone.
    EXPECT_EQ(std::tuple(peak.found, square.hasFrequency, square.overRange, hum.hasFrequency,
                         hum.vpp > 1.0, FindSpectrumPeak(SimFrame(""), 0, 1, 7, scratch).found),
              std::tuple(true, true, false, false, true, false));
    const double values[][3] = {{peak.frequency, 1230, 6.15},
                                {peak.level, 0.5, 0.02},
                                {square.frequency, 1000, 5},
                                {square.duty, 50, 1},
                                {square.vpp, 1.1, 0.04}};
    for (const auto& [value, expected, tolerance] : values)
        EXPECT_NEAR(value, expected, tolerance) << expected;
}

} // namespace
