#include "view/fft_stages.h"

#include <gtest/gtest.h>

#include <bit>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>

using namespace duruz;
using Signal = std::vector<ComplexFloat>;

namespace reference {

// Straight scalar transcriptions of the transform and its split for sizes 2..4,096,
// one operation after another: the vectorised paths must give the same bits.
void Fft(ComplexFloat* data, int n) {
    const int m = std::countr_zero(unsigned(n)), s = 12 - m; // the table stride is 2^s
    for (int i = 0; i < m; ++i) {
        const int h = n >> (i + 1);
        for (int e = 0; e < n; e += 2 * h)
            for (int j = e; j < e + h; ++j) {
                const int k = BitReverseTable[(j >> (m - 1 - i)) << s] << s;
                const float c = SineTable[k + 1024], sn = SineTable[k];
                const float tr = c * data[j + h].re + sn * data[j + h].im,
                            ti = c * data[j + h].im - sn * data[j + h].re;
                data[j + h] = {data[j].re - tr, data[j].im - ti};
                data[j] = {data[j].re + tr, data[j].im + ti};
            }
    }
    for (int i = 0; i < n; ++i)
        if (const int r = BitReverseTable[i << s]; i < r)
            std::swap(data[i], data[r]);
}

void Split(ComplexFloat* data, int n) {
    const int s = 12 - std::countr_zero(unsigned(n));
    for (int i = 0; i < n / 2; ++i) {
        const int p = (n - i) % n, ki = (i << s) / 2, kp = (p << s) / 2;
        const ComplexFloat a = data[i], b = data[p];
        const float sr = a.re + b.re, si = a.im + b.im, dr = a.re - b.re, di = a.im - b.im;
        const float ci = SineTable[ki + 1024], sni = SineTable[ki];
        const float cp = SineTable[kp + 1024], snp = SineTable[kp];
        data[i] = {0.5f * (sr + ci * si - sni * dr), 0.5f * (di - sni * si - ci * dr)};
        data[p] = {0.5f * (sr + cp * si + snp * dr), 0.5f * (-di - snp * si + cp * dr)};
    }
}

} // namespace reference

namespace {

Signal RandomSignal(std::size_t n, unsigned seed, float range = 1.0f) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-range, range);
    Signal data(n);
    for (ComplexFloat& z : data)
        z = {uniform(generator), uniform(generator)};
    return data;
}

bool SameBits(const ComplexFloat* a, const ComplexFloat* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(ComplexFloat)) == 0;
}

} // namespace

// 1,000 transforms the first 512 elements as 512 would; below 2 nothing changes;
// above 4,096 and negative sizes (huge when read unsigned) transform 4,096. The
// elements from N on stay as they were, for the split as well.
TEST(SpectrumTransform, SizesOutsideTheContract) {
    const Signal input = RandomSignal(4100, 7);
    const int cases[][2] = {{1000, 512}, {0, 0},        {1, 0},         {4097, 4096},
                            {-1, 4096},  {-4096, 4096}, {1 << 20, 4096}};
    for (const auto& [n, as] : cases) {
        Signal data = input, expected = input;
        duruz::ComplexFft(data.data(), n);
        if (as > 0)
            duruz::ComplexFft(expected.data(), as);
        EXPECT_TRUE(SameBits(data.data(), expected.data(), input.size())) << n;
        data = input;
        duruz::RealFftSplit(data.data(), n);
        const std::size_t from = n < 2 ? 0 : 4096;
        EXPECT_TRUE(SameBits(data.data() + from, input.data() + from, input.size() - from)) << n;
    }
}

// The transform and its split against a double-precision DFT of the 2,048 real
// samples packed pairwise: independent of the tables, within float rounding.
TEST(SpectrumTransform, MatchesADoublePrecisionDft) {
    constexpr std::size_t n = 1024;
    const Signal input = RandomSignal(n, 5);
    Signal data = input;
    ComplexFft(data.data(), n);
    RealFftSplit(data.data(), n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> x;
        for (std::size_t t = 0; t < 2 * n; ++t)
            x += double(t % 2 == 0 ? input[t / 2].re : input[t / 2].im) *
                 std::exp(std::complex<double>(0, -std::numbers::pi * double(k * t) / n));
        x = k == n / 2 ? std::conj(x) : x;
        ASSERT_NEAR(data[k].re, x.real(), 1e-3) << k;
        ASSERT_NEAR(data[k].im, x.imag(), 1e-3) << k;
    }
}

// Every size 2..4,096 through each kind of stages, then the split, against the
// reference, bit for bit; the last round has a negative zero. Kinds this build or
// processor lacks are skipped, saying so, once the others have passed.
TEST(SpectrumTransform, StagesBitIdenticalToTheScalarReference) {
    const std::pair<const char*, FftStagesFunction> kinds[] = {
        {"scalar", &FftStagesScalar}, {"SSE2", kFftStagesSse2}, {"AVX", FftStagesAvx()}};
    std::string missing;
    for (const auto& [kind, stages] : kinds) {
        if (stages == nullptr)
            missing += std::string(" ") + kind;
        for (int n = 2; n <= 4096 && stages != nullptr; n *= 2)
            for (unsigned round = 0; round < 3; ++round) {
                Signal data = RandomSignal(std::size_t(n), 10000 * round + unsigned(n), 30000.0f);
                if (round == 2)
                    data[1] = {-0.0f, 0.0f};
                Signal expected = data;
                ComplexFftWith(stages, data.data(), n);
                RealFftSplit(data.data(), n);
                reference::Fft(expected.data(), n);
                reference::Split(expected.data(), n);
                ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size()))
                    << kind << " " << n;
            }
    }
    if (!missing.empty())
        GTEST_SKIP() << "no stages for" << missing << " in this build or on this processor";
}
