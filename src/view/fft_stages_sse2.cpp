// The SSE2 vector code of the transform: its stages, and the split's pairs two at
// a time. Every x86-64 processor has SSE2; elsewhere this file holds no vector code.
#include "view/fft_stages.h"

#if defined(__SSE2__) || defined(_M_X64)

#include "view/fft_vector_stages.h"

#include <cstdint>

namespace duruz {

namespace {

void StagesSse2(ComplexFloat* data, int size, int stages, const FftTables& tables) {
    VectorStages<Lanes128>(data, size, stages, tables);
}

} // namespace

constinit const FftStagesFunction kFftStagesSse2 = &StagesSse2;

int SplitPairsSse2(ComplexFloat* data, int size, int shift, const FftTables& t) {
    const __m128 oddSign = _mm_castsi128_ps(_mm_set_epi32(INT32_MIN, 0, INT32_MIN, 0));
    const __m128 half = _mm_set1_ps(0.5f);
    int i = 1;
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
    return i;
}

} // namespace duruz

#else

namespace duruz {

constinit const FftStagesFunction kFftStagesSse2 = nullptr;

int SplitPairsSse2(ComplexFloat*, int, int, const FftTables&) {
    return 1;
}

} // namespace duruz

#endif
