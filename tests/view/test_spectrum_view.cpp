#include "view/spectrum_view.h"

#include "recorded_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace duruz;
using namespace view_test;

// A cosine of amplitude 1,000 at bin 100 gives about 1,100 there and half of that
// beside it, 211 pixels up; a constant 100 about 220 at bin 0 and 110 at bin 1. Every
// other bin is exactly 0, flat on the centre line. The other channel holds full-range
// noise, which must not leak in. The transform itself is held to a scalar reference
// in its own tests.
TEST(SpectrumView, MagnitudesAndTheirLineAcrossThePlotArea) {
    const auto cosine = [](double i) {
        return std::lround(1000 * std::cos(2 * std::numbers::pi * 100 * i / 2048));
    };
    const std::tuple<int, long (*)(double), std::map<int, int>, int> cases[] = {
        {0, cosine, {{99, 550}, {100, 1100}, {101, 550}}, 2},
        {1, [](double) { return 100L; }, {{0, 220}, {1, 110}}, 1}};
    std::mt19937 generator(5);
    for (const auto& [channel, samples, peaks, tolerance] : cases) {
        SCOPED_TRACE(::testing::Message() << "channel " << channel << ", " << peaks.size());
        auto store = std::make_unique<CaptureStore>();
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
            store->CaptureBuffer[2 * i + channel] = static_cast<std::int16_t>(samples(double(i)));
            store->CaptureBuffer[2 * i + 1 - channel] = static_cast<std::int16_t>(generator());
        }
        std::array<ComplexFloat, 1024> work{};
        duruz::SpectrumMagnitudes m{};
        duruz::ComputeSpectrum(*store, 1 - channel, work, m); // the work area is reused
        duruz::ComputeSpectrum(*store, channel, work, m);
        RecordingCanvas canvas;
        duruz::DrawSpectrum(canvas, {10, 1501, 788}, channel, *store, work);
        // The line ends about one pixel short of the right edge.
        std::string line = Point('M', 10, 394 - 788 * m[0] / 4094);
        for (int k = 0; k < 1024; ++k) {
            const bool peak = peaks.contains(k);
            EXPECT_NEAR(m[k], peak ? peaks.at(k) : 0, peak ? tolerance : 0) << k;
            line += Point('L', 10 + 1501 * k / 1024, 394 - 788 * m[k] / 4094);
        }
        EXPECT_EQ(Pens(canvas) + "\n" + Drawn(canvas, channel == 0 ? kTeal : kMaroon),
                  (channel == 0 ? "teal 1024\n" : "maroon 1024\n") + line);
    }
}
