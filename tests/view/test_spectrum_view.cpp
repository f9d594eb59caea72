#include "view/reference_fft.h"

#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <tuple>

using duruz::ComplexFloat;
using Op = tk::RecordingCanvas::Op;

namespace {

long Zero(double) {
    return 0;
}
long Cosine(double i) {
    return std::lround(1000 * std::cos(2 * std::numbers::pi * 100 * i / 2048));
}
long Hundred(double) {
    return 100;
}

} // namespace

// Zeros lie flat on the centre line; a cosine of amplitude 1,000 at bin 100 gives
// about 1,100 there and half of that beside it, 211 pixels up; a constant 100 about
// 220 at bin 0 and 110 at bin 1. Every other bin is exactly 0. The other channel
// holds full-range noise, which must not leak in and whose spectrum, like the
// channel's, must match the scalar reference bit for bit.
TEST(SpectrumView, MagnitudesAndTheirLineAcrossThePlotArea) {
    const std::tuple<int, long (*)(double), std::map<int, int>, int> cases[] = {
        {1, Zero, {}, 0},
        {0, Cosine, {{99, 550}, {100, 1100}, {101, 550}}, 2},
        {1, Hundred, {{0, 220}, {1, 110}}, 1}};
    std::mt19937 generator(5);
    for (const auto& [channel, samples, peaks, tolerance] : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "channel " << channel << ", " << peaks.size() << " peaks");
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
            if (peaks.contains(k)) {
                EXPECT_NEAR(m[k], peaks.at(k), tolerance) << k;
            } else {
                ASSERT_EQ(m[k], 0) << k;
            }
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
