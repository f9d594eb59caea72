#include "analysis/response_point.h"

#include "view/sample_scale.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace duruz {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// An angle brought into -pi to +pi.
double Wrapped(double radians) {
    return std::remainder(radians, 2.0 * std::numbers::pi);
}

} // namespace

ResponseMeasurement MeasureResponse(const CaptureStore& frame, double hertz,
                                    const std::array<ChannelScale, 2>& scales) {
    ResponseMeasurement result;
    const std::array<ToneFit, 2> fits = FitTone(frame, hertz);
    if (fits[0].status == ToneStatus::Unmeasurable)
        return result; // the frequency itself
    for (std::size_t channel = 0; channel < 2; ++channel) {
        const double voltsPerCount =
            VoltsPerCount(scales[channel].probeRow, scales[channel].rangeRow);
        result.volts[channel] = fits[channel].amplitude * voltsPerCount;
        const ToneStatus status =
            voltsPerCount == 0.0 ? ToneStatus::Unmeasurable : fits[channel].status;
        if (status != ToneStatus::Valid && result.channel < 0) {
            result.status = status;
            result.channel = int(channel);
        }
    }
    if (result.channel >= 0)
        return result;
    result.status = ToneStatus::Valid;
    result.ratio = result.volts[1] / result.volts[0];
    return result;
}

double GainDb(std::complex<double> ratio) {
    return 20.0 * std::log10(std::abs(ratio));
}

double PhaseDegrees(std::complex<double> ratio) {
    return std::arg(ratio) * kDegreesPerRadian;
}

std::complex<double> CalibrationAt(std::span<const CalibrationPoint> calibration, double hertz) {
    if (calibration.empty())
        return 1.0;
    if (hertz <= calibration.front().hertz)
        return calibration.front().ratio;
    if (hertz >= calibration.back().hertz)
        return calibration.back().ratio;
    const auto above =
        std::upper_bound(calibration.begin(), calibration.end(), hertz,
                         [](double f, const CalibrationPoint& point) { return f < point.hertz; });
    const CalibrationPoint& high = *above;
    const CalibrationPoint& low = *(above - 1);
    const double share = std::log(hertz / low.hertz) / std::log(high.hertz / low.hertz);
    const double lowDb = GainDb(low.ratio);
    const double db = lowDb + share * (GainDb(high.ratio) - lowDb);
    // The shorter way round from one point's phase to the next.
    const double radians =
        std::arg(low.ratio) + share * Wrapped(std::arg(high.ratio) - std::arg(low.ratio));
    return std::polar(std::pow(10.0, db / 20.0), radians);
}

std::complex<double> Calibrated(std::complex<double> ratio,
                                std::span<const CalibrationPoint> calibration, double hertz) {
    return ratio / CalibrationAt(calibration, hertz);
}

} // namespace duruz
