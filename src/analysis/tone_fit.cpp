#include "analysis/tone_fit.h"

#include "view/sample_scale.h"

#include <cmath>
#include <numbers>

namespace duruz {

namespace {

// Below this share of the cosine's energy left after the offset, or of the sine's,
// the two would be the same column: no frequency in the frame to fit.
constexpr double kMinIndependence = 1e-9;

} // namespace

std::array<ToneFit, 2> FitTone(const CaptureStore& frame, double hertz) {
    std::array<ToneFit, 2> fits{};
    if (!(hertz > 0.0 && hertz < kSampleRate / 2.0))
        return fits;
    // Time counted from the frame's middle makes the sine odd and the cosine and
    // the offset even, so the sine's column is orthogonal to the other two and the
    // normal equations split into a 2x2 and a 1x1 that stay well conditioned down
    // to a fraction of a period and up to near the Nyquist limit.
    const double radiansPerSample = 2.0 * std::numbers::pi * hertz / kSampleRate;
    const double middle = (double(kSamplePairs) - 1.0) / 2.0;
    const double n = double(kSamplePairs);
    double sumCos = 0.0, sumCos2 = 0.0, sumSin2 = 0.0;
    std::array<double, 2> sumX{}, sumXCos{}, sumXSin{};
    std::array<int, 2> atTop{}, atBottom{};
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const double angle = radiansPerSample * (double(i) - middle);
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        sumCos += c;
        sumCos2 += c * c;
        sumSin2 += s * s;
        for (int channel = 0; channel < 2; ++channel) {
            const std::int32_t sample = frame.Sample(i, channel);
            sumX[channel] += sample;
            sumXCos[channel] += sample * c;
            sumXSin[channel] += sample * s;
            atTop[channel] += AtTopLimit(sample) ? 1 : 0;
            atBottom[channel] += AtBottomLimit(sample) ? 1 : 0;
        }
    }
    const double determinant = sumCos2 * n - sumCos * sumCos;
    if (determinant < kMinIndependence * sumCos2 * n || sumSin2 < kMinIndependence * n)
        return fits;
    // The phase at the frame's middle, moved back to sample 0.
    const std::complex<double> toFirstSample = std::polar(1.0, -radiansPerSample * middle);
    for (int channel = 0; channel < 2; ++channel) {
        const double cosine = (sumXCos[channel] * n - sumCos * sumX[channel]) / determinant;
        const double sine = sumXSin[channel] / sumSin2;
        ToneFit& fit = fits[std::size_t(channel)];
        fit.offset = (sumCos2 * sumX[channel] - sumCos * sumXCos[channel]) / determinant;
        fit.amplitude = std::complex<double>(cosine, -sine) * toFirstSample;
        if (atTop[channel] >= kClippedSamples || atBottom[channel] >= kClippedSamples)
            fit.status = ToneStatus::Clipped;
        else if (std::abs(fit.amplitude) < kMinToneCounts)
            fit.status = ToneStatus::TooSmall;
        else
            fit.status = ToneStatus::Valid;
    }
    return fits;
}

} // namespace duruz
