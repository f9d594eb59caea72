#include "view/spectrum_transform.h"

#include "view/fft_tables.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define DURUZ_FFT_SSE2 1
#endif
#if DURUZ_FFT_SSE2 && defined(__GNUC__)
#include <immintrin.h>
#define DURUZ_FFT_AVX 1
#endif

namespace duruz {

bool FftBaselineOnly = false;

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

#if DURUZ_FFT_AVX
bool UseAvx() {
    static const bool available = __builtin_cpu_supports("avx");
    return available && !FftBaselineOnly;
}
#endif

// One butterfly: t = x * e^(-i theta); x = a - t; a = a + t.
inline void Butterfly(ComplexFloat& a, ComplexFloat& x, float c, float sn) {
    const float tr = c * x.re + sn * x.im;
    const float ti = c * x.im - sn * x.re;
    x.re = a.re - tr;
    x.im = a.im - ti;
    a.re = a.re + tr;
    a.im = a.im + ti;
}

#if DURUZ_FFT_SSE2

// Two butterflies of one group, the complex values interleaved as re, im, re, im.
// c * x + (s, -s) * swap(x) gives (c xr + s xi, c xi - s xr) with the very same
// roundings as the scalar form, since adding a negated product is subtracting it.
inline __m128 Rotate(__m128 x, __m128 c, __m128 s) {
    const __m128 swapped = _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_add_ps(_mm_mul_ps(c, x), _mm_mul_ps(s, swapped));
}

inline __m128 BroadcastPair(const float* pair) {
    double both;
    std::memcpy(&both, pair, sizeof both);
    return _mm_castpd_ps(_mm_set1_pd(both));
}

// A stage whose groups span at least two elements.
void WideStage(ComplexFloat* data, int span, int groups, const FftTables& t) {
    float* base = &data[0].re;
    for (int g = 0; g < groups; ++g) {
        const __m128 c = BroadcastPair(&t.groupCos[2 * g]);
        const __m128 s = BroadcastPair(&t.groupSin[2 * g]);
        float* a = base + 4 * g * span;
        float* x = a + 2 * span;
        for (int j = 0; j < 2 * span; j += 4) {
            const __m128 va = _mm_loadu_ps(a + j);
            const __m128 vt = Rotate(_mm_loadu_ps(x + j), c, s);
            _mm_storeu_ps(x + j, _mm_sub_ps(va, vt));
            _mm_storeu_ps(a + j, _mm_add_ps(va, vt));
        }
    }
}

#if DURUZ_FFT_AVX
// The same with four butterflies to a vector, for spans of four and more.
[[gnu::target("avx")]] void WideStageAvx(ComplexFloat* data, int span, int groups,
                                         const FftTables& t) {
    float* base = &data[0].re;
    for (int g = 0; g < groups; ++g) {
        const __m256 c = _mm256_castpd_ps(
            _mm256_broadcast_sd(reinterpret_cast<const double*>(&t.groupCos[2 * g])));
        const __m256 s = _mm256_castpd_ps(
            _mm256_broadcast_sd(reinterpret_cast<const double*>(&t.groupSin[2 * g])));
        float* a = base + 4 * g * span;
        float* x = a + 2 * span;
        for (int j = 0; j < 2 * span; j += 8) {
            const __m256 va = _mm256_loadu_ps(a + j);
            const __m256 vx = _mm256_loadu_ps(x + j);
            const __m256 swapped = _mm256_permute_ps(vx, _MM_SHUFFLE(2, 3, 0, 1));
            const __m256 vt = _mm256_add_ps(_mm256_mul_ps(c, vx), _mm256_mul_ps(s, swapped));
            _mm256_storeu_ps(x + j, _mm256_sub_ps(va, vt));
            _mm256_storeu_ps(a + j, _mm256_add_ps(va, vt));
        }
    }
}
#endif

// Two stages in one pass: stage i on group g (span h) and stage i + 1 on its
// halves, groups 2g and 2g + 1 (span h / 2), four quarters held in registers.
void TwoStages(ComplexFloat* data, int span, int groups, const FftTables& t) {
    float* base = &data[0].re;
    const int quarter = span; // floats in a quarter: span / 2 complex values
    for (int g = 0; g < groups; ++g) {
        const __m128 c = BroadcastPair(&t.groupCos[2 * g]);
        const __m128 s = BroadcastPair(&t.groupSin[2 * g]);
        const __m128 cLow = BroadcastPair(&t.groupCos[4 * g]);
        const __m128 sLow = BroadcastPair(&t.groupSin[4 * g]);
        const __m128 cHigh = BroadcastPair(&t.groupCos[4 * g + 2]);
        const __m128 sHigh = BroadcastPair(&t.groupSin[4 * g + 2]);
        float* q0 = base + 4 * g * span;
        float* q1 = q0 + quarter;
        float* q2 = q1 + quarter;
        float* q3 = q2 + quarter;
        for (int j = 0; j < quarter; j += 4) {
            const __m128 v0 = _mm_loadu_ps(q0 + j);
            const __m128 v1 = _mm_loadu_ps(q1 + j);
            const __m128 t2 = Rotate(_mm_loadu_ps(q2 + j), c, s);
            const __m128 t3 = Rotate(_mm_loadu_ps(q3 + j), c, s);
            const __m128 a0 = _mm_add_ps(v0, t2);
            const __m128 a2 = _mm_sub_ps(v0, t2);
            const __m128 a1 = _mm_add_ps(v1, t3);
            const __m128 a3 = _mm_sub_ps(v1, t3);
            const __m128 u1 = Rotate(a1, cLow, sLow);
            const __m128 u3 = Rotate(a3, cHigh, sHigh);
            _mm_storeu_ps(q0 + j, _mm_add_ps(a0, u1));
            _mm_storeu_ps(q1 + j, _mm_sub_ps(a0, u1));
            _mm_storeu_ps(q2 + j, _mm_add_ps(a2, u3));
            _mm_storeu_ps(q3 + j, _mm_sub_ps(a2, u3));
        }
    }
}

#if DURUZ_FFT_AVX
[[gnu::target("avx")]] inline __m256 BroadcastPairAvx(const float* pair) {
    return _mm256_castpd_ps(_mm256_broadcast_sd(reinterpret_cast<const double*>(pair)));
}

[[gnu::target("avx")]] inline __m256 RotateAvx(__m256 x, __m256 c, __m256 s) {
    const __m256 swapped = _mm256_permute_ps(x, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm256_add_ps(_mm256_mul_ps(c, x), _mm256_mul_ps(s, swapped));
}

// The same with four butterflies to a vector, for second spans of four and more.
[[gnu::target("avx")]] void TwoStagesAvx(ComplexFloat* data, int span, int groups,
                                         const FftTables& t) {
    float* base = &data[0].re;
    const int quarter = span;
    for (int g = 0; g < groups; ++g) {
        const __m256 c = BroadcastPairAvx(&t.groupCos[2 * g]);
        const __m256 s = BroadcastPairAvx(&t.groupSin[2 * g]);
        const __m256 cLow = BroadcastPairAvx(&t.groupCos[4 * g]);
        const __m256 sLow = BroadcastPairAvx(&t.groupSin[4 * g]);
        const __m256 cHigh = BroadcastPairAvx(&t.groupCos[4 * g + 2]);
        const __m256 sHigh = BroadcastPairAvx(&t.groupSin[4 * g + 2]);
        float* q0 = base + 4 * g * span;
        float* q1 = q0 + quarter;
        float* q2 = q1 + quarter;
        float* q3 = q2 + quarter;
        for (int j = 0; j < quarter; j += 8) {
            const __m256 v0 = _mm256_loadu_ps(q0 + j);
            const __m256 v1 = _mm256_loadu_ps(q1 + j);
            const __m256 t2 = RotateAvx(_mm256_loadu_ps(q2 + j), c, s);
            const __m256 t3 = RotateAvx(_mm256_loadu_ps(q3 + j), c, s);
            const __m256 a0 = _mm256_add_ps(v0, t2);
            const __m256 a2 = _mm256_sub_ps(v0, t2);
            const __m256 a1 = _mm256_add_ps(v1, t3);
            const __m256 a3 = _mm256_sub_ps(v1, t3);
            const __m256 u1 = RotateAvx(a1, cLow, sLow);
            const __m256 u3 = RotateAvx(a3, cHigh, sHigh);
            _mm256_storeu_ps(q0 + j, _mm256_add_ps(a0, u1));
            _mm256_storeu_ps(q1 + j, _mm256_sub_ps(a0, u1));
            _mm256_storeu_ps(q2 + j, _mm256_add_ps(a2, u3));
            _mm256_storeu_ps(q3 + j, _mm256_sub_ps(a2, u3));
        }
    }
}
#endif

// The last two stages together, four elements at a time: the span-2 butterfly
// pair of group g, then the span-1 butterflies of groups 2g and 2g + 1.
void LastTwoStages(ComplexFloat* data, int size, const FftTables& t) {
    float* base = &data[0].re;
    for (int g = 0; 4 * g < size; ++g) {
        float* p = base + 8 * g;
        const __m128 c = BroadcastPair(&t.groupCos[2 * g]);
        const __m128 s = BroadcastPair(&t.groupSin[2 * g]);
        const __m128 v0 = _mm_loadu_ps(p);
        const __m128 vt = Rotate(_mm_loadu_ps(p + 4), c, s);
        const __m128 u0 = _mm_add_ps(v0, vt); // elements 0, 1
        const __m128 u1 = _mm_sub_ps(v0, vt); // elements 2, 3
        const __m128 a = _mm_movelh_ps(u0, u1);
        const __m128 x = _mm_movehl_ps(u1, u0);
        const __m128 rotated =
            Rotate(x, _mm_load_ps(&t.groupCos[4 * g]), _mm_load_ps(&t.groupSin[4 * g]));
        const __m128 sum = _mm_add_ps(a, rotated);
        const __m128 difference = _mm_sub_ps(a, rotated);
        _mm_storeu_ps(p, _mm_movelh_ps(sum, difference));
        _mm_storeu_ps(p + 4, _mm_movehl_ps(difference, sum));
    }
}

void Stages(ComplexFloat* data, int size, int stages, const FftTables& t) {
    if (size == 2) {
        Butterfly(data[0], data[1], t.groupCos[0], t.groupSin[0]);
        return;
    }
#if DURUZ_FFT_AVX
    const bool avx = UseAvx();
#endif
    int stage = 0;
    for (; stage + 3 < stages; stage += 2) {
        const int span = size >> (stage + 1);
#if DURUZ_FFT_AVX
        if (avx && span >= 8) {
            TwoStagesAvx(data, span, 1 << stage, t);
            continue;
        }
#endif
        TwoStages(data, span, 1 << stage, t);
    }
    for (; stage + 2 < stages; ++stage) {
        const int span = size >> (stage + 1);
#if DURUZ_FFT_AVX
        if (avx && span >= 4) {
            WideStageAvx(data, span, 1 << stage, t);
            continue;
        }
#endif
        WideStage(data, span, 1 << stage, t);
    }
    LastTwoStages(data, size, t);
}

#else

void Stages(ComplexFloat* data, int size, int stages, const FftTables& t) {
    for (int stage = 0; stage < stages; ++stage) {
        const int span = size >> (stage + 1);
        for (int g = 0; g < (1 << stage); ++g) {
            ComplexFloat* a = data + 2 * g * span;
            for (int j = 0; j < span; ++j)
                Butterfly(a[j], a[j + span], t.groupCos[2 * g], t.groupSin[2 * g]);
        }
    }
}

#endif

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

void ComplexFft(ComplexFloat* data, std::int32_t n) {
    const int shift = ShiftFor(n);
    const int size = kStepsPerTurn >> shift;
    const int stages = 12 - shift;
    if (size < 2)
        return;
    const FftTables& t = TheFftTables();

    // Within a stage the butterflies are independent, so the order they are
    // visited in, or running the next stage on a block already finished, does
    // not change a bit of the result.
    Stages(data, size, stages, t);

    const std::uint16_t* pairs = &t.swapPairs[2 * t.swapStart[stages]];
    const int swaps = t.swapStart[stages + 1] - t.swapStart[stages];
    for (int q = 0; q < swaps; ++q) {
        const ComplexFloat held = data[pairs[2 * q]];
        data[pairs[2 * q]] = data[pairs[2 * q + 1]];
        data[pairs[2 * q + 1]] = held;
    }
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
    int i = 1;
#if DURUZ_FFT_SSE2
    const FftTables& t = TheFftTables();
    const __m128 oddSign = _mm_castsi128_ps(_mm_set_epi32(INT32_MIN, 0, INT32_MIN, 0));
    const __m128 half = _mm_set1_ps(0.5f);
    for (; i + 1 < size / 2; i += 2) {
        float* pa = &data[i].re;
        float* pb = &data[size - i - 1].re;
        const __m128 a = _mm_loadu_ps(pa);
        const __m128 bRaw = _mm_loadu_ps(pb);
        const __m128 b = _mm_shuffle_ps(bRaw, bRaw, _MM_SHUFFLE(1, 0, 3, 2));
        const __m128 sum = _mm_add_ps(a, b);        // SR0 SI0 SR1 SI1
        const __m128 difference = _mm_sub_ps(a, b); // DR0 DI0 DR1 DI1
        const __m128 mixed = _mm_shuffle_ps(sum, difference, _MM_SHUFFLE(3, 1, 2, 0));
        const __m128 p = _mm_shuffle_ps(mixed, mixed, _MM_SHUFFLE(3, 1, 2, 0));           // SR DI
        const __m128 q = _mm_shuffle_ps(sum, sum, _MM_SHUFFLE(3, 3, 1, 1));               // SI SI
        const __m128 r = _mm_shuffle_ps(difference, difference, _MM_SHUFFLE(2, 2, 0, 0)); // DR DR
        const __m128 t0 = _mm_load_ps(&t.split[4 * (i << shift)]);
        const __m128 t1 = _mm_load_ps(&t.split[4 * ((i + 1) << shift)]);
        const __m128 w1 = _mm_xor_ps(_mm_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0)), oddSign);
        const __m128 w2 = _mm_shuffle_ps(t0, t1, _MM_SHUFFLE(0, 1, 0, 1));
        const __m128 w1p = _mm_xor_ps(_mm_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2)), oddSign);
        const __m128 w2p = _mm_shuffle_ps(t0, t1, _MM_SHUFFLE(2, 3, 2, 3));
        // (SR + ci SI - si DR, DI - si SI - ci DR) and its partner's
        // (SR + cp SI + sp DR, -DI - sp SI + cp DR), halved.
        const __m128 newA =
            _mm_mul_ps(half, _mm_sub_ps(_mm_add_ps(p, _mm_mul_ps(w1, q)), _mm_mul_ps(w2, r)));
        const __m128 newB =
            _mm_mul_ps(half, _mm_add_ps(_mm_add_ps(_mm_xor_ps(p, oddSign), _mm_mul_ps(w1p, q)),
                                        _mm_mul_ps(w2p, r)));
        _mm_storeu_ps(pa, newA);
        _mm_storeu_ps(pb, _mm_shuffle_ps(newB, newB, _MM_SHUFFLE(1, 0, 3, 2)));
    }
#endif
    for (; i < size / 2; ++i)
        SplitPair(data, i, size, shift);
}

} // namespace duruz
