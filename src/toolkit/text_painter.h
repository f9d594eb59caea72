#pragma once

#include "toolkit/pixel_buffer.h"

#include <memory>

namespace tk {

// Writes text into a pixel buffer with the system's fonts; the back end renders it.
class TextPainter {
public:
    virtual ~TextPainter() = default;
    // A missing family falls back to the system's substitute.
    virtual void SetFont(const char* family, int pixelHeight) = 0;
    // Single-byte Windows-1252 text with its top-left corner at (x, y), without
    // antialiasing.
    virtual void Draw(PixelBuffer& pixels, int x, int y, const char* text, Pixel color) = 0;
};

// The back end's painter.
std::unique_ptr<TextPainter> MakeTextPainter();

} // namespace tk
