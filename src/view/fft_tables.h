#pragma once

#include "view/spectrum_transform.h"

#include <array>
#include <cstdint>

namespace duruz {

// Rearrangements of SineTable and BitReverseTable that let the transform read
// its constants with whole vector loads. Every value is copied from the two
// tables, never recomputed, so results match the plain table-driven transform.
struct FftTables {
    // The twiddle of butterfly group g is the angle of table index rev12(2g) at
    // every size and stage: (c, c) and (s, -s) for g = 0..2047.
    alignas(32) std::array<float, 2 * 2048> groupCos;
    alignas(32) std::array<float, 2 * 2048> groupSin;
    // (ci, si, cp, sp) of RealFftSplit for index q = i << shift, q = 0..2047.
    alignas(32) std::array<float, 4 * 2048> split;
    // The spectrum window 1 - cos(2 pi k / 1024) as its weight w, twice per k.
    alignas(32) std::array<float, 2 * 1024> window;
    // The exchanges of the reorder, per size 2^m: pairs (i, r) with i < r.
    std::array<std::uint16_t, 2 * 4096> swapPairs;
    std::array<std::int32_t, 14> swapStart; // pairs of size 2^m begin at swapStart[m]
};

const FftTables& TheFftTables();

} // namespace duruz
