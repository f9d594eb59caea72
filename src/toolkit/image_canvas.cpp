#include "toolkit/image_canvas.h"

#include "toolkit/cp1252.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tk {

namespace {

QRgb ToRgb(Color color) {
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

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

struct ImageCanvas::Impl {
    QImage image;
    QRgb background = 0;
    QRgb pen = 0;
    QRgb font = 0;
    QFont textFont;
    int penX = 0;
    int penY = 0;

    // A one-pixel line from (x0, y0) up to, not including, (x1, y1): one pixel per
    // step along the longer axis, the other coordinate rounded half away from the
    // start. Only the steps inside the image are visited, so far-off points cost
    // nothing and clipping never moves a pixel.
    void Line(int x0, int y0, int x1, int y1) {
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
        const std::int64_t majorSize = xMajor ? image.width() : image.height();
        const std::int64_t minorSize = xMajor ? image.height() : image.width();

        std::int64_t first = 0;
        std::int64_t last = major - 1;
        AxisRange(majorOrigin, majorSign, majorSize, first, last);
        // The minor offset, always >= 0, must put the pixel inside the image.
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
        uchar* bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        for (std::int64_t i = first; i <= last; ++i) {
            const std::int64_t x = xMajor ? m : n;
            const std::int64_t y = xMajor ? n : m;
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = pen;
            m += majorSign;
            remainder += 2 * minor;
            if (remainder >= 2 * major) {
                remainder -= 2 * major;
                n += minorSign;
            }
        }
    }

    void Fill(int left, int top, int right, int bottom) {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, image.width());
        bottom = std::min(bottom, image.height());
        if (left >= right || top >= bottom)
            return;
        for (int y = top; y < bottom; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::fill(line + left, line + right, background);
        }
    }
};

ImageCanvas::ImageCanvas(int width, int height, Color background)
    : impl_(std::make_unique<Impl>()) {
    impl_->background = ToRgb(background);
    impl_->image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    impl_->image.fill(impl_->background);
    SetFont("Tahoma", 11);
}

ImageCanvas::~ImageCanvas() = default;

void ImageCanvas::Resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    const QImage& old = impl_->image;
    if (width == old.width() && height == old.height())
        return;
    QImage resized(width, height, QImage::Format_RGB32);
    if (resized.isNull())
        return; // too large to allocate: keep drawing on the old picture, clipped
    resized.fill(impl_->background);
    const int rows = std::min(height, old.height());
    const int columns = std::min(width, old.width());
    for (int y = 0; y < rows; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(old.constScanLine(y)), columns,
                    reinterpret_cast<QRgb*>(resized.scanLine(y)));
    impl_->image = std::move(resized);
}

void ImageCanvas::SetFont(const char* family, int pixelHeight) {
    // A missing family falls back to the system's substitute.
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(std::max(pixelHeight, 1));
    impl_->textFont = font;
}

// Lines and fills go straight into the image, so nothing waits to be finished.
void ImageCanvas::Flush() {}

const QImage& ImageCanvas::Image() {
    Flush();
    return impl_->image;
}

void ImageCanvas::SetPenColor(Color color) {
    impl_->pen = ToRgb(color);
}

void ImageCanvas::SetFontColor(Color color) {
    impl_->font = ToRgb(color);
}

void ImageCanvas::MoveTo(int x, int y) {
    impl_->penX = x;
    impl_->penY = y;
}

void ImageCanvas::LineTo(int x, int y) {
    impl_->Line(impl_->penX, impl_->penY, x, y);
    impl_->penX = x;
    impl_->penY = y;
}

void ImageCanvas::TextOut(int x, int y, const char* text) {
    if (text == nullptr || *text == '\0')
        return;
    QPainter painter(&impl_->image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(impl_->textFont);
    painter.setPen(QColor::fromRgb(impl_->font));
    const QFontMetrics metrics(impl_->textFont);
    painter.drawText(QPoint(x, y + metrics.ascent()), FromCp1252(text));
}

void ImageCanvas::FillBackground(int left, int top, int right, int bottom) {
    impl_->Fill(left, top, right, bottom);
}

} // namespace tk
