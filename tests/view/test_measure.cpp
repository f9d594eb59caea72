#include "view/measure.h"

#include "link/commands.h"
#include "sim/simulated_instrument.h"
#include "view/sample_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>

namespace {

using namespace duruz;

// The instrument model's next frame after the given range and generator commands.
CaptureStore SimFrame(const std::string& commands, bool demo = false) {
    sim::SimulatedInstrument instrument({.seed = 5, .noise = true, .demo = demo});
    const std::string all = commands + CaptureRequestCommand().bytes;
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(all.data()), all.size());
    std::uint8_t frame[kFrameBytes];
    EXPECT_EQ(instrument.TakeOutput(frame, kFrameBytes), kFrameBytes);
    CaptureStore store;
    std::memcpy(store.RxBuffer.data(), frame, kHeaderBytes);
    std::memcpy(store.CaptureBuffer.data(), frame + kHeaderBytes, kSamplePairs * 4);
    return store;
}

std::string Gen(int waveformRow, double hertz, double volts) {
    return std::string(SigGenCommand(0, waveformRow, hertz, volts).View()) + "\r";
}

// Channel 1 from a shape the generator lacks, scaled and rounded as the model does
// (count = round(-v * 2047 / full scale)) with its kind of noise.
CaptureStore ShapeFrame(const std::function<double(double)>& volts, double fullScale) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    CaptureStore store;
    for (std::size_t i = 0; i < kSamplePairs; ++i)
        store.CaptureBuffer[2 * i] = std::int16_t(
            std::lround(-volts(SampleSeconds(double(i))) * 2047.0 / fullScale + noise(random)));
    return store;
}

// What an input that saturates gives: counts held at the ends of the range.
CaptureStore Saturated(CaptureStore store) {
    for (std::int16_t& count : store.CaptureBuffer)
        count = std::clamp<std::int16_t>(count, -2047, 2047);
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

TEST(Measure, KnownFramesAgainstTheirAnalyticValues) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    const double sqrtHalf = std::sqrt(0.5);
    const std::string range1V = RangeCommand(0, 7).bytes, range4V = RangeCommand(0, 5).bytes;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const Expected cases[] = {
        {"sine 1 kHz 1 V at +-1 V", SimFrame(range1V + Gen(1, 1000, 1.0)), 1, 7, 1000, 2.0,
         sqrtHalf, 0, 50, false},
        {"triangle 250 Hz 1.5 V at +-4 V", SimFrame(range4V + Gen(5, 250, 1.5)), 1, 5, 250, 3.0,
         1.5 / std::sqrt(3.0), 0, 50, false},
        {"square 10% 3.3 kHz at +-4 V", SimFrame(range4V + Gen(7, 3300, 1.2)), 1, 5, 3300, 2.4, 1.2,
         -0.96, 10, false},
        {"square 30% 700 Hz",
         ShapeFrame([](double t) { return std::fmod(t * 700.0, 1.0) < 0.3 ? 0.8 : -0.4; }, 1.0), 1,
         7, 700, 1.2, std::sqrt(0.3 * 0.64 + 0.7 * 0.16), -0.04, 30, false},
        {"DC 0.5 V", ShapeFrame([](double) { return 0.5; }, 1.0), 1, 7, 0, 0.0, 0.5, 0.5, -1,
         false},
        {"noise only", SimFrame(range1V), 1, 7, 0, 0.0, 0.0, 0.0, -1, false},
        {"sine 1.5 V clipped at +-1 V",
         ShapeFrame(
             [&](double t) { return std::clamp(1.5 * std::sin(kTurn * 2000.0 * t), -1.0, 1.0); },
             1.0),
         1, 7, 2000, 2.0, 0.0, 0, 50, true},
        // Saturated on one side only, where the counts are positive: still over range.
        {"sine 1.5 V saturated below -1 V only",
         Saturated(ShapeFrame(
             [&](double t) { return std::clamp(1.5 * std::sin(kTurn * 2000.0 * t), -1.5, 0.9); },
             1.0)),
         1, 7, 2000, 1.9, 0.805, -0.028, 51, true},
        // A clean square of 20 counts: too small a swing to time, however regular.
        {"square 1 kHz of 10 mV",
         ShapeFrame([](double t) { return std::fmod(t * 1000.0, 1.0) < 0.5 ? 0.005 : -0.005; },
                    1.0),
         1, 7, 0, 0.01, 0.0, 0.0, -1, false},
        {"sine 1 kHz 1 V read through x10 at +-10 V", SimFrame(range1V + Gen(1, 1000, 1.0)), 0, 7,
         1000, 20.0, 10 * sqrtHalf, 0, 50, false},
        // Crossings made irregular by noise: the spectrum's peak names the frequency.
        {"sine 2.5 kHz 0.1 V in noise of 0.2 V",
         ShapeFrame(
             [&](double t) {
                 return 0.1 * std::sin(kTurn * 2500.0 * t) + 0.2 * (uniform(random) - 0.5);
             },
             1.0),
         1, 7, 2500, -1, 0.0, 0, -1, false},
        {"noise of 1 V", ShapeFrame([&](double) { return uniform(random) - 0.5; }, 1.0), 1, 7, 0,
         1.0, 1.0 / std::sqrt(12.0), 0, -1, false},
    };
    MeasureScratch scratch;
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        const ChannelMeasurements m = MeasureChannel(e.store, 0, e.probeRow, e.rangeRow, scratch);
        const double fullScale = FullScaleVolts(e.probeRow, e.rangeRow) * 2.0;
        EXPECT_EQ(m.hasFrequency, e.frequency > 0);
        if (e.frequency > 0) {
            EXPECT_NEAR(m.frequency, e.frequency, 0.005 * e.frequency);
            EXPECT_NEAR(m.period * m.frequency, 1.0, 1e-12);
        }
        if (e.vpp >= 0) {
            EXPECT_NEAR(m.vpp, e.vpp, 0.02 * fullScale);
        }
        EXPECT_NEAR(m.vmax - m.vmin, m.vpp, 1e-12);
        if (e.rms > 0) {
            EXPECT_NEAR(m.rms, e.rms, 0.02 * fullScale);
        }
        EXPECT_NEAR(m.mean, e.mean, 0.02 * fullScale);
        EXPECT_EQ(m.hasDuty, e.duty >= 0); // duty comes with crossing-timed frequencies
        if (e.duty >= 0) {
            EXPECT_NEAR(m.duty, e.duty, 1.0);
        }
        EXPECT_EQ(m.overRange, e.overRange);
    }
}

// The screen's labels, the measurements and the export share one scale: the sample
// drawn on a graticule line reads the volts of its label, and a division's sample
// index reads its time label.
TEST(SampleScale, LabelsAndConversionsAgree) {
    for (int probe = 0; probe < 2; ++probe)
        for (int range = 0; range < 8; ++range)
            for (int g = 1; g <= 9; ++g) {
                const double countOnLine = -(5 - g) * 2.0 * kFullScaleCount / 10.0;
                EXPECT_NEAR(SampleVolts(countOnLine, probe, range) * 1000.0,
                            GraticuleMillivolts(probe, range, 5 - g), 1e-9);
            }
    EXPECT_DOUBLE_EQ(SampleVolts(-2047, 1, 7), 1.0);   // top of the +-1 V range
    EXPECT_DOUBLE_EQ(SampleVolts(2047, 0, 0), -240.0); // bottom of x10 +-24 V
    for (int g = 1; g <= 9; ++g)
        EXPECT_DOUBLE_EQ(SampleSeconds(kSamplePairs * g / 10.0) * 1000.0,
                         kMillisecondsPerDivision * g);
}

TEST(Measure, SpectrumPeakAndTheDemoSignals) {
    MeasureScratch scratch;
    const CaptureStore sine = SimFrame(std::string(RangeCommand(0, 7).bytes) + Gen(1, 1230, 0.5));
    const SpectrumPeak peak = FindSpectrumPeak(sine, 0, 1, 7, scratch);
    EXPECT_TRUE(peak.found);
    EXPECT_NEAR(peak.frequency, 1230, 0.005 * 1230);
    EXPECT_NEAR(peak.level, 0.5, 0.02);
    EXPECT_FALSE(FindSpectrumPeak(SimFrame(""), 0, 1, 7, scratch).found); // noise only

    // The demo: a 1 kHz square of 1 Vpp with overshoot, and one period of 50 Hz hum.
    const CaptureStore demo =
        SimFrame(std::string(RangeCommand(0, 7).bytes) + RangeCommand(1, 7).bytes, true);
    const ChannelMeasurements square = MeasureChannel(demo, 0, 1, 7, scratch);
    EXPECT_TRUE(square.hasFrequency);
    EXPECT_NEAR(square.frequency, 1000, 5);
    EXPECT_NEAR(square.duty, 50, 1);
    EXPECT_NEAR(square.vpp, 1.1, 0.04);
    EXPECT_FALSE(square.overRange);
    const ChannelMeasurements hum = MeasureChannel(demo, 1, 1, 7, scratch);
    EXPECT_FALSE(hum.hasFrequency); // 20 ms hold one period of 50 Hz
    EXPECT_GT(hum.vpp, 1.0);
}

} // namespace
