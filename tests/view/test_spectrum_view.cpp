#include "view/fft_tables.h"
#include "view/reference_fft.h"
#include "view/spectrum_view.h"

#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>

using duruz::CaptureStore;
using duruz::ComplexFloat;
using duruz::PlotArea;
using duruz::SpectrumMagnitudes;
using tk::RecordingCanvas;

namespace {

constexpr PlotArea kArea{10, 1501, 788};

// Fills one channel with f(i) and the other with noise that must not leak in.
template <typename F> std::unique_ptr<CaptureStore> StoreWith(int channel, F f) {
    auto store = std::make_unique<CaptureStore>();
    std::mt19937 generator(5);
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        store->CaptureBuffer[2 * i + channel] = static_cast<std::int16_t>(f(double(i)));
        store->CaptureBuffer[2 * i + (1 - channel)] =
            static_cast<std::int16_t>(generator() % 8000) - 4000;
    }
    return store;
}

SpectrumMagnitudes Magnitudes(const CaptureStore& store, int channel) {
    std::array<ComplexFloat, 1024> work{};
    SpectrumMagnitudes m{};
    duruz::ComputeSpectrum(store, channel, work, m);
    return m;
}

} // namespace

TEST(SpectrumView, ZerosDrawAFlatLineOnTheCentre) {
    const auto store = StoreWith(1, [](double) { return 0; });
    RecordingCanvas canvas;
    std::array<ComplexFloat, 1024> work{};
    duruz::DrawSpectrum(canvas, kArea, 1, *store, work);

    const auto& calls = canvas.Calls();
    ASSERT_EQ(calls.size(), 2u + 1024u);
    EXPECT_EQ(calls[0].op, RecordingCanvas::Op::PenColor);
    EXPECT_EQ(calls[0].color, 0x000080u); // maroon for channel 2
    EXPECT_EQ(calls[1].op, RecordingCanvas::Op::MoveTo);
    EXPECT_EQ(calls[1].x, 10);
    EXPECT_EQ(calls[1].y, 394);
    for (int k = 0; k < 1024; ++k) {
        const auto& call = calls[2 + k];
        ASSERT_EQ(call.op, RecordingCanvas::Op::LineTo);
        ASSERT_EQ(call.x, 10 + 1501 * k / 1024) << k;
        ASSERT_EQ(call.y, 394) << k;
    }
    EXPECT_EQ(calls.back().x, 10 + 1499); // about one pixel short of the right edge
}

TEST(SpectrumView, CosineAtBinHundredPeaksWithItsWindowedNeighbours) {
    const auto store = StoreWith(0, [](double i) {
        return std::lround(1000 * std::cos(2 * std::numbers::pi * 100 * i / 2048));
    });
    const SpectrumMagnitudes m = Magnitudes(*store, 0);
    EXPECT_NEAR(m[100], 1100, 2);
    EXPECT_NEAR(m[99], 550, 2);
    EXPECT_NEAR(m[101], 550, 2);
    for (int k = 0; k < 1024; ++k)
        if (k < 99 || k > 101) {
            ASSERT_EQ(m[k], 0) << k;
        }

    RecordingCanvas canvas;
    std::array<ComplexFloat, 1024> work{};
    duruz::DrawSpectrum(canvas, kArea, 0, *store, work);
    EXPECT_EQ(canvas.Calls()[0].color, 0x808000u); // teal for channel 1
    const auto lines = canvas.Of(RecordingCanvas::Op::LineTo);
    ASSERT_EQ(lines.size(), 1024u);
    EXPECT_EQ(lines[100].x, 10 + 1501 * 100 / 1024);
    EXPECT_EQ(lines[100].y, 394 - 788 * m[100] / 4094);
    EXPECT_NEAR(394 - lines[100].y, 211, 1);
}

TEST(SpectrumView, ConstantGivesDoubleGainAtBinZero) {
    const auto store = StoreWith(1, [](double) { return 100; });
    const SpectrumMagnitudes m = Magnitudes(*store, 1);
    EXPECT_NEAR(m[0], 220, 1);
    EXPECT_NEAR(m[1], 110, 1);
    for (int k = 2; k < 1024; ++k)
        ASSERT_EQ(m[k], 0) << k;
}

TEST(SpectrumView, BitIdenticalToTheScalarReference) {
    auto store = std::make_unique<CaptureStore>();
    std::mt19937 generator(99);
    for (int round = 0; round < 8; ++round) {
        duruz::FftBaselineOnly = round >= 4; // the SSE2 paths as well
        for (auto& sample : store->CaptureBuffer)
            sample = static_cast<std::int16_t>(generator() & 0xFFFF); // full range, -32768 too
        if (round % 4 == 3)
            store->CaptureBuffer.fill(-32768);
        for (int channel = 0; channel < 2; ++channel) {
            std::array<ComplexFloat, 1024> work{};
            std::array<ComplexFloat, 1024> expectedWork{};
            SpectrumMagnitudes m{};
            SpectrumMagnitudes expected{};
            duruz::ComputeSpectrum(*store, channel, work, m);
            reference::Spectrum(*store, channel, expectedWork, expected);
            ASSERT_EQ(std::memcmp(work.data(), expectedWork.data(), sizeof work), 0) << round;
            ASSERT_EQ(m, expected) << round;
        }
    }
    duruz::FftBaselineOnly = false;
}
