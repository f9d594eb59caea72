#pragma once

#include "toolkit/canvas.h"

#include <cstdint>
#include <vector>

namespace tk {

// One pixel of a PixelBuffer: 0xFFRRGGBB, opaque, the layout both the Qt image and
// a Windows DIB section show without conversion.
using Pixel = std::uint32_t;

// The pixel of a 0x00BBGGRR colour.
constexpr Pixel PixelOf(Color color) {
    return 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// A picture in memory: Width() x Height() pixels, row after row with no gap.
class PixelBuffer {
public:
    // At least one pixel each way, all `fill`.
    PixelBuffer(int width, int height, Pixel fill);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Pixel At(int x, int y) const { return pixels_[Index(x, y)]; }
    Pixel* Row(int y) { return pixels_.data() + Index(0, y); }
    const Pixel* Row(int y) const { return pixels_.data() + Index(0, y); }
    const Pixel* Data() const { return pixels_.data(); }
    Pixel* Data() { return pixels_.data(); }

    // Takes the new size (at least 1 x 1), keeping the pixels where old and new
    // overlap and filling the rest. A size too large to allocate changes nothing
    // and gives false.
    bool Resize(int width, int height, Pixel fill);
    // A copy of the rectangle at (left, top); its pixels outside this buffer are black.
    PixelBuffer Part(int left, int top, int width, int height) const;

    bool operator==(const PixelBuffer& other) const = default;

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_ = 1;
    int height_ = 1;
    std::vector<Pixel> pixels_;
};

// A one-pixel line from (x0, y0) up to, not including, (x1, y1), without
// antialiasing: every point lands on the pixel its integer coordinates name. Only
// its pixels inside the buffer are drawn, at the places they have unclipped.
void DrawLine(PixelBuffer& pixels, int x0, int y0, int x1, int y1, Pixel pen);
// Fills [left, right) x [top, bottom), clipped to the buffer.
void FillRect(PixelBuffer& pixels, int left, int top, int right, int bottom, Pixel fill);

} // namespace tk
