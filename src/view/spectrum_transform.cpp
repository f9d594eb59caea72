#include "view/spectrum_transform.h"

namespace duruz {

namespace {

// The smallest s in 0..11 with n * 2^s >= 4096 (n read as unsigned), else 12.
// The transform size is then 4096 >> s and the table stride 2^s.
int ShiftFor(std::int32_t n) {
    const std::uint32_t size = static_cast<std::uint32_t>(n);
    for (int s = 0; s < 12; ++s)
        if ((size << s) >= 4096u)
            return s;
    return 12;
}

} // namespace

void ComplexFft(ComplexFloat* data, std::int32_t n) {
    const int shift = ShiftFor(n);
    const int size = kStepsPerTurn >> shift;
    const int stages = 12 - shift;
    const float* sine = SineTable.data();

    for (int stage = 0; stage < stages; ++stage) {
        const int span = size >> (stage + 1);
        for (int e = 0; e < size - 1; e += 2 * span) {
            const int k = BitReverseTable[(e >> (stages - 1 - stage)) << shift] << shift;
            const float c = sine[k + 1024];
            const float sn = sine[k];
            for (int j = e; j < e + span; ++j) {
                const float xr = data[j + span].re;
                const float xi = data[j + span].im;
                const float tr = c * xr + sn * xi;
                const float ti = c * xi - sn * xr;
                data[j + span].re = data[j].re - tr;
                data[j + span].im = data[j].im - ti;
                data[j].re = data[j].re + tr;
                data[j].im = data[j].im + ti;
            }
        }
    }

    for (int i = 0; i < size; ++i) {
        const int r = BitReverseTable[i << shift];
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
    const int shift = ShiftFor(n);
    const int size = kStepsPerTurn >> shift;
    const float* sine = SineTable.data();
    // Capped at the transform size so that no size, however wrong, reaches
    // beyond the elements the transform covers.
    const int count = n / 2 < size ? n / 2 : size;

    for (int i = 0; i < count; ++i) {
        const int p = (size - i) % size;
        const ComplexFloat a = data[i];
        const ComplexFloat b = data[p];
        const float sr = a.re + b.re;
        const float si = a.im + b.im;
        const float dr = a.re - b.re;
        const float di = a.im - b.im;
        const int ki = (i << shift) / 2;
        const int kp = (p << shift) / 2;
        const float ci = sine[ki + 1024];
        const float sini = sine[ki];
        const float cp = sine[kp + 1024];
        const float sinp = sine[kp];
        data[i] = {0.5f * (sr + ci * si - sini * dr), 0.5f * (di - sini * si - ci * dr)};
        data[p] = {0.5f * (sr + cp * si + sinp * dr), 0.5f * (-di - sinp * si + cp * dr)};
    }
}

} // namespace duruz
