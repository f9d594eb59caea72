#include "view/reference_fft.h"

#include <cmath>

namespace reference {

using duruz::BitReverseTable;
using duruz::ComplexFloat;
using duruz::SineTable;

namespace {

int ShiftFor(std::int32_t n) {
    for (int s = 0; s < 12; ++s)
        if ((static_cast<std::uint32_t>(n) << s) >= 4096u)
            return s;
    return 12;
}

} // namespace

void ComplexFft(ComplexFloat* data, std::int32_t n) {
    const int s = ShiftFor(n);
    const int size = 4096 >> s;
    int m = 0;
    while ((1 << m) < size)
        ++m;
    for (int i = 0; i < m; ++i) {
        const int h = size >> (i + 1);
        for (int e = 0; e < size - 1; e += 2 * h) {
            for (int j = e; j < e + h; ++j) {
                const int k = BitReverseTable[(j >> (m - 1 - i)) << s] << s;
                const float c = SineTable[k + 1024];
                const float sn = SineTable[k];
                const float xr = data[j + h].re;
                const float xi = data[j + h].im;
                const float tr = c * xr + sn * xi;
                const float ti = c * xi - sn * xr;
                data[j + h].re = data[j].re - tr;
                data[j + h].im = data[j].im - ti;
                data[j].re = data[j].re + tr;
                data[j].im = data[j].im + ti;
            }
        }
    }
    for (int i = 0; i < size; ++i) {
        const int r = BitReverseTable[i << s];
        if (i < r) {
            const ComplexFloat t = data[i];
            data[i] = data[r];
            data[r] = t;
        }
    }
}

void RealFftSplit(ComplexFloat* data, std::int32_t n) {
    if (n < 2)
        return;
    const int s = ShiftFor(n);
    const int size = 4096 >> s;
    for (int i = 0; i < n / 2; ++i) {
        const int p = (size - i) % size;
        const ComplexFloat a = data[i];
        const ComplexFloat b = data[p];
        const float sr = a.re + b.re;
        const float si = a.im + b.im;
        const float dr = a.re - b.re;
        const float di = a.im - b.im;
        const int ki = (i << s) / 2;
        const int kp = (p << s) / 2;
        const float ci = SineTable[ki + 1024];
        const float sni = SineTable[ki];
        const float cp = SineTable[kp + 1024];
        const float snp = SineTable[kp];
        const ComplexFloat newA = {0.5f * (sr + ci * si - sni * dr),
                                   0.5f * (di - sni * si - ci * dr)};
        const ComplexFloat newB = {0.5f * (sr + cp * si + snp * dr),
                                   0.5f * (-di - snp * si + cp * dr)};
        data[i] = newA;
        data[p] = newB;
    }
}

void Spectrum(const duruz::CaptureStore& store, int channel,
              std::array<ComplexFloat, 1024>& workArea,
              std::array<std::int32_t, 1024>& magnitudes) {
    for (int k = 0; k < 1024; ++k) {
        workArea[k].re = static_cast<float>(store.Sample(2 * k, channel));
        workArea[k].im = static_cast<float>(store.Sample(2 * k + 1, channel));
    }
    for (int k = 0; k < 1024; ++k) {
        const float w = SineTable[1024 + 4 * k];
        workArea[k].re = workArea[k].re - workArea[k].re * w;
        workArea[k].im = workArea[k].im - workArea[k].im * w;
    }
    reference::ComplexFft(workArea.data(), 1024);
    reference::RealFftSplit(workArea.data(), 1024);
    const float scale = 0.0009765625f;
    for (int k = 0; k < 1024; ++k) {
        workArea[k].re = workArea[k].re * scale;
        workArea[k].im = workArea[k].im * scale;
    }
    for (int k = 0; k < 1024; ++k) {
        const float power = workArea[k].re * workArea[k].re + workArea[k].im * workArea[k].im;
        const float root = sqrtf(power);
        magnitudes[k] = static_cast<std::int32_t>(static_cast<double>(root) * 1.1);
    }
}

} // namespace reference
