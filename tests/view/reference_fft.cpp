#include "view/reference_fft.h"

#include <cmath>
#include <utility>

namespace reference {

using duruz::BitReverseTable;
using duruz::ComplexFloat;
using duruz::SineTable;

namespace {

// The transform size is 4096 >> s and the table stride 2^s.
int ShiftFor(std::int32_t n) {
    int s = 0;
    while (s < 12 && (static_cast<std::uint32_t>(n) << s) < 4096u)
        ++s;
    return s;
}

} // namespace

void ComplexFft(ComplexFloat* data, std::int32_t n) {
    const int s = ShiftFor(n), size = 4096 >> s, m = 12 - s;
    for (int i = 0; i < m; ++i) {
        const int h = size >> (i + 1);
        for (int e = 0; e < size - 1; e += 2 * h)
            for (int j = e; j < e + h; ++j) {
                const int k = BitReverseTable[(j >> (m - 1 - i)) << s] << s;
                const float c = SineTable[k + 1024], sn = SineTable[k];
                const ComplexFloat x = data[j + h];
                const float tr = c * x.re + sn * x.im, ti = c * x.im - sn * x.re;
                data[j + h] = {data[j].re - tr, data[j].im - ti};
                data[j] = {data[j].re + tr, data[j].im + ti};
            }
    }
    for (int i = 0; i < size; ++i)
        if (const int r = BitReverseTable[i << s]; i < r)
            std::swap(data[i], data[r]);
}

void RealFftSplit(ComplexFloat* data, std::int32_t n) {
    if (n < 2)
        return;
    const int s = ShiftFor(n), size = 4096 >> s;
    for (int i = 0; i < size / 2; ++i) {
        const int p = (size - i) % size, ki = (i << s) / 2, kp = (p << s) / 2;
        const ComplexFloat a = data[i], b = data[p];
        const float sr = a.re + b.re, si = a.im + b.im, dr = a.re - b.re, di = a.im - b.im;
        const float ci = SineTable[ki + 1024], sni = SineTable[ki];
        const float cp = SineTable[kp + 1024], snp = SineTable[kp];
        data[i] = {0.5f * (sr + ci * si - sni * dr), 0.5f * (di - sni * si - ci * dr)};
        data[p] = {0.5f * (sr + cp * si + snp * dr), 0.5f * (-di - snp * si + cp * dr)};
    }
}

void Spectrum(const duruz::CaptureStore& store, int channel,
              std::array<ComplexFloat, 1024>& workArea, duruz::SpectrumMagnitudes& magnitudes) {
    for (int k = 0; k < 1024; ++k) {
        const float w = SineTable[1024 + 4 * k];
        const float re = store.Sample(2 * k, channel), im = store.Sample(2 * k + 1, channel);
        workArea[k] = {re - re * w, im - im * w};
    }
    reference::ComplexFft(workArea.data(), 1024);
    reference::RealFftSplit(workArea.data(), 1024);
    for (int k = 0; k < 1024; ++k) {
        const float re = workArea[k].re * 0.0009765625f, im = workArea[k].im * 0.0009765625f;
        workArea[k] = {re, im};
        const float root = std::sqrt(re * re + im * im);
        magnitudes[k] = static_cast<std::int32_t>(static_cast<double>(root) * 1.1);
    }
}

} // namespace reference
