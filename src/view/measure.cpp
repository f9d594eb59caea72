#include "view/measure.h"

#include "view/sample_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <type_traits>

namespace duruz {

namespace {

// Below this swing (about 1% of the range) a channel is DC or noise: no frequency.
constexpr std::int32_t kMinSwingCounts = 40;
// Crossing intervals may differ from their mean by this fraction before the
// signal counts as irregular.
constexpr double kPeriodTolerance = 0.2;
// The spectrum's peak must stand this far above the mean bin to name a frequency.
constexpr double kPeakOverMean = 8.0;
// The lowest bins hold the DC level spread by the window.
constexpr int kFirstPeakBin = 2;

// What the 1 - cos window passes of a sine that lies offset bins from a bin's
// centre (1 at the centre): a bin holds amplitude * this.
double WindowResponse(double offset) {
    if (std::abs(offset) < 1e-9)
        return 1.0;
    const double x = std::numbers::pi * offset;
    return std::sin(x) / x / (1.0 - offset * offset);
}

struct Crossings {
    int count = 0;
    double first = 0.0;
    double last = 0.0;
    double minInterval = 0.0;
    double maxInterval = 0.0;
};

// Upward crossings of mid (in screen-up counts: the sample negated) with hysteresis.
template <typename Frame>
Crossings FindRisingCrossings(const Frame& store, int channel, double mid, double hysteresis) {
    Crossings found;
    bool armed = false;
    double candidate = -1.0;
    double previousTime = 0.0;
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const double v = -double(store.Sample(i, channel));
        if (v < mid - hysteresis) {
            armed = true;
            candidate = -1.0;
        }
        if (!armed || i == 0)
            continue;
        const double before = -double(store.Sample(i - 1, channel));
        if (before < mid && v >= mid)
            candidate = double(i - 1) + (mid - before) / (v - before);
        if (v >= mid + hysteresis && candidate >= 0.0) {
            if (found.count == 0) {
                found.first = candidate;
            } else {
                const double interval = candidate - previousTime;
                found.minInterval =
                    found.count == 1 ? interval : std::min(found.minInterval, interval);
                found.maxInterval = std::max(found.maxInterval, interval);
            }
            previousTime = candidate;
            found.last = candidate;
            ++found.count;
            armed = false;
            candidate = -1.0;
        }
    }
    return found;
}

template <typename Frame>
SpectrumPeak PeakOf(const Frame& store, int channel, int probeRow, int rangeRow,
                    MeasureScratch& scratch) {
    ComputeSpectrum(store, channel & 1, scratch.work, scratch.magnitudes);
    auto magnitude = [&](int k) {
        return std::hypot(double(scratch.work[k].re), double(scratch.work[k].im));
    };
    int peak = kFirstPeakBin;
    double sum = 0.0;
    for (int k = kFirstPeakBin; k < kSpectrumBins; ++k) {
        sum += magnitude(k);
        if (magnitude(k) > magnitude(peak))
            peak = k;
    }
    SpectrumPeak result;
    const double top = magnitude(peak);
    const double mean = sum / double(kSpectrumBins - kFirstPeakBin);
    if (top <= 0.0 || top < kPeakOverMean * mean)
        return result;
    // A parabola through the logarithms of the peak and its neighbours: close to
    // exact for the bell a 1 - cos window gives a sine.
    double offset = 0.0;
    if (peak + 1 < kSpectrumBins) {
        const double a = std::log(std::max(magnitude(peak - 1), 1e-9));
        const double b = std::log(top);
        const double c = std::log(std::max(magnitude(peak + 1), 1e-9));
        const double denominator = a - 2.0 * b + c;
        if (denominator < 0.0)
            offset = std::clamp(0.5 * (a - c) / denominator, -0.5, 0.5);
    }
    result.found = true;
    result.frequency = (double(peak) + offset) * kBinHertz;
    result.level = std::abs(top / WindowResponse(offset) * VoltsPerCount(probeRow, rangeRow));
    return result;
}

template <typename Frame>
double BinLevelOf(const Frame& frame, int channel, int probeRow, int rangeRow, int bin,
                  MeasureScratch& scratch) {
    ComputeSpectrum(frame, channel & 1, scratch.work, scratch.magnitudes);
    const ComplexFloat& value = scratch.work[std::clamp(bin, 0, kSpectrumBins - 1)];
    return std::abs(std::hypot(double(value.re), double(value.im)) *
                    VoltsPerCount(probeRow, rangeRow));
}

// Counts in 32-bit integers, an average's in double.
template <typename Frame>
using Level = std::conditional_t<std::is_same_v<Frame, CaptureStore>, std::int32_t, double>;

template <typename Frame>
ChannelMeasurements Measure(const Frame& store, int channel, int probeRow, int rangeRow,
                            MeasureScratch& scratch) {
    channel &= 1;
    ChannelMeasurements m;
    Level<Frame> lowest = store.Sample(0, channel);
    Level<Frame> highest = lowest;
    double sum = 0.0;
    double squares = 0.0;
    int atTop = 0;
    int atBottom = 0;
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const Level<Frame> s = store.Sample(i, channel);
        lowest = std::min(lowest, s);
        highest = std::max(highest, s);
        sum += s;
        squares += double(s) * s;
        atTop += AtTopLimit(s) ? 1 : 0;
        atBottom += AtBottomLimit(s) ? 1 : 0;
    }
    m.clippedHigh = atTop >= kClippedSamples;
    m.clippedLow = atBottom >= kClippedSamples;
    m.overRange = m.clippedHigh || m.clippedLow;
    const double n = double(kSamplePairs);
    const double a = SampleVolts(lowest, probeRow, rangeRow);
    const double b = SampleVolts(highest, probeRow, rangeRow);
    m.vmin = std::min(a, b);
    m.vmax = std::max(a, b);
    m.vpp = m.vmax - m.vmin;
    m.mean = SampleVolts(sum / n, probeRow, rangeRow);
    m.rms = std::abs(SampleVolts(std::sqrt(squares / n), probeRow, rangeRow));

    const Level<Frame> swing = highest - lowest;
    if (swing < kMinSwingCounts)
        return m;
    // In screen-up counts, where the upper half of the swing is positive volts.
    const double mid = -0.5 * (double(lowest) + double(highest));
    const Crossings crossings = FindRisingCrossings(store, channel, mid, 0.1 * swing);
    if (crossings.count >= 3) {
        const double periodSamples = (crossings.last - crossings.first) / (crossings.count - 1);
        const bool steady = crossings.minInterval >= (1.0 - kPeriodTolerance) * periodSamples &&
                            crossings.maxInterval <= (1.0 + kPeriodTolerance) * periodSamples;
        if (steady) {
            m.hasFrequency = true;
            m.period = SampleSeconds(periodSamples);
            m.frequency = 1.0 / m.period;
            // Duty over the whole periods between the first and last crossing.
            const auto from = static_cast<std::size_t>(std::ceil(crossings.first));
            const auto to = static_cast<std::size_t>(std::ceil(crossings.last));
            std::size_t high = 0;
            for (std::size_t i = from; i < to; ++i)
                high += -double(store.Sample(i, channel)) > mid ? 1 : 0;
            m.hasDuty = to > from;
            m.duty = m.hasDuty ? 100.0 * double(high) / double(to - from) : 0.0;
        }
    }
    if (!m.hasFrequency) {
        const SpectrumPeak peak = PeakOf(store, channel, probeRow, rangeRow, scratch);
        // Two periods at least, as for the crossings.
        if (peak.found && peak.frequency >= 2.0 * kSampleRate / n) {
            m.hasFrequency = true;
            m.frequency = peak.frequency;
            m.period = 1.0 / peak.frequency;
        }
    }
    return m;
}

} // namespace

SpectrumPeak FindSpectrumPeak(const CaptureStore& store, int channel, int probeRow, int rangeRow,
                              MeasureScratch& scratch) {
    return PeakOf(store, channel, probeRow, rangeRow, scratch);
}
SpectrumPeak FindSpectrumPeak(const FloatFrame& frame, int channel, int probeRow, int rangeRow,
                              MeasureScratch& scratch) {
    return PeakOf(frame, channel, probeRow, rangeRow, scratch);
}

ChannelMeasurements MeasureChannel(const CaptureStore& store, int channel, int probeRow,
                                   int rangeRow, MeasureScratch& scratch) {
    return Measure(store, channel, probeRow, rangeRow, scratch);
}
ChannelMeasurements MeasureChannel(const FloatFrame& frame, int channel, int probeRow, int rangeRow,
                                   MeasureScratch& scratch) {
    return Measure(frame, channel, probeRow, rangeRow, scratch);
}

double SpectrumBinLevel(const CaptureStore& store, int channel, int probeRow, int rangeRow, int bin,
                        MeasureScratch& scratch) {
    return BinLevelOf(store, channel, probeRow, rangeRow, bin, scratch);
}
double SpectrumBinLevel(const FloatFrame& frame, int channel, int probeRow, int rangeRow, int bin,
                        MeasureScratch& scratch) {
    return BinLevelOf(frame, channel, probeRow, rangeRow, bin, scratch);
}

} // namespace duruz
