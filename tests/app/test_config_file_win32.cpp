#include "app/config_file.h"
#include "app/config_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace duruz {
namespace {

HANDLE OpenAsAnotherProgram(const std::filesystem::path& path, DWORD share) {
    return CreateFileA(path.string().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(ConfigFolder, LoadHoldsTheFileAlone) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "SwpSp 1                \r\n";
    {
        ConfigReader reader(path.string());
        ASSERT_TRUE(reader.IsOpen());
        HANDLE other = OpenAsAnotherProgram(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        ASSERT_TRUE(reader.ReadConfigLine());
        EXPECT_STREQ(reader.Value(), "1 ");
    }
    // Closed with the reader.
    HANDLE after = OpenAsAnotherProgram(path, 0);
    EXPECT_NE(after, INVALID_HANDLE_VALUE);
    CloseHandle(after);
}

TEST_F(ConfigFolder, FileHeldByAnotherProgramIsNeitherLoadedNorReplaced) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    HANDLE other = OpenAsAnotherProgram(path, 0);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    EXPECT_FALSE(ConfigReader(path.string()).IsOpen());
    EXPECT_EQ(WriteConfigFile(path.string(), "SwpSp 0                \r\n"), SaveOutcome::Failed);
    CloseHandle(other);

    // The old bytes stay, and no temporary is left beside them.
    EXPECT_EQ(ReadAll(path), "SwpSp 1\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});
    EXPECT_EQ(WriteConfigFile(path.string(), "SwpSp 0                \r\n"), SaveOutcome::Replaced);
    EXPECT_EQ(ReadAll(path), "SwpSp 0                \r\n");
}

} // namespace
} // namespace duruz
