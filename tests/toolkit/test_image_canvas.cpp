#include "toolkit/image_canvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using tk::ImageCanvas;

namespace {

constexpr tk::Color kWhite = 0xFFFFFF;

// The pixels that are not background, row by row, as "x,y " each.
std::string Painted(const QImage& image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                out += std::to_string(x) + "," + std::to_string(y) + " ";
    return out;
}

} // namespace

// Halfway the minor coordinate rounds away from the start (0,0 to 4,2). The last
// two rows lie partly and wholly outside: only the visible pixels, at the same places.
TEST(ImageCanvas, LinesLeaveOutTheirEndPoint) {
    const std::tuple<int, int, int, int, const char*> rows[] = {
        {1, 1, 6, 1, "1,1 2,1 3,1 4,1 5,1 "},
        {6, 3, 1, 3, "2,3 3,3 4,3 5,3 6,3 "},
        {2, 0, 2, 4, "2,0 2,1 2,2 2,3 "},
        {2, 4, 2, 0, "2,1 2,2 2,3 2,4 "},
        {0, 0, 3, 3, "0,0 1,1 2,2 "},
        {0, 0, 4, 2, "0,0 1,1 2,1 3,2 "},
        {0, 0, 5, 2, "0,0 1,0 2,1 3,1 4,2 "},
        {5, 2, 0, 0, "1,0 2,1 3,1 4,2 5,2 "},
        {4, 4, 4, 4, ""},
        {-3, 2, 3, 2, "0,2 1,2 2,2 "},
        {-30, -2, 30, -1, ""}};
    for (const auto& [x0, y0, x1, y1, pixels] : rows) {
        ImageCanvas canvas(12, 12, kWhite);
        canvas.SetPenColor(0);
        canvas.MoveTo(x0, y0);
        canvas.LineTo(x1, y1);
        EXPECT_EQ(Painted(canvas.Image()), pixels) << x0 << "," << y0 << " to " << x1 << "," << y1;
    }
}

TEST(ImageCanvas, ConsecutiveLinesMatchSeparateLinesAndClipping) {
    std::mt19937 generator(17);
    std::uniform_int_distribution<int> step(-40, 40), far(-600, 600);
    // Mostly over the image and a little beyond its edges, with a jump far off
    // now and then.
    std::vector<QPoint> walk{{60, 40}};
    for (int i = 0; i < 400; ++i) {
        const QPoint last = walk.back();
        if (i % 50 == 25)
            walk.emplace_back(far(generator), far(generator));
        else
            walk.emplace_back(std::clamp(last.x(), -20, 140) + step(generator),
                              std::clamp(last.y(), -20, 100) + step(generator));
    }
    constexpr int kOffset = 800; // the same walk, wholly inside a large image
    ImageCanvas joined(120, 80, kWhite), separate(120, 80, kWhite);
    ImageCanvas whole(120 + 2 * kOffset, 80 + 2 * kOffset, kWhite);
    for (ImageCanvas* canvas : {&joined, &separate, &whole})
        canvas->SetPenColor(0x123456);
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
    const std::string painted = Painted(a);
    EXPECT_GT(std::count(painted.begin(), painted.end(), ' '), 200);
    EXPECT_EQ(a.pixel(walk[0]), qRgb(0x56, 0x34, 0x12)); // 0x00BBGGRR into RGB
}
