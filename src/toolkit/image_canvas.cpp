#include "toolkit/image_canvas.h"

#include "toolkit/text_painter.h"

namespace tk {

ImageCanvas::ImageCanvas(int width, int height, Color background)
    : pixels_(width, height, PixelOf(background)), text_(MakeTextPainter()),
      background_(PixelOf(background)) {
    SetFont("Tahoma", 11);
}

ImageCanvas::~ImageCanvas() = default;

// A size too large to allocate keeps the old picture, drawn on clipped.
void ImageCanvas::Resize(int width, int height) {
    pixels_.Resize(width, height, background_);
}

void ImageCanvas::SetFont(const char* family, int pixelHeight) {
    text_->SetFont(family, pixelHeight);
}

void ImageCanvas::SetPenColor(Color color) {
    pen_ = PixelOf(color);
}

void ImageCanvas::SetFontColor(Color color) {
    font_ = PixelOf(color);
}

void ImageCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void ImageCanvas::LineTo(int x, int y) {
    DrawLine(pixels_, penX_, penY_, x, y, pen_);
    penX_ = x;
    penY_ = y;
}

void ImageCanvas::TextOut(int x, int y, const char* text) {
    if (text == nullptr || *text == '\0')
        return;
    text_->Draw(pixels_, x, y, text, font_);
}

void ImageCanvas::FillBackground(int left, int top, int right, int bottom) {
    FillRect(pixels_, left, top, right, bottom, background_);
}

} // namespace tk
