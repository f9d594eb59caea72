#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace duruz {

// A fresh, empty folder for each settings-file test, removed afterwards.
class ConfigFolder : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        const std::filesystem::path base = testing::TempDir();
        for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
            const auto candidate = base / ("config_" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                dir_ = candidate;
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    static std::string ReadAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
};

} // namespace duruz
