// The averager on hand-made frames, and on the simulator's noisy 1 kHz sine.

#include "analysis/tone_fit.h"
#include "session/frame_averager.h"
#include "sim/sim_test_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

using namespace duruz;

TEST(FrameAverager, BlockAndRunningExactValuesAndANewAverageOnEachSettingChange) {
    FrameAverager averager;
    ScopeSettings settings;
    CaptureStore frame;
    const auto add = [&](std::int16_t value, std::uint32_t generation = 1) {
        frame.CaptureBuffer.fill(value);
        averager.Add(frame, settings, generation);
        std::string seen = averager.ProgressText();
        if (averager.Ready())
            seen.append(" ").append(std::to_string(averager.Average().Sample(9, 1)));
        return seen;
    };
    EXPECT_EQ(add(5), ""); // off: nothing taken
    averager.Choose({2, AveragingMode::Block});
    EXPECT_EQ(add(1), "avg 1/2");
    EXPECT_EQ(add(2), "avg 2/2 1.500000");
    EXPECT_EQ(add(10), "avg 1/2 1.500000"); // the last block stays until the next is in
    settings.window.left = 99;              // not a setting of the capture
    EXPECT_EQ(add(-21), "avg 2/2 -5.500000");
    settings.channels[1].rangeRow = 3; // a new average, nothing of the old one shown
    EXPECT_EQ(add(3), "avg 1/2");
    EXPECT_EQ(add(4), "avg 2/2 3.500000");
    EXPECT_EQ(add(8, 2), "avg 1/2"); // a setting sent again: a new generation
    settings.trigger.levelBar = 5;
    EXPECT_EQ(add(8, 2), "avg 1/2");
    settings.generator[0].frequency = "1000";
    EXPECT_EQ(add(8, 2), "avg 1/2");

    averager.Choose({4, AveragingMode::Running});
    EXPECT_EQ(add(2), "avg 1/4 2.000000");
    EXPECT_EQ(add(5), "avg 2/4 3.500000");
    EXPECT_EQ(add(11), "avg 3/4 6.000000");
    EXPECT_EQ(add(2), "avg 4 5.000000");
    EXPECT_EQ(add(10), "avg 4 6.250000"); // 5 + (10 - 5) / 4, not the mean of five
    EXPECT_EQ(add(0, 3), "avg 1/4 0.000000");
    EXPECT_EQ(NextAveragingFrames(0) * 100 + NextAveragingFrames(32) + NextAveragingFrames(64),
              264);
}

// The noise left after fitting a sine of free frequency, amplitude, phase and offset
// to channel 1, in counts, and the sine's peak. The frame holds `scale` times the
// samples, so that a 16-frame average fits the counts of a frame as whole numbers.
std::pair<double, double> FitResidue(const CaptureStore& frame, double scale) {
    const auto residue = [&](double hertz, double* peak) {
        const ToneFit fit = FitTone(frame, hertz)[0];
        double squares = 0;
        for (std::size_t n = 0; n < kSamplePairs; ++n) {
            const double phase = 2 * std::numbers::pi * hertz * double(n) / kSampleRate;
            const double model = fit.offset + std::real(fit.amplitude * std::polar(1.0, phase));
            squares += std::pow(frame.Sample(n, 0) - model, 2);
        }
        *peak = std::abs(fit.amplitude) / scale;
        return std::sqrt(squares / double(kSamplePairs)) / scale;
    };
    double low = 990, high = 1010, peak = 0; // golden section on the frequency
    for (int step = 0; step < 40; ++step) {
        const double a = high - 0.618 * (high - low), b = low + 0.618 * (high - low);
        const bool lower = residue(a, &peak) < residue(b, &peak);
        (lower ? high : low) = lower ? b : a;
    }
    return {residue(low, &peak), peak};
}

TEST(FrameAverager, SixteenFramesCutTheSimulatorsNoiseAndKeepTheSine) {
    sim::SimulatedInstrument instrument; // noise on
    const char* setup = "%X6\r%Y6\r%S01 1024 2100\r%G011000.000000,1.000000";
    FrameAverager averager;
    averager.Choose({16, AveragingMode::Block});
    CaptureStore single, sum;
    for (int i = 0; i < 16; ++i) {
        const sim_test::Bytes bytes = sim_test::Capture(instrument, i == 0 ? setup : "");
        ASSERT_EQ(bytes.size(), kFrameBytes);
        std::memcpy(single.RxBuffer.data(), bytes.data(), kHeaderBytes);
        std::memcpy(single.CaptureBuffer.data(), bytes.data() + kHeaderBytes,
                    kFrameBytes - kHeaderBytes);
        averager.Add(single, ScopeSettings{}, 1);
    }
    ASSERT_TRUE(averager.Ready());
    for (std::size_t i = 0; i < sum.CaptureBuffer.size(); ++i)
        sum.CaptureBuffer[i] = std::int16_t(std::lround(16 * averager.Average().samples[i]));
    const auto [singleNoise, singlePeak] = FitResidue(single, 1);
    const auto [averagedNoise, averagedPeak] = FitResidue(sum, 16);
    EXPECT_GE(singleNoise / averagedNoise, 3.5) << singleNoise << " counts to " << averagedNoise;
    EXPECT_LT(std::abs(averagedPeak / singlePeak - 1), 0.01)
        << singlePeak << " to " << averagedPeak;
}

} // namespace
