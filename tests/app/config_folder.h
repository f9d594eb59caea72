#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace duruz {

// A fresh, empty folder for each settings-file test, removed afterwards. Made here
// rather than with support/temp_folder.h, whose mkdtemp the Windows build lacks.
class ConfigFolder : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = std::filesystem::path(testing::TempDir()) / ("config_" + std::to_string(random()));
        if (!std::filesystem::create_directory(dir_))
            dir_.clear(); // someone else's: never removed
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ignored);
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        return names;
    }
    static std::string ReadAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
};

} // namespace duruz
