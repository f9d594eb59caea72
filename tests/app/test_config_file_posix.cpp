#include "app/config_file.h"
#include "app/config_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace duruz {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

TEST_F(ConfigFolder, SaveThatFailsHalfwayKeepsTheOldFile) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    // The file size limit holds even for root.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit tight{100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const SaveOutcome saved = WriteConfigFile(path.string(), std::string(2000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(saved, SaveOutcome::Failed);
    EXPECT_EQ(ReadAll(path), "SwpSp 1\r\n");
    EXPECT_EQ(Entries(), Lines{"Config.Ini"});
}

TEST_F(ConfigFolder, SaveThroughALinkReplacesItsTargetAndKeepsTheLink) {
    fs::create_directory(dir_ / "setups");
    std::ofstream(dir_ / "setups" / "bench.ini", std::ios::binary) << "old";
    fs::create_symlink("setups/bench.ini", dir_ / "Config.Ini");
    fs::create_symlink("Config.Ini", dir_ / "Second.Ini"); // a chain of two
    EXPECT_EQ(WriteConfigFile((dir_ / "Second.Ini").string(), "SwpSp 0\r\n"),
              SaveOutcome::Replaced);
    EXPECT_TRUE(fs::is_symlink(dir_ / "Second.Ini"));
    EXPECT_EQ(fs::read_symlink(dir_ / "Config.Ini"), "setups/bench.ini");
    EXPECT_EQ(ReadAll(dir_ / "setups" / "bench.ini"), "SwpSp 0\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "setups"), {}), 1);
}

// A writable file in a folder this user cannot write: the superuser writes every folder,
// so the save then runs as `nobody` in a child process.
TEST_F(ConfigFolder, WritableFileInAFolderThatTakesNoNewFileIsSavedInPlace) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "an older and longer file\r\n";
    fs::permissions(path, fs::perms(0666));
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (root && nobody == nullptr)
        GTEST_SKIP() << "running as root with no user `nobody` to drop to";
    // Read and search for everyone, writable by nobody but the owner.
    fs::permissions(dir_, fs::perms(root ? 0755 : 0555));
    if (!root && access(dir_.c_str(), W_OK) == 0)
        GTEST_SKIP() << "the folder cannot be made unwritable for this user";
    // Exit status 100: the case could not be set up (no drop to nobody, or the folder is
    // still writable).
    EXPECT_EXIT(
        {
            if ((root && setuid(nobody->pw_uid) != 0) || access(dir_.c_str(), W_OK) == 0)
                std::_Exit(100);
            std::_Exit(static_cast<int>(WriteConfigFile(path.string(), "SwpSp 0\r\n")));
        },
        testing::ExitedWithCode(static_cast<int>(SaveOutcome::WrittenInPlace)), "");
    fs::permissions(dir_, fs::perms(0755));
    EXPECT_EQ(ReadAll(path), "SwpSp 0\r\n");
    EXPECT_EQ(Entries(), Lines{"Config.Ini"});
}

} // namespace
} // namespace duruz
