#include "view/fft_stages.h"
#include "view/spectrum_view.h"

#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using duruz::BitReverseTable;
using duruz::ComplexFloat;
using duruz::SineTable;
using Signal = std::vector<ComplexFloat>;
using Op = tk::RecordingCanvas::Op;

namespace reference {

// Straight scalar transcriptions of the transform and the spectrum steps for sizes
// 2..4,096, one operation after another: the vectorised paths must give the same bits.
void Fft(ComplexFloat* data, int n) {
    const int m = std::countr_zero(unsigned(n)), s = 12 - m; // the table stride is 2^s
    for (int i = 0; i < m; ++i) {
        const int h = n >> (i + 1);
        for (int e = 0; e < n; e += 2 * h)
            for (int j = e; j < e + h; ++j) {
                const int k = BitReverseTable[(j >> (m - 1 - i)) << s] << s;
                const float c = SineTable[k + 1024], sn = SineTable[k];
                const ComplexFloat x = data[j + h];
                const float tr = c * x.re + sn * x.im, ti = c * x.im - sn * x.re;
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

void Spectrum(const duruz::CaptureStore& store, int channel, std::array<ComplexFloat, 1024>& work,
              duruz::SpectrumMagnitudes& magnitudes) {
    for (int k = 0; k < 1024; ++k) {
        const float w = SineTable[1024 + 4 * k];
        const float re = store.Sample(2 * k, channel), im = store.Sample(2 * k + 1, channel);
        work[k] = {re - re * w, im - im * w};
    }
    Fft(work.data(), 1024);
    Split(work.data(), 1024);
    for (int k = 0; k < 1024; ++k) {
        const float re = work[k].re * 0.0009765625f, im = work[k].im * 0.0009765625f;
        work[k] = {re, im};
        magnitudes[k] = std::int32_t(double(std::sqrt(re * re + im * im)) * 1.1);
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

// 5119 is the cosine of one step; the zeros compare bit for bit, sign included.
TEST(SineTable, HoldsTheSixDecimalValuesWithTheirSignedZeros) {
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
    duruz::ComplexFft(as512.data(), 512);
    duruz::ComplexFft(as4096.data(), 4096);
    ASSERT_FALSE(SameBits(as512.data(), input.data(), 512));
    const std::pair<int, const Signal*> cases[] = {
        {1000, &as512}, {0, &input},      {1, &input},       {4097, &as4096},
        {-1, &as4096},  {-4096, &as4096}, {1 << 20, &as4096}};
    for (const auto& [n, expected] : cases) {
        Signal data = input;
        duruz::ComplexFft(data.data(), n);
        EXPECT_TRUE(SameBits(data.data(), expected->data(), input.size())) << n;
        data = input;
        duruz::RealFftSplit(data.data(), n);
        const std::size_t from = n < 2 ? 0 : 4096;
        EXPECT_TRUE(SameBits(data.data() + from, input.data() + from, input.size() - from)) << n;
    }
}

// The table's six decimals put each twiddle off by up to 5e-7, and each of the log2 N
// stages adds an error of that order, so the largest bin error stays below stages *
// 2e-6 of the RMS bin magnitude (observed about a tenth of that). The split is held to
// the true spectrum of the 2N real samples (element N/2 its conjugate) where its table
// angles are exact: below N = 4,096, and the even bins at 4,096.
TEST(SpectrumTransform, MatchesADoublePrecisionDft) {
    for (std::size_t n : {16u, 256u, 1024u, 4096u}) {
        Signal data = RandomSignal(n, unsigned(n));
        std::vector<std::complex<double>> roots(2 * n), x(n);
        for (std::size_t q = 0; q < 2 * n; ++q)
            roots[q] = std::polar(1.0, -std::numbers::pi * double(q) / double(n));
        double power = 0;
        for (std::size_t k = 0; k < n; ++k) {
            for (std::size_t t = 0; t < n; ++t)
                x[k] += double(data[t].re) * roots[2 * k * t % (2 * n)] +
                        double(data[t].im) * roots[k * (2 * t + 1) % (2 * n)];
            power += std::norm(x[k]);
        }
        const double tolerance = std::log2(double(n)) * 2e-6 * std::sqrt(power / n);
        duruz::ComplexFft(data.data(), std::int32_t(n));
        duruz::RealFftSplit(data.data(), std::int32_t(n));
        EXPECT_EQ(data[0].im, 0.0f);
        for (std::size_t k = 0; k < n; k += n < 4096 ? 1 : 2) {
            const auto expected = k == n / 2 ? std::conj(x[k]) : x[k];
            ASSERT_NEAR(data[k].re, expected.real(), tolerance) << n << " " << k;
            ASSERT_NEAR(data[k].im, expected.imag(), tolerance) << n << " " << k;
        }
    }
}

namespace {

// Every size 2..4,096 through the given stages, then the split, against the
// reference, bit for bit; the last round has a negative zero.
void ExpectBitIdenticalToTheScalarReference(duruz::FftStagesFunction stages) {
    for (int n = 2; n <= 4096; n *= 2)
        for (unsigned round = 0; round < 3; ++round) {
            Signal data = RandomSignal(std::size_t(n), 10000 * round + unsigned(n), 30000.0f);
            if (round == 2)
                data[1] = {-0.0f, 0.0f};
            Signal expected = data;
            duruz::ComplexFftWith(stages, data.data(), n);
            duruz::RealFftSplit(data.data(), n);
            reference::Fft(expected.data(), n);
            reference::Split(expected.data(), n);
            ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size())) << n;
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
    if (duruz::FftStagesAvx() == nullptr)
        GTEST_SKIP() << "this build has no AVX stages, or this processor or system runs no AVX";
    ExpectBitIdenticalToTheScalarReference(duruz::FftStagesAvx());
}

// Zeros lie flat on the centre line; a cosine of amplitude 1,000 at bin 100 gives
// about 1,100 there and half of that beside it, 211 pixels up; a constant 100 about
// 220 at bin 0 and 110 at bin 1. Every other bin is exactly 0. The other channel
// holds full-range noise, which must not leak in and whose spectrum, like the
// channel's, must match the reference bit for bit.
TEST(SpectrumView, MagnitudesAndTheirLineAcrossThePlotArea) {
    const auto cosine = [](double i) {
        return std::lround(1000 * std::cos(2 * std::numbers::pi * 100 * i / 2048));
    };
    const std::tuple<int, long (*)(double), std::map<int, int>, int> cases[] = {
        {1, [](double) { return 0L; }, {}, 0},
        {0, cosine, {{99, 550}, {100, 1100}, {101, 550}}, 2},
        {1, [](double) { return 100L; }, {{0, 220}, {1, 110}}, 1}};
    std::mt19937 generator(5);
    for (const auto& [channel, samples, peaks, tolerance] : cases) {
        SCOPED_TRACE(::testing::Message() << "channel " << channel << ", " << peaks.size());
        auto store = std::make_unique<duruz::CaptureStore>();
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
            store->CaptureBuffer[2 * i + channel] = static_cast<std::int16_t>(samples(double(i)));
            store->CaptureBuffer[2 * i + 1 - channel] = static_cast<std::int16_t>(generator());
        }
        std::array<ComplexFloat, 1024> work{}, expectedWork{};
        duruz::SpectrumMagnitudes m{}, expected{};
        for (int c : {1 - channel, channel}) {
            duruz::ComputeSpectrum(*store, c, work, m);
            reference::Spectrum(*store, c, expectedWork, expected);
            ASSERT_EQ(std::memcmp(work.data(), expectedWork.data(), sizeof work), 0) << c;
            ASSERT_EQ(m, expected) << c;
        }
        tk::RecordingCanvas canvas;
        duruz::DrawSpectrum(canvas, {10, 1501, 788}, channel, *store, work);
        const auto& calls = canvas.Calls();
        ASSERT_EQ(calls.size(), 2u + 1024u);
        EXPECT_EQ(std::tie(calls[0].op, calls[0].color),
                  std::make_tuple(Op::PenColor, channel == 0 ? 0x808000u : 0x000080u));
        EXPECT_EQ(std::tie(calls[1].op, calls[1].x, calls[1].y),
                  std::make_tuple(Op::MoveTo, 10, 394 - 788 * m[0] / 4094));
        for (int k = 0; k < 1024; ++k) {
            const bool peak = peaks.contains(k);
            EXPECT_NEAR(m[k], peak ? peaks.at(k) : 0, peak ? tolerance : 0) << k;
            ASSERT_EQ(std::tie(calls[2 + k].op, calls[2 + k].x, calls[2 + k].y),
                      std::make_tuple(Op::LineTo, 10 + 1501 * k / 1024, 394 - 788 * m[k] / 4094))
                << k;
        }
        EXPECT_EQ(calls.back().x, 10 + 1499); // about one pixel short of the right edge
        if (channel == 0) {
            EXPECT_NEAR(394 - calls[2 + 100].y, 211, 1);
        }
    }
}
