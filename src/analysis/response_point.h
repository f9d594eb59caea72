#pragma once

#include "analysis/tone_fit.h"
#include "link/capture_store.h"

#include <array>
#include <complex>
#include <span>
#include <vector>

namespace duruz {

// How a channel's counts become volts: its probe row (0 "x10", 1 "x1") and range
// row, as the vertical panel lists them.
struct ChannelScale {
    int probeRow = 1;
    int rangeRow = 0;
};

// One frequency point of one frame: the ratio of channel 2 to channel 1, each in
// its own volts. Only a Valid point is a measurement; otherwise `channel` names
// the input that kept it from being one (0 or 1), or -1 for the frequency itself.
struct ResponseMeasurement {
    ToneStatus status = ToneStatus::Unmeasurable;
    int channel = -1;
    std::array<std::complex<double>, 2> volts{}; // each channel's complex amplitude
    std::complex<double> ratio;
};

// Fits both channels at the generator's frequency and divides them. A channel
// without a range (its row outside the list) gives Unmeasurable.
ResponseMeasurement MeasureResponse(const CaptureStore& frame, double hertz,
                                    const std::array<ChannelScale, 2>& scales);

double GainDb(std::complex<double> ratio);
// -180 to +180; positive when channel 2 leads.
double PhaseDegrees(std::complex<double> ratio);

// K ratios averaged as complex numbers, so that the phase is averaged with the gain.
struct RatioAverage {
    std::complex<double> sum;
    int count = 0;

    void Add(std::complex<double> ratio) {
        sum += ratio;
        ++count;
    }
    std::complex<double> Mean() const { return count > 0 ? sum / double(count) : sum; }
};

// A ratio of channel 2 to channel 1 measured with both inputs on the generator.
struct CalibrationPoint {
    double hertz = 0.0;
    std::complex<double> ratio{1.0, 0.0};
};

// The ratios of channel 2 to channel 1 a calibration sweep measured on one pair of
// range rows, in rising frequency.
struct CalibrationCurve {
    std::array<int, 2> rangeRows{};
    std::vector<CalibrationPoint> points;
};

// Every curve a calibration holds; the first is the pair the sweep started on.
struct Calibration {
    std::vector<CalibrationCurve> curves;
};

// The curve for a range pair: the one measured on that pair, else the first; null
// when there is none.
const CalibrationCurve* CurveFor(const Calibration& calibration, std::array<int, 2> rangeRows);

// The calibration at a frequency: gain in dB and phase interpolated linearly in log
// frequency between the points (in rising frequency), the end points' ratio held
// beyond them; 1 with no points.
std::complex<double> CalibrationAt(std::span<const CalibrationPoint> calibration, double hertz);

// The ratio with the calibration at its frequency divided out.
std::complex<double> Calibrated(std::complex<double> ratio,
                                std::span<const CalibrationPoint> calibration, double hertz);

} // namespace duruz
