#include "toolkit/image_export.h"

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/image_canvas.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QSaveFile>
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

bool SaveImagePng(ImageCanvas& canvas, const ImageRect& part, const std::string& path,
                  std::string& error) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!Part(canvas, part).save(&file, "PNG")) {
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
