#pragma once

#include <complex>
#include <span>
#include <vector>

namespace duruz {

// One point of a sweep: the generator's frequency and the ratio of channel 2 to
// channel 1 there. A point that was not measured (clipped, below the noise) takes
// no part in the readouts.
struct ResponsePoint {
    double hertz = 0.0;
    std::complex<double> ratio;
    bool measured = true;
};

struct PointReadout {
    bool measured = false;
    double gainDb = 0.0;
    double phaseDegrees = 0.0; // unwrapped along the sweep
    bool hasGroupDelay = false;
    double groupDelaySeconds = 0.0; // -dphase/domega, positive for a lagging phase
};

// A frequency found between two measured points, interpolated in log frequency.
struct CrossingReadout {
    bool found = false;
    double hertz = 0.0;
    double gainDb = 0.0;
    double phaseDegrees = 0.0; // unwrapped
};

// What a sweep shows beyond its points.
struct SweepReadouts {
    std::vector<PointReadout> points; // one for each point given
    // The pass band's: the highest point's gain, or where it has a neighbour on each
    // side, the top of the parabola through the three in log frequency.
    double maxGainDb = 0.0;
    // Where the gain falls half the power (3.01 dB) below the maximum: the nearest
    // crossing below the maximum's frequency (a high-pass or a band-pass) and the
    // nearest above it (a low-pass or a band-pass).
    CrossingReadout lowerCorner;
    CrossingReadout upperCorner;
    // Where the unwrapped phase first reaches -180 degrees, and the gain there.
    CrossingReadout phaseAt180;
};

// The readouts of a sweep whose points come in rising frequency.
SweepReadouts ReadSweep(std::span<const ResponsePoint> sweep);

} // namespace duruz
