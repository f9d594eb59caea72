#include "view/fft_stages.h"
#include "view/fft_tables.h"
#include "view/reference_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

using duruz::ComplexFft;
using duruz::ComplexFloat;
using duruz::RealFftSplit;
using duruz::SineTable;
using Signal = std::vector<ComplexFloat>;

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

TEST(SineTable, HoldsTheSixDecimalValuesWithTheirSignedZeros) {
    // 5119 is the cosine of one step; the zeros compare bit for bit, sign included.
    const std::pair<int, float> entries[] = {{1, 0.001534f},    {1024, 1.0f}, {3072, -1.0f},
                                             {5119, 0.999999f}, {0, 0.0f},    {2048, 0.0f},
                                             {4096, -0.0f}};
    for (const auto& [k, value] : entries)
        EXPECT_EQ(std::memcmp(&SineTable[k], &value, sizeof value), 0) << k;
}

// 1,000 transforms the first 512 elements as 512 would; below 2 nothing changes;
// above 4,096 and negative sizes (huge when read unsigned) transform 4,096. The
// elements from N on stay as they were, for the split as well.
TEST(SpectrumTransform, SizesOutsideTheContract) {
    const Signal input = RandomSignal(4100, 7);
    Signal as512 = input, as4096 = input;
    ComplexFft(as512.data(), 512);
    ComplexFft(as4096.data(), 4096);
    ASSERT_FALSE(SameBits(as512.data(), input.data(), 512));
    const std::pair<int, const Signal*> cases[] = {
        {1000, &as512}, {0, &input},      {1, &input},       {4097, &as4096},
        {-1, &as4096},  {-4096, &as4096}, {1 << 20, &as4096}};
    for (const auto& [n, expected] : cases) {
        Signal data = input;
        ComplexFft(data.data(), n);
        EXPECT_TRUE(SameBits(data.data(), expected->data(), input.size())) << n;
        data = input;
        RealFftSplit(data.data(), n);
        const std::size_t from = n < 2 ? 0 : 4096;
        EXPECT_TRUE(SameBits(data.data() + from, input.data() + from, input.size() - from)) << n;
    }
}

// The table's sines carry six decimals, so each twiddle is off by up to 5e-7;
// single-precision rounding adds about 6e-8 per operation. Each of the log2 N
// stages adds an error of that order relative to the signal, so the largest bin
// error stays below stages * 2e-6 of the RMS bin magnitude (observed about a
// tenth of that). A wrong twiddle or a missed swap errs by far more. The split is
// held to the true spectrum of the 2N real samples (element N/2 its conjugate)
// wherever its table angles are exact: below N = 4,096, and the even bins at 4,096,
// whose odd bins take half a step less (left to the bit-exact comparison).
TEST(SpectrumTransform, MatchesADoublePrecisionDft) {
    using Cd = std::complex<double>;
    for (std::size_t n : {16u, 256u, 1024u, 4096u}) {
        Signal data = RandomSignal(n, unsigned(n));
        std::vector<Cd> roots(2 * n), z(n), x(n);
        for (std::size_t q = 0; q < 2 * n; ++q)
            roots[q] = std::polar(1.0, -std::numbers::pi * double(q) / double(n));
        double zPower = 0, xPower = 0;
        for (std::size_t k = 0; k < n; ++k) {
            for (std::size_t t = 0; t < n; ++t) {
                z[k] += Cd(data[t].re, data[t].im) * roots[2 * k * t % (2 * n)];
                x[k] += double(data[t].re) * roots[2 * k * t % (2 * n)] +
                        double(data[t].im) * roots[k * (2 * t + 1) % (2 * n)];
            }
            zPower += std::norm(z[k]);
            xPower += std::norm(x[k]);
        }
        const double fftTolerance = std::log2(double(n)) * 2e-6 * std::sqrt(zPower / n);
        const double splitTolerance = std::log2(double(n)) * 2e-6 * std::sqrt(xPower / n);
        ComplexFft(data.data(), std::int32_t(n));
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_NEAR(data[k].re, z[k].real(), fftTolerance) << "n " << n << " bin " << k;
            ASSERT_NEAR(data[k].im, z[k].imag(), fftTolerance) << "n " << n << " bin " << k;
        }
        RealFftSplit(data.data(), std::int32_t(n));
        EXPECT_EQ(data[0].im, 0.0f);
        for (std::size_t k = 0; k < n; k += n < 4096 ? 1 : 2) {
            const Cd expected = k == n / 2 ? std::conj(x[k]) : x[k];
            ASSERT_NEAR(data[k].re, expected.real(), splitTolerance) << "split " << n << " " << k;
            ASSERT_NEAR(data[k].im, expected.imag(), splitTolerance) << "split " << n << " " << k;
        }
    }
}

namespace {

// Every size 2..4,096 through the given stages, then the split, against the
// literal scalar transcription, bit for bit; the last round has a negative zero.
void ExpectBitIdenticalToTheScalarReference(duruz::FftStagesFunction stages) {
    for (int n = 2; n <= 4096; n *= 2) {
        for (unsigned round = 0; round < 3; ++round) {
            Signal data = RandomSignal(std::size_t(n), 10000 * round + unsigned(n), 30000.0f);
            if (round == 2)
                data[1] = {-0.0f, 0.0f};
            Signal expected = data;
            duruz::ComplexFftWith(stages, data.data(), n);
            reference::ComplexFft(expected.data(), n);
            ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size())) << "fft " << n;
            RealFftSplit(data.data(), n);
            reference::RealFftSplit(expected.data(), n);
            ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size())) << "split " << n;
        }
    }
}

} // namespace

TEST(SpectrumTransform, ScalarStagesBitIdenticalToTheScalarReference) {
    ExpectBitIdenticalToTheScalarReference(&duruz::FftStagesScalar);
}

TEST(SpectrumTransform, Sse2StagesBitIdenticalToTheScalarReference) {
    if (duruz::kFftStagesSse2 == nullptr)
        GTEST_SKIP() << "this build targets a processor without SSE2";
    ExpectBitIdenticalToTheScalarReference(duruz::kFftStagesSse2);
}

TEST(SpectrumTransform, AvxStagesBitIdenticalToTheScalarReference) {
    if (duruz::kFftStagesAvx == nullptr)
        GTEST_SKIP() << "this build has no AVX stages (not an x86-64 target)";
    if (duruz::FftStagesAvx() == nullptr)
        GTEST_SKIP() << "this processor or its system does not run AVX";
    ExpectBitIdenticalToTheScalarReference(duruz::FftStagesAvx());
}
