#include "view/spectrum_view.h"

#include "view/fft_tables.h"
#include "view/screen_geometry.h"
#include "view/trace_colors.h"

#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define DURUZ_SPECTRUM_SSE2 1
#endif

namespace duruz {

namespace {

constexpr float kBinScale = 1.0f / 1024.0f; // exact: a power of two
constexpr double kGain = 1.1;

} // namespace

void PackWindowed(const CaptureStore& store, int channel, ComplexFloat* packed) {
    const int c = channel & 1;
    const float* window = TheFftTables().window.data();
    float* out = &packed[0].re;
    int k = 0;
#if DURUZ_SPECTRUM_SSE2
    // Eight 16-bit values hold samples 2k..2k+3 of both channels; each 32-bit
    // lane is one pair, so the channel is the low or the high half, sign-extended.
    const std::int16_t* samples = store.CaptureBuffer.data();
    const __m128i lift = _mm_cvtsi32_si128(16 - 16 * c); // channel 1 into the high half
    for (; k < kSpectrumBins; k += 2) {
        const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 4 * k));
        const __m128i wide = _mm_srai_epi32(_mm_sll_epi32(pairs, lift), 16);
        const __m128 x = _mm_cvtepi32_ps(wide);
        const __m128 w = _mm_load_ps(window + 2 * k);
        _mm_storeu_ps(out + 2 * k, _mm_sub_ps(x, _mm_mul_ps(x, w)));
    }
#endif
    for (; k < kSpectrumBins; ++k) {
        const float re = store.CaptureBuffer[4 * k + c];
        const float im = store.CaptureBuffer[4 * k + 2 + c];
        const float w = window[2 * k];
        packed[k] = {re - re * w, im - im * w};
    }
}

// The same windowing of floating-point samples: whole counts give the same values.
void PackWindowed(const FloatFrame& frame, int channel, ComplexFloat* packed) {
    const int c = channel & 1;
    const float* window = TheFftTables().window.data();
    for (int k = 0; k < kSpectrumBins; ++k) {
        const float re = frame.samples[4 * k + c];
        const float im = frame.samples[4 * k + 2 + c];
        const float w = window[2 * k];
        packed[k] = {re - re * w, im - im * w};
    }
}

void ScaleMagnitudes(ComplexFloat* bins, SpectrumMagnitudes& magnitudes) {
    int k = 0;
#if DURUZ_SPECTRUM_SSE2
    const __m128 scale = _mm_set1_ps(kBinScale);
    const __m128d gain = _mm_set1_pd(kGain);
    float* data = &bins[0].re;
    for (; k < kSpectrumBins; k += 4) {
        const __m128 v0 = _mm_mul_ps(_mm_loadu_ps(data + 2 * k), scale);
        const __m128 v1 = _mm_mul_ps(_mm_loadu_ps(data + 2 * k + 4), scale);
        _mm_storeu_ps(data + 2 * k, v0);
        _mm_storeu_ps(data + 2 * k + 4, v1);
        const __m128 sq0 = _mm_mul_ps(v0, v0);
        const __m128 sq1 = _mm_mul_ps(v1, v1);
        const __m128 power = _mm_add_ps(_mm_shuffle_ps(sq0, sq1, _MM_SHUFFLE(2, 0, 2, 0)),
                                        _mm_shuffle_ps(sq0, sq1, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m128 root = _mm_sqrt_ps(power);
        const __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(root), gain));
        const __m128i high =
            _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(root, root)), gain));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(magnitudes.data() + k),
                         _mm_unpacklo_epi64(low, high));
    }
#endif
    for (; k < kSpectrumBins; ++k) {
        const float re = bins[k].re * kBinScale;
        const float im = bins[k].im * kBinScale;
        bins[k] = {re, im};
        const float power = re * re + im * im;
        magnitudes[k] = static_cast<std::int32_t>(static_cast<double>(std::sqrt(power)) * kGain);
    }
}

namespace {

template <typename Frame>
void ComputeAny(const Frame& frame, int channel, std::array<ComplexFloat, kSpectrumBins>& workArea,
                SpectrumMagnitudes& magnitudes) {
    PackWindowed(frame, channel, workArea.data());
    ComplexFft(workArea.data(), kSpectrumBins);
    RealFftSplit(workArea.data(), kSpectrumBins);
    ScaleMagnitudes(workArea.data(), magnitudes);
}

template <typename Frame>
void DrawAny(tk::Canvas& canvas, const PlotArea& area, int channel, const Frame& frame,
             std::array<ComplexFloat, kSpectrumBins>& workArea) {
    SpectrumMagnitudes magnitudes;
    ComputeAny(frame, channel, workArea, magnitudes);

    canvas.SetPenColor(kSpectrumColors[channel & 1]);
    canvas.MoveTo(area.left, MagnitudeY(magnitudes[0], area.height));
    for (int k = 0; k < kSpectrumBins; ++k)
        canvas.LineTo(BinX(area, k), MagnitudeY(magnitudes[k], area.height));
}

} // namespace

void ComputeSpectrum(const CaptureStore& store, int channel,
                     std::array<ComplexFloat, kSpectrumBins>& workArea,
                     SpectrumMagnitudes& magnitudes) {
    ComputeAny(store, channel, workArea, magnitudes);
}
void ComputeSpectrum(const FloatFrame& frame, int channel,
                     std::array<ComplexFloat, kSpectrumBins>& workArea,
                     SpectrumMagnitudes& magnitudes) {
    ComputeAny(frame, channel, workArea, magnitudes);
}

void DrawSpectrum(tk::Canvas& canvas, const PlotArea& area, int channel, const CaptureStore& store,
                  std::array<ComplexFloat, kSpectrumBins>& workArea) {
    DrawAny(canvas, area, channel, store, workArea);
}
void DrawSpectrum(tk::Canvas& canvas, const PlotArea& area, int channel, const FloatFrame& frame,
                  std::array<ComplexFloat, kSpectrumBins>& workArea) {
    DrawAny(canvas, area, channel, frame, workArea);
}

} // namespace duruz
