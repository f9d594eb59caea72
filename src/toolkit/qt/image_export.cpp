#include "toolkit/image_export.h"

#include "base/whole_file_writer.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/pixel_buffer.h"
#include "toolkit/qt/pixel_image.h"
#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMessageBox>
#include <algorithm>

namespace tk {

namespace {

QImage Part(const PixelBuffer& picture, const ImageRect& part) {
    return ImageOf(picture).copy(part.left, part.top, part.width, part.height);
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

duruz::Status SaveImagePng(const PixelBuffer& picture, const ImageRect& part,
                           const std::string& path) {
    // Encoded in memory first, so the file is written whole or not at all.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(Part(picture, part)))
        return duruz::Failure{"the picture could not be encoded: " +
                              writer.errorString().toStdString()};
    const duruz::Result<duruz::FileWritten> written = duruz::WriteWholeFile(
        path, std::string(encoded.constData(), static_cast<std::size_t>(encoded.size())));
    if (!written.Ok())
        return duruz::Failure{written.Reason()};
    return {};
}

duruz::Result<PixelBuffer> ReadImagePng(const std::string& path) {
    QImageReader reader(QString::fromStdString(path), "PNG");
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return duruz::Failure{"the picture could not be read: " +
                              reader.errorString().toStdString()};
    PixelBuffer pixels(image.width(), image.height(), 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const Pixel*>(image.constScanLine(y));
        std::copy(row, row + image.width(), pixels.Row(y));
    }
    return pixels;
}

void CopyImageToClipboard(const PixelBuffer& picture, const ImageRect& part) {
    QApplication::clipboard()->setImage(Part(picture, part));
}

std::string AskSaveFileName(Form& owner, std::string_view title, const std::string& suggested,
                            std::string_view filter) {
    return QFileDialog::getSaveFileName(WidgetOf(owner), FromUtf8(title),
                                        QString::fromStdString(suggested), FromUtf8(filter))
        .toStdString();
}

std::string AskOpenFileName(Form& owner, std::string_view title, std::string_view filter) {
    return QFileDialog::getOpenFileName(WidgetOf(owner), FromUtf8(title), QString(),
                                        FromUtf8(filter))
        .toStdString();
}

void ShowErrorMessage(Form& owner, std::string_view text) {
    QMessageBox::warning(WidgetOf(owner), QString::fromStdString(ApplicationTitle()),
                         FromUtf8(text));
}

} // namespace tk
