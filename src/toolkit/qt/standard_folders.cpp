#include "toolkit/standard_folders.h"

#include <QStandardPaths>

namespace tk {

namespace {

std::string Folder(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location).toStdString();
}

} // namespace

std::string DownloadsFolder() {
    return Folder(QStandardPaths::DownloadLocation);
}

std::string PicturesFolder() {
    return Folder(QStandardPaths::PicturesLocation);
}

std::string DocumentsFolder() {
    return Folder(QStandardPaths::DocumentsLocation);
}

} // namespace tk
