#pragma once

#include "toolkit/canvas.h"
#include "toolkit/pixel_buffer.h"

#include <memory>

// windows.h, when included since canvas.h, names TextOutA or TextOutW TextOut, which
// is also the member this class overrides.
#undef TextOut

namespace tk {

class TextPainter;

// A canvas that paints into a pixel buffer the size of the window's client area;
// the window shows the buffer in its paint event. Lines are one pixel wide, without
// antialiasing, so every point lands on the pixel its coordinates name.
class ImageCanvas : public Canvas {
public:
    ImageCanvas(int width, int height, Color background);
    ~ImageCanvas() override;

    // Keeps what was drawn where the sizes overlap.
    void Resize(int width, int height);
    void SetFont(const char* family, int pixelHeight);
    const PixelBuffer& Pixels() const { return pixels_; }

    void SetPenColor(Color color) override;
    void SetFontColor(Color color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;
    void FillBackground(int left, int top, int right, int bottom) override;

private:
    PixelBuffer pixels_;
    std::unique_ptr<TextPainter> text_;
    Pixel background_;
    Pixel pen_ = PixelOf(0);
    Pixel font_ = PixelOf(0);
    int penX_ = 0;
    int penY_ = 0;
};

} // namespace tk
