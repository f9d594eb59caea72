#pragma once

#include "link/capture_store.h"
#include "view/float_frame.h"
#include "view/spectrum_view.h"

#include <array>

namespace duruz {

// What a bench scope reads off one channel of one frame, in volts, seconds and
// hertz with the probe and range applied.
struct ChannelMeasurements {
    bool hasFrequency = false; // false: DC, noise, or under two periods in the frame
    double frequency = 0.0;    // Hz
    double period = 0.0;       // s
    double vpp = 0.0;
    double vmin = 0.0;
    double vmax = 0.0;
    double mean = 0.0;
    double rms = 0.0; // of the whole signal, DC included
    bool hasDuty = false;
    double duty = 0.0; // percent of each period above the mid level
    // 2% of the samples or more at one of the range's limits: clipped there, so the
    // level on that side is only a bound. High is the top of the screen.
    bool clippedHigh = false;
    bool clippedLow = false;
    bool overRange = false; // either side clipped
};

// The highest peak of a channel's spectrum, as the spectrum view shows it.
struct SpectrumPeak {
    bool found = false;
    double frequency = 0.0; // Hz, refined between bins
    double level = 0.0;     // volts peak of the sine that would give it
};

// Room for one transform, so a measurement allocates nothing.
struct MeasureScratch {
    std::array<ComplexFloat, kSpectrumBins> work{};
    SpectrumMagnitudes magnitudes{};
};

// Frequency comes from rising crossings of the mid level, with a hysteresis of a
// tenth of the swing, timed by linear interpolation and averaged over every whole
// period in the frame; it needs at least two periods of steady length. Otherwise
// the spectrum's peak, interpolated between bins, gives it, when it stands clear
// of the rest of the spectrum.
ChannelMeasurements MeasureChannel(const CaptureStore& store, int channel, int probeRow,
                                   int rangeRow, MeasureScratch& scratch);
// The same of a floating-point frame, an average, with no rounding to counts.
ChannelMeasurements MeasureChannel(const FloatFrame& frame, int channel, int probeRow, int rangeRow,
                                   MeasureScratch& scratch);

// The largest bin above the lowest two (DC and the window's spread of it).
SpectrumPeak FindSpectrumPeak(const CaptureStore& store, int channel, int probeRow, int rangeRow,
                              MeasureScratch& scratch);
SpectrumPeak FindSpectrumPeak(const FloatFrame& frame, int channel, int probeRow, int rangeRow,
                              MeasureScratch& scratch);

// The level of one bin of a channel's spectrum, in volts peak of a sine centred on it.
double SpectrumBinLevel(const CaptureStore& store, int channel, int probeRow, int rangeRow, int bin,
                        MeasureScratch& scratch);
double SpectrumBinLevel(const FloatFrame& frame, int channel, int probeRow, int rangeRow, int bin,
                        MeasureScratch& scratch);

} // namespace duruz
