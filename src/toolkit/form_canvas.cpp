#include "toolkit/form_canvas.h"

#include "toolkit/form.h"
#include "toolkit/image_canvas.h"

#include <algorithm>

namespace tk {

Canvas& Form::GetCanvas() {
    return *formCanvas_;
}

ImageCanvas& Form::Image() {
    return *canvas_;
}

void FormCanvas::SetPenColor(Color color) {
    image_.SetPenColor(color);
}

void FormCanvas::SetFontColor(Color color) {
    image_.SetFontColor(color);
}

void FormCanvas::MoveTo(int x, int y) {
    Fit();
    image_.MoveTo(x, y);
}

void FormCanvas::LineTo(int x, int y) {
    Fit();
    image_.LineTo(x, y);
    Touch();
}

void FormCanvas::TextOut(int x, int y, const char* text) {
    Fit();
    image_.TextOut(x, y, text);
    Touch();
}

void FormCanvas::FillBackground(int left, int top, int right, int bottom) {
    Fit();
    image_.FillBackground(left, top, right, bottom);
    Touch();
}

// The picture follows the window's client size, also while the window is hidden;
// an empty client area keeps a picture of one pixel.
void FormCanvas::Fit() {
    if (!ShowsPicture())
        return;
    if (form_.ClientWidth() != width_ || form_.ClientHeight() != height_) {
        width_ = form_.ClientWidth();
        height_ = form_.ClientHeight();
        image_.Resize(std::max(width_, 1), std::max(height_, 1));
    }
}

void FormCanvas::Touch() {
    if (!dirty_) {
        dirty_ = true;
        RequestPaint();
    }
}

} // namespace tk
