// The estimator and a point's ratio on exact sines written into a frame.

#include "analysis/response_point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace duruz;
using Complex = std::complex<double>;

// Channel c holds offset + Re(amplitude[c] * exp(j w n)), rounded to counts.
CaptureStore Frame(double hertz, std::array<Complex, 2> amplitude, double offset = 0.0) {
    CaptureStore frame;
    for (std::size_t n = 0; n < kSamplePairs; ++n)
        for (std::size_t c = 0; c < 2; ++c)
            frame.CaptureBuffer[2 * n + c] = std::int16_t(
                std::lround(offset + (amplitude[c] * std::polar(1.0, 2 * std::numbers::pi * hertz *
                                                                         double(n) / kSampleRate))
                                         .real()));
    return frame;
}

TEST(ToneFit, ExactSinesBelowOnePeriodNearNyquistAndOnDc) {
    const Complex one = std::polar(1500.0, 0.7), two = std::polar(300.0, -2.0);
    for (const double hertz : {20.0, 50.0, 1234.5, 40000.0, 50000.0}) {
        const std::array<ToneFit, 2> fits = FitTone(Frame(hertz, {one, two}, -400.0), hertz);
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(fits[c].status, ToneStatus::Valid) << hertz;
            // Rounding to counts is all the error there is.
            EXPECT_LT(std::abs(fits[c].amplitude - (c == 0 ? one : two)), 0.1) << hertz;
            EXPECT_NEAR(fits[c].offset, -400.0, 0.1) << hertz;
        }
    }
    EXPECT_EQ(FitTone(Frame(1000, {one, two}), 0.0)[0].status, ToneStatus::Unmeasurable);
    EXPECT_EQ(FitTone(Frame(1000, {one, two}), 51200.0)[1].status, ToneStatus::Unmeasurable);
    // A few counts are below the noise's reach.
    const std::array<ToneFit, 2> small = FitTone(Frame(1000, {4.8, 5.2}), 1000);
    EXPECT_TRUE(small[0].status == ToneStatus::TooSmall && small[1].status == ToneStatus::Valid);
}

TEST(ToneFit, ClippedAsTheStatusStripDecidesIt) {
    CaptureStore frame = Frame(1000, {100.0, 100.0});
    // 39 samples at the top limit of channel 1 and at the bottom of channel 2 are
    // a sine's peaks; 40 are clipping.
    for (std::size_t n = 0; n < 39; ++n)
        frame.CaptureBuffer[2 * n] = -2047, frame.CaptureBuffer[2 * n + 1] = 2047;
    EXPECT_EQ(FitTone(frame, 1000)[0].status, ToneStatus::Valid);
    frame.CaptureBuffer[2 * 39] = -2048, frame.CaptureBuffer[2 * 39 + 1] = 2047;
    const std::array<ToneFit, 2> fits = FitTone(frame, 1000);
    EXPECT_TRUE(fits[0].status == ToneStatus::Clipped && fits[1].status == ToneStatus::Clipped);
    const ResponseMeasurement point = MeasureResponse(frame, 1000, {{{1, 7}, {1, 7}}});
    EXPECT_TRUE(point.status == ToneStatus::Clipped && point.channel == 0);
}

TEST(ResponsePoint, VoltsOfEachRangeAveragingAndCalibration) {
    // The same counts on 1 V (x1) and 20 V (x10 on the 2 V row): twenty times the
    // volts on channel 2, a quarter turn ahead.
    const CaptureStore frame = Frame(700, {1000.0, Complex(0, 1000)});
    const ResponseMeasurement point = MeasureResponse(frame, 700, {{{1, 7}, {0, 6}}});
    ASSERT_EQ(point.status, ToneStatus::Valid);
    EXPECT_NEAR(std::abs(point.volts[0]), 1000.0 / 2047, 1e-4);
    EXPECT_NEAR(GainDb(point.ratio), 20 * std::log10(20.0), 1e-3);
    EXPECT_NEAR(PhaseDegrees(point.ratio), 90.0, 0.01);
    EXPECT_EQ(MeasureResponse(frame, 700, {{{1, 7}, {1, 8}}}).status, ToneStatus::Unmeasurable);

    // Phase averages with the ratio: +3 and -3 radians make pi, not 0.
    RatioAverage average;
    average.Add(std::polar(1.0, 3.0)), average.Add(std::polar(1.0, -3.0));
    EXPECT_NEAR(std::abs(PhaseDegrees(average.Mean())), 180.0, 1e-9);

    // Gain in dB and phase the short way round, linear in log frequency; the ends held.
    const std::array<CalibrationPoint, 2> calibration{
        {{100, std::polar(1.0, 3.0)}, {10000, std::polar(100.0, -3.0)}}};
    EXPECT_LT(std::abs(CalibrationAt(calibration, 1000) - Complex(-10, 0)), 1e-9);
    EXPECT_LT(std::abs(CalibrationAt(calibration, 50) - std::polar(1.0, 3.0)), 1e-12);
    EXPECT_LT(std::abs(Calibrated(1.0, calibration, 1e5) * std::polar(100.0, -3.0) - 1.0), 1e-12);
}

} // namespace
