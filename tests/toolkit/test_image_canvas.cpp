#include "toolkit/image_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

struct Point {
    int x;
    int y;
};

// The pixels that are not background, row by row, as "x,y " each.
std::string Painted(const tk::PixelBuffer& image) {
    std::string out;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.At(x, y) != 0xFFFFFFFFu)
                out += std::to_string(x) + "," + std::to_string(y) + " ";
    return out;
}

} // namespace

// Halfway the minor coordinate rounds away from the start (0,0 to 4,2). The last
// two rows lie partly and wholly outside: only the visible pixels, at the same places.
TEST(ImageCanvas, LinesLeaveOutTheirEndPoint) {
    const int lines[][4] = {{1, 1, 6, 1}, {6, 3, 1, 3},  {2, 0, 2, 4},     {2, 4, 2, 0},
                            {0, 0, 3, 3}, {0, 0, 4, 2},  {0, 0, 5, 2},     {5, 2, 0, 0},
                            {4, 4, 4, 4}, {-3, 2, 3, 2}, {-30, -2, 30, -1}};
    std::string painted;
    for (const auto& [x0, y0, x1, y1] : lines) {
        tk::ImageCanvas canvas(12, 12, 0xFFFFFF);
        canvas.SetPenColor(0);
        canvas.MoveTo(x0, y0);
        canvas.LineTo(x1, y1);
        painted += Painted(canvas.Pixels()) + "\n";
    }
    EXPECT_EQ(painted, "1,1 2,1 3,1 4,1 5,1 \n2,3 3,3 4,3 5,3 6,3 \n2,0 2,1 2,2 2,3 \n"
                       "2,1 2,2 2,3 2,4 \n0,0 1,1 2,2 \n0,0 1,1 2,1 3,2 \n0,0 1,0 2,1 3,1 4,2 \n"
                       "1,0 2,1 3,1 4,2 5,2 \n\n0,2 1,2 2,2 \n\n");
}

// A random walk over the image and a little beyond, with a far jump now and then,
// drawn joined, and as separate lines wholly inside a larger image: the part of the
// larger image under the smaller one is the same, and in the pen's colour.
TEST(ImageCanvas, ConsecutiveLinesMatchSeparateLinesAndClipping) {
    std::mt19937 generator(17);
    std::uniform_int_distribution<int> step(-40, 40), far(-600, 600);
    tk::ImageCanvas joined(120, 80, 0xFFFFFF), whole(120 + 1600, 80 + 1600, 0xFFFFFF);
    joined.SetPenColor(0x123456);
    whole.SetPenColor(0x123456);
    Point from{60, 40};
    joined.MoveTo(from.x, from.y);
    for (int i = 0; i < 400; ++i) {
        const Point to = i % 50 == 25 ? Point{far(generator), far(generator)}
                                      : Point{std::clamp(from.x, -20, 140) + step(generator),
                                              std::clamp(from.y, -20, 100) + step(generator)};
        joined.LineTo(to.x, to.y);
        whole.MoveTo(from.x + 800, from.y + 800);
        whole.LineTo(to.x + 800, to.y + 800);
        from = to;
    }
    const tk::PixelBuffer& image = joined.Pixels();
    EXPECT_TRUE(whole.Pixels().Part(800, 800, 120, 80) == image);
    EXPECT_EQ(std::tuple(image.At(60, 40), std::ranges::count(Painted(image), ' ') > 200),
              std::tuple(0xFF563412u, true)); // 0x00BBGGRR into 0xFFRRGGBB
}
