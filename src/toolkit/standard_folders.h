#pragma once

#include <string>

namespace tk {

// The user's standard folders, as UTF-8 paths; empty when unknown.
std::string DownloadsFolder();
std::string PicturesFolder();
std::string DocumentsFolder();

} // namespace tk
