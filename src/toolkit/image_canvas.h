#pragma once

#include "toolkit/canvas.h"

#include <memory>

class QImage;

namespace tk {

// A canvas that paints into an image the size of the window's client area; the
// window shows the image in its paint event. Lines are one pixel wide, without
// antialiasing, so every point lands on the pixel its coordinates name.
class ImageCanvas : public Canvas {
public:
    ImageCanvas(int width, int height, Color background);
    ~ImageCanvas() override;

    // Keeps what was drawn where the sizes overlap.
    void Resize(int width, int height);
    void SetFont(const char* family, int pixelHeight);
    // Finishes any gathered drawing; call before reading the image.
    void Flush();
    const QImage& Image();

    void SetPenColor(Color color) override;
    void SetFontColor(Color color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;
    void FillBackground(int left, int top, int right, int bottom) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tk
