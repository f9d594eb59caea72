#include "toolkit/image_export.h"

#include "base/whole_file_writer.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/image_canvas.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QStandardPaths>

namespace tk {

namespace {

QImage Part(ImageCanvas& canvas, const ImageRect& part) {
    canvas.Flush();
    return canvas.Image().copy(part.left, part.top, part.width, part.height);
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

duruz::Status SaveImagePng(ImageCanvas& canvas, const ImageRect& part, const std::string& path) {
    // Encoded in memory first, so the file is written whole or not at all.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(Part(canvas, part)))
        return duruz::Failure{"the picture could not be encoded: " +
                              writer.errorString().toStdString()};
    const duruz::Result<duruz::FileWritten> written = duruz::WriteWholeFile(
        path, std::string(encoded.constData(), static_cast<std::size_t>(encoded.size())));
    if (!written.Ok())
        return duruz::Failure{written.Reason()};
    return {};
}

void CopyImageToClipboard(ImageCanvas& canvas, const ImageRect& part) {
    QApplication::clipboard()->setImage(Part(canvas, part));
}

std::string PicturesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
}

std::string DocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

std::string AskSaveFileName(Form& owner, std::string_view title, const std::string& suggested,
                            std::string_view filter) {
    return QFileDialog::getSaveFileName(owner.Widget(), FromUtf8(title),
                                        QString::fromStdString(suggested), FromUtf8(filter))
        .toStdString();
}

void ShowErrorMessage(Form& owner, std::string_view text) {
    QMessageBox::warning(owner.Widget(), QString::fromStdString(ApplicationTitle()),
                         FromUtf8(text));
}

} // namespace tk
