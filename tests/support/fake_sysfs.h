#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

// A throw-away sysfs tree in a temp directory: <root>/class/tty/<name>/... as the
// kernel lays it out, with plain directories in place of the driver symlinks.
class FakeSysfs {
public:
    FakeSysfs() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "duruz-sysfs-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        std::filesystem::create_directories(TtyClass());
    }
    ~FakeSysfs() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    const std::string& Root() const { return root_; }

    // A device bound to a driver; uartType, when given, goes into its "type" file.
    void AddDevice(const std::string& name, const char* uartType = nullptr) {
        std::filesystem::create_directories(TtyClass() / name / "device" / "driver");
        if (uartType != nullptr)
            std::ofstream(TtyClass() / name / "type") << uartType << '\n';
    }
    // A virtual terminal: listed by the kernel, but with no driver behind it.
    void AddVirtual(const std::string& name) {
        std::filesystem::create_directories(TtyClass() / name);
    }
    void SetActiveConsole(const std::string& names) {
        std::filesystem::create_directories(TtyClass() / "console");
        std::ofstream(TtyClass() / "console" / "active") << names << '\n';
    }

private:
    std::filesystem::path TtyClass() const {
        return std::filesystem::path(root_) / "class" / "tty";
    }

    std::string root_;
};

} // namespace testing_support
