#pragma once

#include "view/fft_tables.h"
#include "view/spectrum_transform.h"

#include <cstdint>

namespace duruz {

// Every butterfly stage of an unscaled forward transform of size = 2^stages
// elements, in place; the results are left in bit-reversed order.
using FftStagesFunction = void (*)(ComplexFloat* data, int size, int stages,
                                   const FftTables& tables);

// The stages in plain C++, for every size from 2.
void FftStagesScalar(ComplexFloat* data, int size, int stages, const FftTables& tables);

// The stages on 128-bit SSE2 vectors, for sizes from 4; null where the build
// targets a processor without SSE2. Each is the same arithmetic as the scalar
// stages in the same order, so all give the same bits.
extern const FftStagesFunction kFftStagesSse2;
// The stages on 256-bit AVX vectors, for sizes from 4; null where the build has
// none. Runs only where FftStagesAvx() returns it.
extern const FftStagesFunction kFftStagesAvx;

// kFftStagesAvx where this processor and its system run AVX, else null.
FftStagesFunction FftStagesAvx();

// ComplexFft through the given stages; sizes below 4 take the scalar ones.
void ComplexFftWith(FftStagesFunction stages, ComplexFloat* data, std::int32_t n);

// The pairs (i, size - i) of the split of a transform of size elements that
// SSE2 does two at a time, from i = 1; returns the first i it left (1 without
// SSE2). shift is log2(4096 / size).
int SplitPairsSse2(ComplexFloat* data, int size, int shift, const FftTables& tables);

} // namespace duruz
