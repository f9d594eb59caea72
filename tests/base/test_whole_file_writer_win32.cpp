#include "base/whole_file_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A file another program holds is not replaced, and no temporary is left beside it;
// once it is let go it is replaced whole.
TEST(WholeFileWriter, LeavesAFileAnotherProgramHoldsAsItIs) {
    const testing_support::TempFolder folder;
    const std::string path = folder.File("Config.Ini");
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const std::string refused = duruz::WriteWholeFile(path, "SwpSp 0\r\n").Reason();
    CloseHandle(other);
    EXPECT_EQ(std::tuple(refused.empty(), testing_support::ReadFile(path),
                         std::distance(std::filesystem::directory_iterator(folder.Path()), {})),
              std::tuple(false, "SwpSp 1\r\n", 1));
    EXPECT_EQ(duruz::WriteWholeFile(path, "SwpSp 0\r\n").Value(), duruz::FileWritten::Replaced);
    EXPECT_EQ(testing_support::ReadFile(path), "SwpSp 0\r\n");
}

} // namespace
