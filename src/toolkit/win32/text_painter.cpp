#include "toolkit/text_painter.h"

#include "toolkit/win32/native.h"

#include <algorithm>

namespace tk {

namespace {

// GDI draws the text white on black, without antialiasing, into a DIB section of its
// own; every pixel it touched takes the text's colour in our buffer.
class GdiTextPainter : public TextPainter {
public:
    GdiTextPainter() : dc_(CreateCompatibleDC(nullptr)) {}
    ~GdiTextPainter() override {
        if (font_ != nullptr)
            DeleteObject(font_);
        DeleteDC(dc_);
    }
    GdiTextPainter(const GdiTextPainter&) = delete;
    GdiTextPainter& operator=(const GdiTextPainter&) = delete;

    void SetFont(const char* family, int pixelHeight) override {
        HFONT font =
            CreateFontW(-std::max(pixelHeight, 1), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        NONANTIALIASED_QUALITY, DEFAULT_PITCH, Widen(family, kCp1252).c_str());
        if (font == nullptr)
            return;
        if (font_ != nullptr)
            DeleteObject(font_);
        font_ = font;
    }

    void Draw(PixelBuffer& pixels, int x, int y, const char* text, Pixel color) override {
        const std::wstring wide = Widen(text, kCp1252);
        HGDIOBJ oldFont =
            SelectObject(dc_, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        SIZE size{};
        GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
        // Overhangs of italic or wide glyphs reach past the advance.
        const int width = size.cx + size.cy, height = size.cy;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap == nullptr || width <= 0 || height <= 0) {
            SelectObject(dc_, oldFont);
            if (bitmap != nullptr)
                DeleteObject(bitmap);
            return;
        }
        HGDIOBJ oldBitmap = SelectObject(dc_, bitmap);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, RGB(255, 255, 255));
        SetTextAlign(dc_, TA_TOP | TA_LEFT);
        TextOutW(dc_, 0, 0, wide.c_str(), static_cast<int>(wide.size()));
        GdiFlush();
        const auto* drawn = static_cast<const std::uint32_t*>(bits);
        for (int row = 0; row < height; ++row) {
            const int ty = y + row;
            if (ty < 0 || ty >= pixels.Height())
                continue;
            Pixel* target = pixels.Row(ty);
            for (int column = 0; column < width; ++column) {
                const int tx = x + column;
                if (tx >= 0 && tx < pixels.Width() &&
                    (drawn[row * width + column] & 0xFFFFFFu) != 0)
                    target[tx] = color;
            }
        }
        SelectObject(dc_, oldBitmap);
        SelectObject(dc_, oldFont);
        DeleteObject(bitmap);
    }

private:
    HDC dc_;
    HFONT font_ = nullptr;
};

} // namespace

std::unique_ptr<TextPainter> MakeTextPainter() {
    return std::make_unique<GdiTextPainter>();
}

} // namespace tk
