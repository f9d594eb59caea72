#pragma once

#include "toolkit/canvas.h"

// windows.h, when included since canvas.h, names TextOutA or TextOutW TextOut, which
// is also the member this class overrides.
#undef TextOut

namespace tk {

class Form;
class ImageCanvas;

// The window's canvas: forwards drawing to the window's image, which follows the
// client size, and asks the window to show it once per drawing burst. A back end
// says how a paint is asked for.
class FormCanvas : public Canvas {
public:
    FormCanvas(ImageCanvas& image, const Form& form) : image_(image), form_(form) {}

    void SetPenColor(Color color) override;
    void SetFontColor(Color color) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;
    void FillBackground(int left, int top, int right, int bottom) override;

    // Called when the window has shown the picture.
    void Presented() { dirty_ = false; }

protected:
    // Asks the window to paint; the paint shows everything drawn since.
    virtual void RequestPaint() = 0;
    // False while the window shows no picture (minimised): the picture then keeps its
    // size for the window's return.
    virtual bool ShowsPicture() const { return true; }

private:
    void Fit();
    void Touch();

    ImageCanvas& image_;
    const Form& form_;
    bool dirty_ = false;
    int width_ = -1;
    int height_ = -1;
};

} // namespace tk
