// What the save dialogs suggest: a name with the local time in the user's folder.
#include "app/suggested_names.h"

#include <ctime>
#include <filesystem>

namespace duruz {

std::string LocalTime(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

} // namespace duruz
