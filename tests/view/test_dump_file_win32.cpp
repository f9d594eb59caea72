#include "view/dump_file.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// While the dump is written no other program gets in, not even to read; a file held
// by another program, or one in a missing folder, means no dump, nothing changed and
// no folder made.
TEST(DumpFileOnWindows, AppendsAndHoldsTheFileAlone) {
    const testing_support::TempFolder folder("duruz-dump");
    const std::string path = folder.File("Log.Txt"), absent = folder.File("absent");
    const auto open = [&](DWORD share) {
        return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    std::ofstream(path, std::ios::binary) << "earlier\r\n";
    std::FILE* file = duruz::OpenDumpForAppend(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(open(FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    std::fputs("Info2\r", file);
    ASSERT_EQ(std::fclose(file), 0);
    const HANDLE other = open(0);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(duruz::OpenDumpForAppend(path), nullptr);
    CloseHandle(other);
    EXPECT_EQ(duruz::OpenDumpForAppend(absent + "/Log.Txt"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(absent));
    EXPECT_EQ(testing_support::ReadFile(path), "earlier\r\nInfo2\r");
}

} // namespace
