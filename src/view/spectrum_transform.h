#pragma once

#include <array>
#include <cstdint>

namespace duruz {

// A complex value of two single-precision floats, real part first, 8 bytes.
struct ComplexFloat {
    float re;
    float im;
};
static_assert(sizeof(ComplexFloat) == 8);

constexpr int kSineTableSize = 5120;  // one and a quarter turns
constexpr int kStepsPerTurn = 4096;   // the cosine of index k is entry k + 1024
constexpr int kBitReverseSize = 4096; // 12-bit reversals

// sin(2 pi k / 4096) for k = 0..5119, each the float nearest to the six-decimal
// text of the single-precision sine.
extern const std::array<float, kSineTableSize>& SineTable;
// k with its 12 low bits reversed.
extern const std::array<std::int32_t, kBitReverseSize>& BitReverseTable;

// In-place forward transform of the first N elements, N the largest power of two
// not above n (1 for n = 0, 4096 for n >= 4096 or negative). Unscaled, natural order.
void ComplexFft(ComplexFloat* data, std::int32_t n);

// Turns the ComplexFft result of 2N real samples packed pairwise (even samples in
// the real parts) into bins 0..N-1 of their spectrum. Element N/2 keeps the
// conjugate of its bin. n must be the size given to ComplexFft, a power of two.
void RealFftSplit(ComplexFloat* data, std::int32_t n);

} // namespace duruz
