#include "app/config_file.h"
#include "app/config_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace duruz {
namespace {

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
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});
}

// Runs `work` in a child process and returns its exit code; a child that does not
// end within 5 s is stopped and counts as hung (-1).
template <typename F> int InChild(F work) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(5);
        _exit(work());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A FIFO would block the open and /dev/zero never ends; both count as no file.
TEST_F(ConfigFolder, AnythingButARegularFileIsNotRead) {
    const auto path = dir_ / "Config.Ini";
    const struct {
        const char* what;
        void (*make)(const std::filesystem::path&);
    } cases[] = {
        {"FIFO", [](const std::filesystem::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"link to /dev/zero",
         [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); }},
        {"folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); }},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(path);
        row.make(path);
        const int code = InChild([&] {
            ConfigReader reader(path.string());
            return !reader.IsOpen() && reader.NotRegularFile() && !reader.ReadConfigLine() ? 0 : 1;
        });
        EXPECT_EQ(code, 0) << (code == -1 ? "reading hung" : "the reader took it as a file");
    }
}

TEST_F(ConfigFolder, SaveThroughALinkReplacesItsTargetAndKeepsTheLink) {
    std::filesystem::create_directory(dir_ / "setups");
    const auto target = dir_ / "setups" / "bench.ini";
    std::ofstream(target, std::ios::binary) << "old";
    std::filesystem::create_symlink("setups/bench.ini", dir_ / "Config.Ini");
    std::filesystem::create_symlink("Config.Ini", dir_ / "Second.Ini"); // a chain of two

    EXPECT_EQ(WriteConfigFile((dir_ / "Second.Ini").string(), "SwpSp 0\r\n"),
              SaveOutcome::Replaced);
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "Config.Ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "Second.Ini"));
    EXPECT_EQ(ReadAll(target), "SwpSp 0\r\n");
    EXPECT_EQ(std::filesystem::read_symlink(dir_ / "Config.Ini"), "setups/bench.ini");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "setups"), {}), 1);
}

// A writable file in a folder this user cannot write: the superuser writes every
// folder, so the save then runs as `nobody` in a child process.
TEST_F(ConfigFolder, WritableFileInAFolderThatTakesNoNewFileIsSavedInPlace) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "an older and longer file\r\n";
    std::filesystem::permissions(
        path, std::filesystem::perms::all & ~std::filesystem::perms::owner_exec &
                  ~std::filesystem::perms::group_exec & ~std::filesystem::perms::others_exec);
    const passwd* nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    if (root && nobody == nullptr)
        GTEST_SKIP() << "running as root with no user `nobody` to drop to";
    // Read and search for everyone, writable by nobody but the owner.
    std::filesystem::permissions(dir_, root ? std::filesystem::perms(0755)
                                            : std::filesystem::perms(0555));
    if (!root && access(dir_.c_str(), W_OK) == 0)
        GTEST_SKIP() << "the folder cannot be made unwritable for this user";
    const int code = InChild([&] {
        if (root && setuid(nobody->pw_uid) != 0)
            return 100;
        if (access(dir_.c_str(), W_OK) == 0)
            return 101; // the folder is still writable: the case is not set up
        return static_cast<int>(WriteConfigFile(path.string(), "SwpSp 0\r\n"));
    });
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    ASSERT_LT(code, 100) << "could not drop to nobody, or the folder is still writable";
    EXPECT_EQ(code, static_cast<int>(SaveOutcome::WrittenInPlace));
    EXPECT_EQ(ReadAll(path), "SwpSp 0\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});
}

} // namespace
} // namespace duruz
