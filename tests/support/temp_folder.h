#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace testing_support {

// A private folder under the system's temporary folder, removed with everything in
// it when the test is done with it. Path() is empty when no folder could be made.
class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "duruz") {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   (std::string(prefix) + "-" + std::to_string(random()));
            std::error_code failed;
            // create_directory is false for a folder that exists: someone else's.
            if (std::filesystem::create_directory(candidate, failed))
                path_ = candidate.string();
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// A file's bytes as they are on disk; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace testing_support
