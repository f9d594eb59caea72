#include "session/config_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

namespace {

using namespace duruz;

// A file another program holds is not loaded, and the reader holds it alone while it
// reads.
TEST(ConfigFile, ReaderAndAnotherProgramHoldTheFileAlone) {
    testing_support::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.File("Config.Ini");
    const auto openAsAnotherProgram = [&path](DWORD share) {
        return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    HANDLE other = openAsAnotherProgram(0);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ConfigReader(path).ReadError().empty()); // there, but held: not read
    CloseHandle(other);
    std::ofstream(path, std::ios::binary) << "SwpSp 0                \r\n";
    {
        ConfigReader reader(path);
        ASSERT_TRUE(reader.IsOpen());
        other = openAsAnotherProgram(FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        ASSERT_TRUE(reader.ReadConfigLine());
        EXPECT_STREQ(reader.Value(), "0 ");
    }
    other = openAsAnotherProgram(0); // closed with the reader
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
}

} // namespace
