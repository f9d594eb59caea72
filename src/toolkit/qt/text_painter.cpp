#include "toolkit/text_painter.h"

#include "toolkit/qt/cp1252.h"
#include "toolkit/qt/pixel_image.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace tk {

namespace {

// Qt's painter on an image that shares the buffer's memory.
class QtTextPainter : public TextPainter {
public:
    void SetFont(const char* family, int pixelHeight) override {
        font_ = QFont(QString::fromLatin1(family));
        font_.setPixelSize(std::max(pixelHeight, 1));
    }
    void Draw(PixelBuffer& pixels, int x, int y, const char* text, Pixel color) override {
        QImage image = ImageOf(pixels);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setFont(font_);
        painter.setPen(QColor::fromRgb(color));
        const QFontMetrics metrics(font_);
        painter.drawText(QPoint(x, y + metrics.ascent()), FromCp1252(text));
    }

private:
    QFont font_;
};

} // namespace

std::unique_ptr<TextPainter> MakeTextPainter() {
    return std::make_unique<QtTextPainter>();
}

} // namespace tk
