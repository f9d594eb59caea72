#pragma once

#include <cstdint>

namespace tk {

// Colours are 0x00BBGGRR values: red in bits 0-7, green 8-15, blue 16-23.
using Color = std::uint32_t;

// The drawing surface of the window. The screen logic draws only through this,
// so it runs the same on the window's pixel buffer, on a recording for tests, or elsewhere.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void SetPenColor(Color color) = 0;
    virtual void SetFontColor(Color color) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // Draws from the pen position to (x, y) and leaves the pen there.
    virtual void LineTo(int x, int y) = 0;
    // Writes single-byte text with its top-left corner at (x, y).
    virtual void TextOut(int x, int y, const char* text) = 0;
    // Fills the rectangle [left, right) x [top, bottom) with the background colour.
    virtual void FillBackground(int left, int top, int right, int bottom) = 0;
};

} // namespace tk
