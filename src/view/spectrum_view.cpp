#include "view/spectrum_view.h"

#include <cmath>

namespace duruz {

void ComputeSpectrum(const CaptureStore& store, int channel,
                     std::array<ComplexFloat, kSpectrumBins>& workArea,
                     SpectrumMagnitudes& magnitudes) {
    const int c = channel & 1;
    const float* sine = SineTable.data();
    for (int k = 0; k < kSpectrumBins; ++k) {
        const float re = store.CaptureBuffer[4 * k + c];
        const float im = store.CaptureBuffer[4 * k + 2 + c];
        const float w = sine[1024 + 4 * k];
        workArea[k] = {re - re * w, im - im * w};
    }
    ComplexFft(workArea.data(), kSpectrumBins);
    RealFftSplit(workArea.data(), kSpectrumBins);
    const float binScale = 1.0f / 1024.0f;
    const double gain = 1.1;
    for (int k = 0; k < kSpectrumBins; ++k) {
        const float re = workArea[k].re * binScale;
        const float im = workArea[k].im * binScale;
        workArea[k] = {re, im};
        const float power = re * re + im * im;
        magnitudes[k] = static_cast<std::int32_t>(static_cast<double>(std::sqrt(power)) * gain);
    }
}

void DrawSpectrum(tk::Canvas& canvas, const PlotArea& area, int channel, const CaptureStore& store,
                  std::array<ComplexFloat, kSpectrumBins>& workArea) {
    SpectrumMagnitudes magnitudes;
    ComputeSpectrum(store, channel, workArea, magnitudes);

    canvas.SetPenColor(kSpectrumColors[channel & 1]);
    const std::int32_t middle = area.height / 2;
    canvas.MoveTo(area.left, middle - (area.height * magnitudes[0]) / 4094);
    const std::uint32_t width = static_cast<std::uint32_t>(area.width);
    for (int k = 0; k < kSpectrumBins; ++k) {
        const std::int32_t x =
            static_cast<std::int32_t>((width * static_cast<std::uint32_t>(2 * k)) >> 11) +
            area.left;
        canvas.LineTo(x, middle - (area.height * magnitudes[k]) / 4094);
    }
}

} // namespace duruz
