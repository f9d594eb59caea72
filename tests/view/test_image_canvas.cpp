#include "toolkit/image_canvas.h"
#include "view/redraw_screen.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

using tk::ImageCanvas;

namespace {

constexpr tk::Color kWhite = 0xFFFFFF;
constexpr QRgb kWhiteRgb = 0xFFFFFFFF;

// The pixels that are not background, as a list of points.
std::vector<QPoint> Painted(const QImage& image) {
    std::vector<QPoint> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kWhiteRgb)
                out.emplace_back(x, y);
    return out;
}

std::vector<QPoint> LinePixels(int x0, int y0, int x1, int y1) {
    ImageCanvas canvas(12, 12, kWhite);
    canvas.SetPenColor(0);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
    return Painted(canvas.Image());
}

} // namespace

TEST(ImageCanvas, LinesLeaveOutTheirEndPoint) {
    using P = std::vector<QPoint>;
    EXPECT_EQ(LinePixels(1, 1, 6, 1), (P{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
    EXPECT_EQ(LinePixels(6, 3, 1, 3), (P{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
    EXPECT_EQ(LinePixels(2, 0, 2, 4), (P{{2, 0}, {2, 1}, {2, 2}, {2, 3}}));
    EXPECT_EQ(LinePixels(2, 4, 2, 0), (P{{2, 1}, {2, 2}, {2, 3}, {2, 4}}));
    EXPECT_EQ(LinePixels(0, 0, 3, 3), (P{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(LinePixels(0, 0, 5, 2), (P{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(LinePixels(5, 2, 0, 0), (P{{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    EXPECT_TRUE(LinePixels(4, 4, 4, 4).empty());
    // Partly and wholly outside: only the visible pixels, at the same places.
    EXPECT_EQ(LinePixels(-3, 2, 3, 2), (P{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_TRUE(LinePixels(-30, -2, 30, -1).empty());
}

TEST(ImageCanvas, ColoursConvertFromBgr) {
    ImageCanvas canvas(4, 4, 0xF0F0F0);
    EXPECT_EQ(canvas.Image().pixel(0, 0), qRgb(0xF0, 0xF0, 0xF0));
    const std::pair<tk::Color, QRgb> colours[] = {{0x0000FF, qRgb(255, 0, 0)},
                                                  {0xFF0000, qRgb(0, 0, 255)},
                                                  {0x808000, qRgb(0, 128, 128)},
                                                  {0x000080, qRgb(128, 0, 0)}};
    for (const auto& [color, rgb] : colours) {
        canvas.SetPenColor(color);
        canvas.MoveTo(0, 1);
        canvas.LineTo(2, 1);
        EXPECT_EQ(canvas.Image().pixel(0, 1), rgb) << std::hex << color;
    }
}

TEST(ImageCanvas, ConsecutiveLinesMatchSeparateLinesAndClipping) {
    std::mt19937 generator(17);
    std::uniform_int_distribution<int> step(-40, 40);
    std::uniform_int_distribution<int> far(-600, 600);
    // Mostly over the image and a little beyond its edges, with a jump far off
    // now and then.
    std::vector<QPoint> walk{{60, 40}};
    for (int i = 0; i < 400; ++i) {
        const QPoint last = walk.back();
        if (i % 50 == 25) {
            walk.emplace_back(far(generator), far(generator));
            continue;
        }
        const int x = std::clamp(last.x(), -20, 140) + step(generator);
        const int y = std::clamp(last.y(), -20, 100) + step(generator);
        walk.emplace_back(x, y);
    }

    ImageCanvas joined(120, 80, kWhite);
    ImageCanvas separate(120, 80, kWhite);
    constexpr int kOffset = 800; // the same walk, wholly inside a large image
    ImageCanvas whole(120 + 2 * kOffset, 80 + 2 * kOffset, kWhite);
    joined.SetPenColor(0x123456);
    separate.SetPenColor(0x123456);
    whole.SetPenColor(0x123456);
    joined.MoveTo(walk[0].x(), walk[0].y());
    for (std::size_t i = 1; i < walk.size(); ++i) {
        joined.LineTo(walk[i].x(), walk[i].y());
        separate.MoveTo(walk[i - 1].x(), walk[i - 1].y());
        separate.LineTo(walk[i].x(), walk[i].y());
        whole.MoveTo(walk[i - 1].x() + kOffset, walk[i - 1].y() + kOffset);
        whole.LineTo(walk[i].x() + kOffset, walk[i].y() + kOffset);
    }
    const QImage a = joined.Image();
    EXPECT_EQ(a, separate.Image());
    EXPECT_EQ(a, whole.Image().copy(kOffset, kOffset, 120, 80));
    EXPECT_GT(Painted(a).size(), 200u);
}

TEST(ImageCanvas, FillResizeAndText) {
    ImageCanvas canvas(40, 30, kWhite);
    canvas.SetPenColor(0);
    for (int y = 0; y < 30; ++y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(40, y);
    }
    canvas.FillBackground(-5, 10, 20, 100);
    const QImage& image = canvas.Image();
    EXPECT_EQ(image.pixel(0, 9), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, 10), kWhiteRgb);
    EXPECT_EQ(image.pixel(19, 29), kWhiteRgb);
    EXPECT_EQ(image.pixel(20, 29), qRgb(0, 0, 0));

    canvas.Resize(50, 20);
    EXPECT_EQ(canvas.Image().size(), QSize(50, 20));
    EXPECT_EQ(canvas.Image().pixel(39, 0), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.Image().pixel(40, 0), kWhiteRgb);
    EXPECT_EQ(canvas.Image().pixel(20, 15), qRgb(0, 0, 0));

    ImageCanvas text(120, 40, kWhite);
    text.SetFont("Tahoma", 11);
    text.SetFontColor(0x0000FF);
    text.TextOut(20, 10, "- 19.2 V \x80");
    const std::vector<QPoint> painted = Painted(text.Image());
    ASSERT_GT(painted.size(), 20u);
    bool red = false;
    for (const QPoint& p : painted) {
        EXPECT_GE(p.x(), 20);
        EXPECT_GE(p.y(), 10);
        EXPECT_LT(p.y(), 10 + 16);
        const QRgb c = text.Image().pixel(p);
        red = red || (qRed(c) > 200 && qGreen(c) < 100 && qBlue(c) < 100);
    }
    EXPECT_TRUE(red);
}

TEST(ImageCanvas, RedrawLandsOnTheExpectedPixels) {
    auto store = std::make_unique<duruz::CaptureStore>();
    store->CaptureBuffer.fill(0);
    store->CaptureBuffer[2 * 100] = 2047; // channel 1, sample 100, at the bottom
    duruz::ScreenInputs in;
    in.clientWidth = 1511;
    in.clientHeight = 899;
    in.levelBarWidth = 10;
    in.positionBarHeight = 11;
    in.controlsHeight = 99;
    in.scope[1] = false;
    in.syncPosition = 1024;
    in.syncLevel = -1000;
    ImageCanvas canvas(1511, 899, 0xF0F0F0);
    duruz::SpectrumWorkArea work{};
    duruz::RedrawScreen(canvas, in, *store, work);
    const QImage& image = canvas.Image();
    const QRgb red = qRgb(255, 0, 0), grey = qRgb(128, 128, 128), lime = qRgb(0, 255, 0);
    EXPECT_EQ(image.pixel(160, 300), grey);                   // vertical line g = 1
    EXPECT_EQ(image.pixel(1000, 78), grey);                   // horizontal line g = 1
    EXPECT_EQ(image.pixel(1505, 78), qRgb(0xF0, 0xF0, 0xF0)); // it stops at x = width
    EXPECT_EQ(image.pixel(760, 600), lime);                   // position marker at left + width / 2
    EXPECT_EQ(image.pixel(1200, ((-1000 - 2047) * 788) / -4094), lime);
    EXPECT_EQ(image.pixel(900, 394), red);                    // the flat trace at Y(0)
    EXPECT_EQ(image.pixel(10 + 1501 * 100 / 2048, 700), red); // the spike towards 788
    EXPECT_EQ(image.pixel(700, 0), red);                      // the line along the top edge
}
