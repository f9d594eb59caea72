#include "toolkit/image_export.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/pixel_buffer.h"
#include "toolkit/qt/pixel_image.h"
#include "toolkit/qt/widget.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QSaveFile>

namespace tk {

namespace {

QImage Part(const PixelBuffer& picture, const ImageRect& part) {
    return ImageOf(picture).copy(part.left, part.top, part.width, part.height);
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool SaveImagePng(const PixelBuffer& picture, const ImageRect& part, const std::string& path,
                  std::string& error) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!Part(picture, part).save(&file, "PNG")) {
        error = file.error() != QFileDevice::NoError ? file.errorString().toStdString()
                                                     : "the picture could not be encoded";
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
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

void ShowErrorMessage(Form& owner, std::string_view text) {
    QMessageBox::warning(WidgetOf(owner), QString::fromStdString(ApplicationTitle()),
                         FromUtf8(text));
}

} // namespace tk
