#include "base/whole_file_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace duruz;

using testing_support::ReadFile;

// A file another program holds is not replaced, and no temporary is left beside it;
// once it is let go it is replaced whole.
TEST(WholeFileWriter, LeavesAFileAnotherProgramHoldsAsItIs) {
    testing_support::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const std::string path = folder.File("Config.Ini");
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteWholeFile(path, "SwpSp 0                \r\n").Reason().empty());
    CloseHandle(other);
    EXPECT_EQ(ReadFile(path), "SwpSp 1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    const Result<FileWritten> written = WriteWholeFile(path, "SwpSp 0                \r\n");
    EXPECT_TRUE(written.Ok() && written.Value() == FileWritten::Replaced) << written.Reason();
    EXPECT_EQ(ReadFile(path), "SwpSp 0                \r\n");
}

} // namespace
