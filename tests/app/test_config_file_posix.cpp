#include "app/config_file.h"
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

// Saves onto a folder, that fail halfway, through a chain of links,
// and into a folder that takes no new file; none leaves a temporary behind.
TEST(ConfigFile, SaveKeepsTheOldFileOnFailureFollowsLinksAndWritesInPlaceWhenItMust) {
    testing_support::TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    const fs::path dir = folder.Path();
    const std::string path = folder.File("Config.Ini");
    const auto entries = [&dir] { return std::distance(fs::directory_iterator(dir), {}); };
    std::string error;
    fs::create_directory(path);
    EXPECT_EQ(std::tuple(WriteConfigFile(path, "SwpSp 1\r\n", error), fs::is_directory(path)),
              std::tuple(SaveOutcome::Failed, true));
    fs::remove(path);
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";
    rlimit old{}; // the file size limit holds even for root
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit tight{100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const SaveOutcome saved = WriteConfigFile(path, std::string(2000, 'x'), error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(std::tuple(saved, error, ReadFile(path), entries()),
              std::tuple(SaveOutcome::Failed, "File too large", "SwpSp 1\r\n", 1));

    fs::create_directory(dir / "setups");
    std::ofstream(dir / "setups" / "bench.ini", std::ios::binary) << "old";
    fs::create_symlink("setups/bench.ini", dir / "Linked.Ini");
    fs::create_symlink("Linked.Ini", dir / "Second.Ini");
    EXPECT_EQ(WriteConfigFile((dir / "Second.Ini").string(), "SwpSp 0\r\n", error),
              SaveOutcome::Replaced);
    EXPECT_EQ(std::tuple(fs::is_symlink(dir / "Second.Ini"), fs::read_symlink(dir / "Linked.Ini"),
                         ReadFile(dir / "setups" / "bench.ini"),
                         std::distance(fs::directory_iterator(dir / "setups"), {})),
              std::tuple(true, "setups/bench.ini", "SwpSp 0\r\n", 1));

    // A writable file in a folder this user cannot write: the superuser writes every
    // folder, so the save then runs as `nobody` in a child process.
    std::ofstream(path, std::ios::binary) << "an older and longer file\r\n";
    fs::permissions(path, fs::perms(0666));
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
            std::_Exit(static_cast<int>(WriteConfigFile(path, "SwpSp 0\r\n", error)));
        },
        testing::ExitedWithCode(static_cast<int>(SaveOutcome::WrittenInPlace)), "");
    fs::permissions(dir, fs::perms(0755));
    EXPECT_EQ(std::tuple(ReadFile(path), entries()), std::tuple("SwpSp 0\r\n", 4));
}

} // namespace
