#pragma once

#include "link/capture_store.h"
#include "link/instrument_facts.h"
#include "toolkit/canvas.h"
#include "view/float_frame.h"
#include "view/plot_area.h"
#include "view/spectrum_transform.h"

#include <array>
#include <cstdint>

namespace duruz {

using SpectrumMagnitudes = std::array<std::int32_t, kSpectrumBins>;

// Steps of ComputeSpectrum, open for the benchmark's yardstick. PackWindowed
// writes the channel's samples two to a complex value, each times 1 - cos(2 pi k
// / 1024); ScaleMagnitudes scales 1,024 bins by 1/1024 in place and gives their
// magnitudes times 1.1, truncated.
void PackWindowed(const CaptureStore& store, int channel, ComplexFloat* packed);
void PackWindowed(const FloatFrame& frame, int channel, ComplexFloat* packed);
void ScaleMagnitudes(ComplexFloat* bins, SpectrumMagnitudes& magnitudes);

// The magnitudes of one channel's 2,048 samples: packed two to a complex value,
// windowed with 1 - cos, transformed, scaled by 1/1024, and m = |bin| * 1.1
// truncated. The work area holds the scaled bins afterwards. Channel 0 or 1.
void ComputeSpectrum(const CaptureStore& store, int channel,
                     std::array<ComplexFloat, kSpectrumBins>& workArea,
                     SpectrumMagnitudes& magnitudes);
// The same of a floating-point frame, an average: whole counts give the same bins.
void ComputeSpectrum(const FloatFrame& frame, int channel,
                     std::array<ComplexFloat, kSpectrumBins>& workArea,
                     SpectrumMagnitudes& magnitudes);

// Draws the channel's spectrum across the plot area, rising from its centre line.
void DrawSpectrum(tk::Canvas& canvas, const PlotArea& area, int channel, const CaptureStore& store,
                  std::array<ComplexFloat, kSpectrumBins>& workArea);
void DrawSpectrum(tk::Canvas& canvas, const PlotArea& area, int channel, const FloatFrame& frame,
                  std::array<ComplexFloat, kSpectrumBins>& workArea);

} // namespace duruz
