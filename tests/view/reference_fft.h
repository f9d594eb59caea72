#pragma once

#include "view/spectrum_view.h"

// Straight scalar transcriptions of the transform and the spectrum steps, one
// operation after another. The library's vectorised paths must give exactly
// the same bits.
namespace reference {

void ComplexFft(duruz::ComplexFloat* data, std::int32_t n);
void RealFftSplit(duruz::ComplexFloat* data, std::int32_t n);
void Spectrum(const duruz::CaptureStore& store, int channel,
              std::array<duruz::ComplexFloat, 1024>& workArea,
              duruz::SpectrumMagnitudes& magnitudes);

} // namespace reference
