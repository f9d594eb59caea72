#include "view/fft_tables.h"
#include "view/reference_fft.h"
#include "view/spectrum_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

using duruz::BitReverseTable;
using duruz::ComplexFft;
using duruz::ComplexFloat;
using duruz::RealFftSplit;
using duruz::SineTable;

namespace {

using Cd = std::complex<double>;

std::vector<Cd> Dft(const std::vector<Cd>& x) {
    const std::size_t n = x.size();
    std::vector<Cd> roots(n);
    for (std::size_t q = 0; q < n; ++q)
        roots[q] = std::polar(1.0, -2.0 * std::numbers::pi * double(q) / double(n));
    std::vector<Cd> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        Cd sum = 0;
        for (std::size_t t = 0; t < n; ++t)
            sum += x[t] * roots[(k * t) % n];
        out[k] = sum;
    }
    return out;
}

std::vector<ComplexFloat> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<ComplexFloat> data(n);
    for (ComplexFloat& z : data)
        z = {uniform(generator), uniform(generator)};
    return data;
}

double Rms(const std::vector<Cd>& x) {
    double sum = 0;
    for (const Cd& z : x)
        sum += std::norm(z);
    return std::sqrt(sum / double(x.size()));
}

// The table's sines carry six decimals, so each twiddle is off by up to 5e-7;
// single-precision rounding adds about 6e-8 per operation. Each of the log2 N
// stages adds an error of that order relative to the signal, so the largest bin
// error stays below stages * 2e-6 of the RMS bin magnitude (observed about a
// tenth of that). A wrong twiddle or a missed swap errs by far more.
double Tolerance(std::size_t n, double rms) {
    return std::log2(double(n)) * 2e-6 * rms;
}

bool SameBits(const ComplexFloat* a, const ComplexFloat* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(ComplexFloat)) == 0;
}

} // namespace

TEST(SineTable, HoldsTheSixDecimalValuesWithTheirSignedZeros) {
    EXPECT_EQ(SineTable[1], 0.001534f);
    EXPECT_EQ(SineTable[1024], 1.0f);
    EXPECT_EQ(SineTable[3072], -1.0f);
    EXPECT_EQ(SineTable[5119], std::strtof("0.999999", nullptr)); // cos of one step
    EXPECT_EQ(SineTable[0], 0.0f);
    EXPECT_FALSE(std::signbit(SineTable[0]));
    EXPECT_EQ(SineTable[2048], 0.0f);
    EXPECT_FALSE(std::signbit(SineTable[2048]));
    EXPECT_EQ(SineTable[4096], 0.0f);
    EXPECT_TRUE(std::signbit(SineTable[4096]));

    // Every entry against the C library's own six-decimal text of the float sine.
    for (int k = 0; k < duruz::kSineTableSize; ++k) {
        const float sine = static_cast<float>(std::sin(2.0 * std::numbers::pi * k / 4096));
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", sine);
        const float expected = std::strtof(text, nullptr);
        ASSERT_EQ(std::memcmp(&SineTable[k], &expected, sizeof(float)), 0) << "entry " << k;
    }
}

TEST(BitReverseTable, ReversesTwelveBits) {
    EXPECT_EQ(BitReverseTable[0], 0);
    EXPECT_EQ(BitReverseTable[1], 2048);
    EXPECT_EQ(BitReverseTable[2], 1024);
    EXPECT_EQ(BitReverseTable[3], 3072);
    EXPECT_EQ(BitReverseTable[4095], 4095);
    for (int k = 0; k < 4096; ++k)
        ASSERT_EQ(BitReverseTable[BitReverseTable[k]], k);
}

TEST(ComplexFft, ImpulseAndConstantGiveExactResults) {
    std::vector<ComplexFloat> data(1024, ComplexFloat{0, 0});
    data[0] = {1, 0};
    ComplexFft(data.data(), 1024);
    for (const ComplexFloat& z : data) {
        ASSERT_EQ(z.re, 1.0f);
        ASSERT_EQ(z.im, 0.0f);
    }

    data.assign(1024, ComplexFloat{1, 0});
    ComplexFft(data.data(), 1024);
    EXPECT_EQ(data[0].re, 1024.0f);
    EXPECT_EQ(data[0].im, 0.0f);
    for (std::size_t k = 1; k < data.size(); ++k) {
        ASSERT_EQ(data[k].re, 0.0f) << k;
        ASSERT_EQ(data[k].im, 0.0f) << k;
    }
}

TEST(ComplexFft, SizeRoundsDownToAPowerOfTwoAndLeavesTheRest) {
    const std::vector<ComplexFloat> input = RandomSignal(4100, 7);

    // 1,000 transforms the first 512 elements exactly as 512 would.
    std::vector<ComplexFloat> data = input;
    std::vector<ComplexFloat> expected = input;
    ComplexFft(data.data(), 1000);
    ComplexFft(expected.data(), 512);
    EXPECT_TRUE(SameBits(data.data(), expected.data(), 1000));
    EXPECT_TRUE(SameBits(data.data() + 512, input.data() + 512, 4100 - 512));
    EXPECT_FALSE(SameBits(data.data(), input.data(), 512));

    // 0 and 1 change nothing.
    for (int n : {0, 1}) {
        data = input;
        ComplexFft(data.data(), n);
        EXPECT_TRUE(SameBits(data.data(), input.data(), input.size())) << n;
    }

    // Above 4,096, and negative sizes (huge when read unsigned), transform 4,096.
    expected = input;
    ComplexFft(expected.data(), 4096);
    for (int n : {4097, 1 << 20, -1, -4096}) {
        data = input;
        ComplexFft(data.data(), n);
        EXPECT_TRUE(SameBits(data.data(), expected.data(), input.size())) << n;
    }
}

TEST(RealFftSplit, EdgeCasesOfSixteenPoints) {
    // 32 ones: the sum in element 0, zeros elsewhere.
    std::vector<ComplexFloat> data(16, ComplexFloat{1, 1});
    ComplexFft(data.data(), 16);
    RealFftSplit(data.data(), 16);
    EXPECT_EQ(data[0].re, 32.0f);
    EXPECT_EQ(data[0].im, 0.0f);
    for (std::size_t k = 1; k < 16; ++k) {
        EXPECT_EQ(data[k].re, 0.0f) << k;
        EXPECT_EQ(data[k].im, 0.0f) << k;
    }

    // cos(2 pi 3t / 32): magnitude 16 at bin 3 only.
    for (int t = 0; t < 16; ++t)
        data[t] = {float(std::cos(2 * std::numbers::pi * 3 * (2 * t) / 32)),
                   float(std::cos(2 * std::numbers::pi * 3 * (2 * t + 1) / 32))};
    ComplexFft(data.data(), 16);
    RealFftSplit(data.data(), 16);
    for (int k = 0; k < 16; ++k) {
        const float magnitude = std::hypot(data[k].re, data[k].im);
        EXPECT_NEAR(magnitude, k == 3 ? 16.0f : 0.0f, 2e-5f) << k;
    }

    // sin(pi t / 2) is bin 8 = N/2: left as the conjugate (0, +16).
    for (int t = 0; t < 16; ++t)
        data[t] = {float(std::sin(std::numbers::pi * (2 * t) / 2)),
                   float(std::sin(std::numbers::pi * (2 * t + 1) / 2))};
    ComplexFft(data.data(), 16);
    RealFftSplit(data.data(), 16);
    EXPECT_NEAR(data[8].re, 0.0f, 1e-5f);
    EXPECT_NEAR(data[8].im, 16.0f, 1e-5f);
    for (int k = 0; k < 16; ++k)
        if (k != 8) {
            EXPECT_NEAR(std::hypot(data[k].re, data[k].im), 0.0f, 2e-5f) << k;
        }

    // n = 1 (and below) changes nothing.
    const std::vector<ComplexFloat> input = RandomSignal(16, 3);
    for (int n : {1, 0, -5}) {
        data = input;
        RealFftSplit(data.data(), n);
        EXPECT_TRUE(SameBits(data.data(), input.data(), 16)) << n;
    }
}

TEST(RealFftSplit, OversizedCountStaysInsideTheTransform) {
    // A size far above the contract must not run past the 4,096 elements.
    std::vector<ComplexFloat> data = RandomSignal(4096 + 16, 11);
    const std::vector<ComplexFloat> input = data;
    RealFftSplit(data.data(), 1 << 30);
    EXPECT_TRUE(SameBits(data.data() + 4096, input.data() + 4096, 16));
}

TEST(ComplexFft, MatchesADoublePrecisionDft) {
    for (std::size_t n : {16u, 256u, 1024u, 4096u}) {
        std::vector<ComplexFloat> data = RandomSignal(n, unsigned(n));
        std::vector<Cd> input(n);
        for (std::size_t t = 0; t < n; ++t)
            input[t] = {data[t].re, data[t].im};
        const std::vector<Cd> expected = Dft(input);
        ComplexFft(data.data(), std::int32_t(n));
        const double tolerance = Tolerance(n, Rms(expected));
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_NEAR(data[k].re, expected[k].real(), tolerance) << "n " << n << " bin " << k;
            ASSERT_NEAR(data[k].im, expected[k].imag(), tolerance) << "n " << n << " bin " << k;
        }
    }
}

// With the real samples x packed pairwise, bin k of the 2N-point real transform.
// At N = 4,096 the split's angles come in half steps of the table, so odd bins
// use the angle of the even bin below: the promise there is the split formula
// with that angle applied to the exact complex transform.
TEST(RealFftSplit, MatchesWhatTheAlgorithmPromises) {
    for (std::size_t n : {16u, 256u, 1024u, 4096u}) {
        std::vector<ComplexFloat> data = RandomSignal(n, unsigned(n) + 1);
        std::vector<Cd> packed(n);
        std::vector<Cd> real(2 * n);
        for (std::size_t t = 0; t < n; ++t) {
            packed[t] = {data[t].re, data[t].im};
            real[2 * t] = data[t].re;
            real[2 * t + 1] = data[t].im;
        }
        const std::vector<Cd> z = Dft(packed);
        const std::vector<Cd> x = Dft(real);
        std::vector<Cd> expected(n);
        const int stride = int(4096 / n);
        for (std::size_t i = 0; i < n; ++i) {
            if (i == n / 2) {
                expected[i] = std::conj(x[i]);
                continue;
            }
            const Cd a = z[i];
            const Cd b = z[(n - i) % n];
            const double angle = 2 * std::numbers::pi * double((int(i) * stride) / 2) / 4096;
            const double sr = a.real() + b.real(), si = a.imag() + b.imag();
            const double dr = a.real() - b.real(), di = a.imag() - b.imag();
            const double c = std::cos(angle), s = std::sin(angle);
            expected[i] = {0.5 * (sr + c * si - s * dr), 0.5 * (di - s * si - c * dr)};
            if (n < 4096 || i % 2 == 0) { // exact table angles: the true spectrum
                ASSERT_LT(std::abs(expected[i] - x[i]), 1e-9 * Rms(x)) << n << " " << i;
            }
        }
        ComplexFft(data.data(), std::int32_t(n));
        RealFftSplit(data.data(), std::int32_t(n));
        const double tolerance = Tolerance(n, Rms(expected));
        EXPECT_EQ(data[0].im, 0.0f);
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_NEAR(data[k].re, expected[k].real(), tolerance) << "n " << n << " bin " << k;
            ASSERT_NEAR(data[k].im, expected[k].imag(), tolerance) << "n " << n << " bin " << k;
        }
    }
}

TEST(SpectrumTransform, BitIdenticalToTheScalarReference) {
    std::mt19937 generator(42);
    std::uniform_real_distribution<float> uniform(-30000.0f, 30000.0f);
    // Both the widest vectors the machine offers and the SSE2 baseline.
    for (bool baseline : {false, true}) {
        duruz::FftBaselineOnly = baseline;
        for (int n : {2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096}) {
            for (int round = 0; round < 3; ++round) {
                std::vector<ComplexFloat> data(static_cast<std::size_t>(n));
                for (ComplexFloat& z : data)
                    z = {uniform(generator), uniform(generator)};
                if (round == 2)
                    data[1] = {-0.0f, 0.0f};
                std::vector<ComplexFloat> expected = data;
                ComplexFft(data.data(), n);
                reference::ComplexFft(expected.data(), n);
                ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size()))
                    << "fft " << n << " baseline " << baseline;
                RealFftSplit(data.data(), n);
                reference::RealFftSplit(expected.data(), n);
                ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size()))
                    << "split " << n << " baseline " << baseline;
            }
        }
    }
    duruz::FftBaselineOnly = false;
}
