#include "base/whole_file_writer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace duruz;

namespace fs = std::filesystem;
using testing_support::ReadFile;

// Writes onto a folder, that fail halfway, through a chain of links, onto a
// read-only file, and into a folder that takes no new file; none leaves a
// temporary behind.
TEST(WholeFileWriter, KeepsTheOldFileOnFailureFollowsLinksAndWritesInPlaceWhenItMust) {
    testing_support::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const fs::path dir = folder.Path();
    const std::string path = folder.File("Config.Ini");
    const auto entries = [&dir] { return std::distance(fs::directory_iterator(dir), {}); };
    fs::create_directory(path);
    EXPECT_EQ(std::tuple(WriteWholeFile(path, "SwpSp 1\r\n").Reason(), fs::is_directory(path)),
              std::tuple("Is a directory", true));
    fs::remove(path);
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    rlimit old{}; // the file size limit holds even for root
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit tight{100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const Result<FileWritten> saved = WriteWholeFile(path, std::string(2000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(std::tuple(saved.Reason(), ReadFile(path), entries()),
              std::tuple("File too large", "SwpSp 1\r\n", 1));
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(std::tuple(IsReadOnlyFile(path), WriteWholeFile(path, "x").Reason(), ReadFile(path)),
              std::tuple(true, kReadOnlyFileReason, "SwpSp 1\r\n"));

    fs::create_directory(dir / "setups");
    std::ofstream(dir / "setups" / "bench.ini", std::ios::binary) << "old";
    fs::create_symlink("setups/bench.ini", dir / "Linked.Ini");
    fs::create_symlink("Linked.Ini", dir / "Second.Ini");
    const Result<FileWritten> linked = WriteWholeFile((dir / "Second.Ini").string(), "SwpSp 0\r\n");
    EXPECT_TRUE(linked.Ok() && linked.Value() == FileWritten::Replaced) << linked.Reason();
    EXPECT_EQ(std::tuple(fs::is_symlink(dir / "Second.Ini"), fs::read_symlink(dir / "Linked.Ini"),
                         ReadFile(dir / "setups" / "bench.ini"),
                         std::distance(fs::directory_iterator(dir / "setups"), {})),
              std::tuple(true, "setups/bench.ini", "SwpSp 0\r\n", 1));

    // A writable file in a folder this user cannot write: the superuser writes every
    // folder, so the save then runs as `nobody` in a child process.
    fs::permissions(path, fs::perms(0666));
    std::ofstream(path, std::ios::binary) << "an older and longer file\r\n";
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (root && nobody == nullptr)
        GTEST_SKIP() << "running as root with no user `nobody` to drop to";
    fs::permissions(dir, fs::perms(root ? 0755 : 0555));
    if (!root && access(dir.c_str(), W_OK) == 0)
        GTEST_SKIP() << "the folder cannot be made unwritable for this user";
    // Exit status 100: the child could not drop to nobody, or the folder is still writable.
    EXPECT_EXIT(
        {
            if ((root && setuid(nobody->pw_uid) != 0) || access(dir.c_str(), W_OK) == 0)
                std::_Exit(100);
            const Result<FileWritten> written = WriteWholeFile(path, "SwpSp 0\r\n");
            std::_Exit(written.Ok() && written.Value() == FileWritten::WrittenInPlace ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    fs::permissions(dir, fs::perms(0755));
    EXPECT_EQ(std::tuple(ReadFile(path), entries()), std::tuple("SwpSp 0\r\n", 4));
}

} // namespace
