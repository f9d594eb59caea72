#include "toolkit/pixel_buffer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace tk {

PixelBuffer::PixelBuffer(int width, int height, Pixel fill)
    : width_(std::max(width, 1)), height_(std::max(height, 1)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

bool PixelBuffer::Resize(int width, int height, Pixel fill) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == width_ && height == height_)
        return true;
    // Rows are addressed in bytes by int elsewhere (a Qt image's, a DIB's).
    if (static_cast<std::int64_t>(width) * height > INT_MAX / 4)
        return false;
    std::vector<Pixel> resized;
    try {
        resized.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int rows = std::min(height, height_);
    const int columns = std::min(width, width_);
    for (int y = 0; y < rows; ++y)
        std::copy_n(Row(y), columns, resized.data() + static_cast<std::size_t>(y) * width);
    pixels_ = std::move(resized);
    width_ = width;
    height_ = height;
    return true;
}

PixelBuffer PixelBuffer::Part(int left, int top, int width, int height) const {
    PixelBuffer part(width, height, 0xFF000000u);
    for (int y = std::max(top, 0); y < std::min(top + height, height_); ++y)
        for (int x = std::max(left, 0); x < std::min(left + width, width_); ++x)
            part.Row(y - top)[x - left] = At(x, y);
    return part;
}

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) // b > 0
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) // b > 0
{
    return -FloorDiv(-a, b);
}

// The steps i of a line whose minor offset floor((2 i minor + major) / (2 major))
// lies in [lo, hi].
void MinorRange(std::int64_t major, std::int64_t minor, std::int64_t lo, std::int64_t hi,
                std::int64_t& first, std::int64_t& last) {
    if (hi < lo || hi < 0) {
        first = 1;
        last = 0;
        return;
    }
    if (minor == 0) {
        if (lo > 0) {
            first = 1;
            last = 0;
        }
        return;
    }
    if (lo > 0)
        first = std::max(first, CeilDiv(2 * major * lo - major, 2 * minor));
    last = std::min(last, CeilDiv((2 * hi + 1) * major, 2 * minor) - 1);
}

// The steps i with origin + sign * i in [0, size).
void AxisRange(std::int64_t origin, int sign, std::int64_t size, std::int64_t& first,
               std::int64_t& last) {
    if (sign > 0) {
        first = std::max(first, -origin);
        last = std::min(last, size - 1 - origin);
    } else {
        first = std::max(first, origin - size + 1);
        last = std::min(last, origin);
    }
}

} // namespace

// One pixel per step along the longer axis, the other coordinate rounded half away
// from the start. Only the steps inside the buffer are visited, so far-off points
// cost nothing and clipping never moves a pixel.
void DrawLine(PixelBuffer& pixels, int x0, int y0, int x1, int y1, Pixel pen) {
    // Lines with an end beyond 2^27 pixels are not drawn: no window comes near
    // that size, and the bound keeps the products below within 64 bits.
    constexpr int kLimit = 1 << 27;
    if (std::abs(x0) > kLimit || std::abs(y0) > kLimit || std::abs(x1) > kLimit ||
        std::abs(y1) > kLimit)
        return;
    const std::int64_t dx = std::int64_t(x1) - x0;
    const std::int64_t dy = std::int64_t(y1) - y0;
    if (dx == 0 && dy == 0)
        return;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const std::int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t majorOrigin = xMajor ? x0 : y0;
    const std::int64_t minorOrigin = xMajor ? y0 : x0;
    const std::int64_t majorSize = xMajor ? pixels.Width() : pixels.Height();
    const std::int64_t minorSize = xMajor ? pixels.Height() : pixels.Width();

    std::int64_t first = 0;
    std::int64_t last = major - 1;
    AxisRange(majorOrigin, majorSign, majorSize, first, last);
    // The minor offset, always >= 0, must put the pixel inside the buffer.
    const std::int64_t lo = minorSign > 0 ? -minorOrigin : minorOrigin - minorSize + 1;
    const std::int64_t hi = minorSign > 0 ? minorSize - 1 - minorOrigin : minorOrigin;
    MinorRange(major, minor, lo, hi, first, last);
    if (first > last)
        return;

    const std::int64_t numerator = 2 * first * minor + major;
    std::int64_t offset = numerator / (2 * major);
    std::int64_t remainder = numerator % (2 * major);
    std::int64_t m = majorOrigin + majorSign * first;
    std::int64_t n = minorOrigin + minorSign * offset;
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t x = xMajor ? m : n;
        const std::int64_t y = xMajor ? n : m;
        pixels.Row(static_cast<int>(y))[x] = pen;
        m += majorSign;
        remainder += 2 * minor;
        if (remainder >= 2 * major) {
            remainder -= 2 * major;
            n += minorSign;
        }
    }
}

void FillRect(PixelBuffer& pixels, int left, int top, int right, int bottom, Pixel fill) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, pixels.Width());
    bottom = std::min(bottom, pixels.Height());
    if (left >= right || top >= bottom)
        return;
    for (int y = top; y < bottom; ++y) {
        Pixel* row = pixels.Row(y);
        std::fill(row + left, row + right, fill);
    }
}

} // namespace tk
