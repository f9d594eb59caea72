#pragma once

// The vector stages, written once for 128-bit and 256-bit vectors. Only
// fft_stages_sse2.cpp and fft_stages_avx.cpp include this, and they are compiled
// for different instruction sets: everything here sits in an anonymous namespace
// so that each keeps its own copy, and the linker can never hand the SSE2 path a
// copy encoded for AVX.

#include "view/fft_tables.h"
#include "view/spectrum_transform.h"

#include <cstring>
#include <immintrin.h>

namespace duruz {
namespace {

// Two complex values to a vector, interleaved as re, im, re, im.
struct Lanes128 {
    using Vector = __m128;
    static constexpr int kFloats = 4;

    static Vector Load(const float* p) { return _mm_loadu_ps(p); }
    static void Store(float* p, Vector v) { _mm_storeu_ps(p, v); }
    static Vector Add(Vector a, Vector b) { return _mm_add_ps(a, b); }
    static Vector Sub(Vector a, Vector b) { return _mm_sub_ps(a, b); }
    static Vector Mul(Vector a, Vector b) { return _mm_mul_ps(a, b); }
    // (im, re) of every value.
    static Vector SwapParts(Vector x) { return _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 3, 0, 1)); }
    // The two floats at pair, repeated in every pair of lanes.
    static Vector BroadcastPair(const float* pair) {
        double both;
        std::memcpy(&both, pair, sizeof both);
        return _mm_castpd_ps(_mm_set1_pd(both));
    }
};

#if defined(__AVX__)
// Four complex values to a vector.
struct Lanes256 {
    using Vector = __m256;
    static constexpr int kFloats = 8;

    static Vector Load(const float* p) { return _mm256_loadu_ps(p); }
    static void Store(float* p, Vector v) { _mm256_storeu_ps(p, v); }
    static Vector Add(Vector a, Vector b) { return _mm256_add_ps(a, b); }
    static Vector Sub(Vector a, Vector b) { return _mm256_sub_ps(a, b); }
    static Vector Mul(Vector a, Vector b) { return _mm256_mul_ps(a, b); }
    static Vector SwapParts(Vector x) { return _mm256_permute_ps(x, _MM_SHUFFLE(2, 3, 0, 1)); }
    static Vector BroadcastPair(const float* pair) {
        double both;
        std::memcpy(&both, pair, sizeof both);
        return _mm256_castpd_ps(_mm256_set1_pd(both));
    }
};
#endif

// x e^(-i theta) for every value, with c = (cos, cos) and s = (sin, -sin) per
// pair: c x + s swap(x) is (c xr + s xi, c xi - s xr) with the very same
// roundings as the scalar butterfly, since adding a negated product is
// subtracting it.
template <class L>
typename L::Vector Rotate(typename L::Vector x, typename L::Vector c, typename L::Vector s) {
    return L::Add(L::Mul(c, x), L::Mul(s, L::SwapParts(x)));
}

// One stage: t = x e^(-i theta); x = a - t; a = a + t, for groups of span
// elements, span a whole number of vectors.
template <class L> void WideStage(ComplexFloat* data, int span, int groups, const FftTables& t) {
    float* base = &data[0].re;
    for (int g = 0; g < groups; ++g) {
        const auto c = L::BroadcastPair(t.groupCos.data() + 2 * g);
        const auto s = L::BroadcastPair(t.groupSin.data() + 2 * g);
        float* a = base + 4 * g * span;
        float* x = a + 2 * span;
        for (int j = 0; j < 2 * span; j += L::kFloats) {
            const auto va = L::Load(a + j);
            const auto vt = Rotate<L>(L::Load(x + j), c, s);
            L::Store(x + j, L::Sub(va, vt));
            L::Store(a + j, L::Add(va, vt));
        }
    }
}

// Two stages in one pass: a stage on group g (span elements) and the next on its
// halves, groups 2g and 2g + 1, the four quarters held in registers. A quarter
// (span floats) is a whole number of vectors.
template <class L> void TwoStages(ComplexFloat* data, int span, int groups, const FftTables& t) {
    float* base = &data[0].re;
    const int quarter = span;
    for (int g = 0; g < groups; ++g) {
        const auto c = L::BroadcastPair(t.groupCos.data() + 2 * g);
        const auto s = L::BroadcastPair(t.groupSin.data() + 2 * g);
        const auto cLow = L::BroadcastPair(t.groupCos.data() + 4 * g);
        const auto sLow = L::BroadcastPair(t.groupSin.data() + 4 * g);
        const auto cHigh = L::BroadcastPair(t.groupCos.data() + 4 * g + 2);
        const auto sHigh = L::BroadcastPair(t.groupSin.data() + 4 * g + 2);
        float* q0 = base + 4 * g * span;
        float* q1 = q0 + quarter;
        float* q2 = q1 + quarter;
        float* q3 = q2 + quarter;
        for (int j = 0; j < quarter; j += L::kFloats) {
            const auto v0 = L::Load(q0 + j);
            const auto v1 = L::Load(q1 + j);
            const auto t2 = Rotate<L>(L::Load(q2 + j), c, s);
            const auto t3 = Rotate<L>(L::Load(q3 + j), c, s);
            const auto a0 = L::Add(v0, t2);
            const auto a2 = L::Sub(v0, t2);
            const auto a1 = L::Add(v1, t3);
            const auto a3 = L::Sub(v1, t3);
            const auto u1 = Rotate<L>(a1, cLow, sLow);
            const auto u3 = Rotate<L>(a3, cHigh, sHigh);
            L::Store(q0 + j, L::Add(a0, u1));
            L::Store(q1 + j, L::Sub(a0, u1));
            L::Store(q2 + j, L::Add(a2, u3));
            L::Store(q3 + j, L::Sub(a2, u3));
        }
    }
}

// The last two stages together, four elements at a time: the span-2 butterfly
// pair of group g, then the span-1 butterflies of groups 2g and 2g + 1.
inline void LastTwoStages(ComplexFloat* data, int size, const FftTables& t) {
    using L = Lanes128;
    float* base = &data[0].re;
    for (int g = 0; 4 * g < size; ++g) {
        float* p = base + 8 * g;
        const __m128 c = L::BroadcastPair(t.groupCos.data() + 2 * g);
        const __m128 s = L::BroadcastPair(t.groupSin.data() + 2 * g);
        const __m128 v0 = L::Load(p);
        const __m128 vt = Rotate<L>(L::Load(p + 4), c, s);
        const __m128 u0 = _mm_add_ps(v0, vt); // elements 0, 1
        const __m128 u1 = _mm_sub_ps(v0, vt); // elements 2, 3
        const __m128 a = _mm_movelh_ps(u0, u1);
        const __m128 x = _mm_movehl_ps(u1, u0);
        const __m128 rotated = Rotate<L>(x, _mm_load_ps(t.groupCos.data() + 4 * g),
                                         _mm_load_ps(t.groupSin.data() + 4 * g));
        const __m128 sum = _mm_add_ps(a, rotated);
        const __m128 difference = _mm_sub_ps(a, rotated);
        _mm_storeu_ps(p, _mm_movelh_ps(sum, difference));
        _mm_storeu_ps(p + 4, _mm_movehl_ps(difference, sum));
    }
}

// Every stage of a transform of size = 2^stages elements, size 4 or more. Within
// a stage the butterflies are independent, so the order they are visited in, or
// running the next stage on a block already finished, does not change a bit.
// Pairs of stages run while more than three remain (spans of 8 and more), a
// single one while more than two (span 4 or more): whole vectors of either width.
template <class L> void VectorStages(ComplexFloat* data, int size, int stages, const FftTables& t) {
    int stage = 0;
    for (; stage + 3 < stages; stage += 2)
        TwoStages<L>(data, size >> (stage + 1), 1 << stage, t);
    for (; stage + 2 < stages; ++stage)
        WideStage<L>(data, size >> (stage + 1), 1 << stage, t);
    LastTwoStages(data, size, t);
}

} // namespace
} // namespace duruz
