#pragma once

#include "link/capture_store.h"

#include <array>
#include <complex>

namespace duruz {

enum class ToneStatus {
    Valid,
    Clipped,     // a side at the converter's limit, as the status strip decides it
    TooSmall,    // a few counts: the noise would decide the phase
    Unmeasurable // the frequency is not between 0 and the Nyquist limit
};

// One channel's sine at a known frequency in a frame, in counts: sample n is about
// offset + Re(amplitude * exp(j 2 pi f n / kSampleRate)), so |amplitude| is the
// peak and its argument the phase at sample 0. Only a Valid fit is a measurement;
// the amplitude of a clipped or small one is a hint for choosing a range.
struct ToneFit {
    ToneStatus status = ToneStatus::Unmeasurable;
    std::complex<double> amplitude;
    double offset = 0.0;
};

// Below this peak, in counts, a fit is TooSmall: the noise's few counts would
// move its phase by degrees.
constexpr double kMinToneCounts = 5.0;

// Both channels of a frame, each fitted by least squares with a sine of the given
// frequency plus an offset, so DC drops out and a frame holding less than one
// period still gives the sine. Allocates nothing.
std::array<ToneFit, 2> FitTone(const CaptureStore& frame, double hertz);

} // namespace duruz
