#pragma once

#include <string>

namespace duruz {

// The local time now as text, in a strftime format.
std::string LocalTime(const char* format);

// A file name in a folder, or the name alone when the folder is unknown.
std::string InFolder(const std::string& folder, const std::string& name);

} // namespace duruz
