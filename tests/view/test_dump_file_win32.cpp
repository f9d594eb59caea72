#include "view/dump_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

HANDLE OpenShared(const std::filesystem::path& path) {
    return CreateFileA(path.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(DumpFileOnWindows, AppendsAndHoldsTheFileAlone) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("duruz-dump-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const auto path = folder / "Log.Txt";
    std::ofstream(path, std::ios::binary) << "earlier\r\n";

    std::FILE* file = duruz::OpenDumpForAppend(path.string());
    ASSERT_NE(file, nullptr);
    // While the dump is written, no other program gets in, not even to read.
    HANDLE other = OpenShared(path);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);
    std::fputs("Info2\r", file);
    ASSERT_EQ(std::fclose(file), 0);
    EXPECT_EQ(ReadAll(path), "earlier\r\nInfo2\r");

    // Held by another program: no dump, and the file is left as it was.
    other = CreateFileA(path.string().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(duruz::OpenDumpForAppend(path.string()), nullptr);
    CloseHandle(other);
    EXPECT_EQ(ReadAll(path), "earlier\r\nInfo2\r");

    // A missing folder (or drive) means no dump and no folder made.
    EXPECT_EQ(duruz::OpenDumpForAppend((folder / "absent" / "Log.Txt").string()), nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder / "absent"));
    std::filesystem::remove_all(folder);
}

} // namespace
