#include "view/spectrum_transform.h"

#include "view/fft_stages.h"
#include "view/fft_tables.h"

#if defined(_MSC_VER) && defined(_M_X64)
#include <intrin.h>
#endif

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

// One butterfly: t = x * e^(-i theta); x = a - t; a = a + t.
inline void Butterfly(ComplexFloat& a, ComplexFloat& x, float c, float sn) {
    const float tr = c * x.re + sn * x.im;
    const float ti = c * x.im - sn * x.re;
    x.re = a.re - tr;
    x.im = a.im - ti;
    a.re = a.re + tr;
    a.im = a.im + ti;
}

// Whether the processor has AVX and the system saves its registers.
bool ProcessorHasAvx() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
#elif defined(_MSC_VER) && defined(_M_X64)
    int info[4];
    __cpuid(info, 1);
    const bool osSaves = (info[2] & (1 << 27)) != 0; // OSXSAVE
    const bool avx = (info[2] & (1 << 28)) != 0;
    return osSaves && avx && (_xgetbv(0) & 6) == 6; // XMM and YMM state enabled
#else
    return false;
#endif
}

FftStagesFunction WidestStages() {
    if (const FftStagesFunction avx = FftStagesAvx())
        return avx;
    return kFftStagesSse2 != nullptr ? kFftStagesSse2 : &FftStagesScalar;
}

// One step of the split, read from the sine table directly, for any i.
inline void SplitPair(ComplexFloat* data, int i, int size, int shift) {
    const float* sine = SineTable.data();
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

} // namespace

void FftStagesScalar(ComplexFloat* data, int size, int stages, const FftTables& t) {
    for (int stage = 0; stage < stages; ++stage) {
        const int span = size >> (stage + 1);
        for (int g = 0; g < (1 << stage); ++g) {
            ComplexFloat* a = data + 2 * g * span;
            for (int j = 0; j < span; ++j)
                Butterfly(a[j], a[j + span], t.groupCos[2 * g], t.groupSin[2 * g]);
        }
    }
}

FftStagesFunction FftStagesAvx() {
    static const bool available = kFftStagesAvx != nullptr && ProcessorHasAvx();
    return available ? kFftStagesAvx : nullptr;
}

void ComplexFftWith(FftStagesFunction stages, ComplexFloat* data, std::int32_t n) {
    const int shift = ShiftFor(n);
    const int size = kStepsPerTurn >> shift;
    const int stageCount = 12 - shift;
    if (size < 2)
        return;
    const FftTables& t = TheFftTables();

    (size < 4 ? &FftStagesScalar : stages)(data, size, stageCount, t);

    const std::uint16_t* pairs = &t.swapPairs[2 * t.swapStart[stageCount]];
    const int swaps = t.swapStart[stageCount + 1] - t.swapStart[stageCount];
    for (int q = 0; q < swaps; ++q) {
        const ComplexFloat held = data[pairs[2 * q]];
        data[pairs[2 * q]] = data[pairs[2 * q + 1]];
        data[pairs[2 * q + 1]] = held;
    }
}

void ComplexFft(ComplexFloat* data, std::int32_t n) {
    static const FftStagesFunction stages = WidestStages();
    ComplexFftWith(stages, data, n);
}

void RealFftSplit(ComplexFloat* data, std::int32_t n) {
    if (n < 2)
        return;
    const int shift = ShiftFor(n);
    const int size = kStepsPerTurn >> shift;
    if (n != size) {
        // Outside the contract. Capped at the transform size so that no size,
        // however wrong, reaches beyond the elements the transform covers.
        const int count = n / 2 < size ? n / 2 : size;
        for (int i = 0; i < count; ++i)
            SplitPair(data, i, size, shift);
        return;
    }

    // Element 0 is its own partner; the other pairs (i, size - i) are disjoint.
    SplitPair(data, 0, size, shift);
    for (int i = SplitPairsSse2(data, size, shift, TheFftTables()); i < size / 2; ++i)
        SplitPair(data, i, size, shift);
}

} // namespace duruz
