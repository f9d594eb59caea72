#include "app/config_file.h"
#include "app/config_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace duruz {
namespace {

TEST_F(ConfigFolder, SaveThatFailsHalfwayKeepsTheOldFile) {
    const auto path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";

    // The file size limit holds even for root.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved = WriteConfigFile(path.string(), std::string(2000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);

    EXPECT_EQ(ReadAll(path), "SwpSp 1\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});
}

} // namespace
} // namespace duruz
