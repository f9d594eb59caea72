#pragma once

#include "base/result.h"
#include "toolkit/pixel_buffer.h"

#include <string>
#include <string_view>

namespace tk {

class Form;

// A part of a picture, in its pixels.
struct ImageRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Writes the part as a PNG file whole or not at all (see duruz::WriteWholeFile); a
// failure carries its reason.
duruz::Status SaveImagePng(const PixelBuffer& picture, const ImageRect& part,
                           const std::string& path);
// Reads a PNG file into opaque pixels (transparency dropped); a failure carries its
// reason.
duruz::Result<PixelBuffer> ReadImagePng(const std::string& path);
// Puts the part on the clipboard as a picture.
void CopyImageToClipboard(const PixelBuffer& picture, const ImageRect& part);

// Asks for a file to save to, starting at suggested; empty when cancelled. Paths
// are UTF-8.
std::string AskSaveFileName(Form& owner, std::string_view title, const std::string& suggested,
                            std::string_view filter);
// Asks for an existing file to open; empty when cancelled. Paths are UTF-8.
std::string AskOpenFileName(Form& owner, std::string_view title, std::string_view filter);
// A message box on the window, with the application title.
void ShowErrorMessage(Form& owner, std::string_view text);

} // namespace tk
