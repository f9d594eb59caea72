// Built with AVX enabled (-mavx, /arch:AVX) where the target is x86-64, and
// without it elsewhere, where it holds no stages. Nothing here runs before
// FftStagesAvx() has found AVX on the processor: kFftStagesAvx is a constant,
// so even its initialisation executes no instruction of this file.
#include "view/fft_stages.h"

#if defined(__AVX__)

#include "view/fft_vector_stages.h"

namespace duruz {

namespace {

void StagesAvx(ComplexFloat* data, int size, int stages, const FftTables& tables) {
    VectorStages<Lanes256>(data, size, stages, tables);
}

} // namespace

constinit const FftStagesFunction kFftStagesAvx = &StagesAvx;

} // namespace duruz

#else

namespace duruz {

constinit const FftStagesFunction kFftStagesAvx = nullptr;

} // namespace duruz

#endif
