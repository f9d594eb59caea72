#pragma once

#include "toolkit/pixel_buffer.h"

#include <QImage>

namespace tk {

// A Qt image on the buffer's own memory: drawing on it draws on the buffer. Valid
// while the buffer keeps its size.
inline QImage ImageOf(PixelBuffer& pixels) {
    return QImage(reinterpret_cast<uchar*>(pixels.Data()), pixels.Width(), pixels.Height(),
                  pixels.Width() * 4, QImage::Format_RGB32);
}

// The same, read-only: Qt copies it before any change.
inline QImage ImageOf(const PixelBuffer& pixels) {
    return QImage(reinterpret_cast<const uchar*>(pixels.Data()), pixels.Width(), pixels.Height(),
                  pixels.Width() * 4, QImage::Format_RGB32);
}

} // namespace tk
