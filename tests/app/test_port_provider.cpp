// The rows of the port list opened through OpenPort with the default provider: the
// simulator row in-process, and a device row on duruz-sim's pseudo-terminal with the
// POSIX serial port and the link's own capture loop.

#include "app/port_provider.h"
#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "sim/sim_test_helpers.h"
#include "support/recording_log.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <tuple>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts duruz-sim with args and returns its process id, with the first line it
// prints, written at once, in path: the slave's path, or empty after a failed start.
pid_t StartSim(std::vector<const char*> args, std::string& path) {
    int out[2];
    if (pipe(out) != 0)
        return -1;
    args.insert(args.begin(), DURUZ_SIM_PATH);
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // it goes with the test
        dup2(out[1], STDOUT_FILENO);
        execv(DURUZ_SIM_PATH, const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(out[1]);
    char text[256] = "";
    path.assign(text, std::max<ssize_t>(read(out[0], text, sizeof text - 1), 0));
    path.resize(std::min(path.size(), path.find('\n')));
    close(out[0]);
    return pid;
}

// --link puts a link to the slave in place of an older link for the run and takes
// it away at SIGTERM; a file that is no link is left as it is, exit status 1.
TEST(SimEndToEnd, LinkToTheSlaveForTheRunButNeverOverAFile) {
    testing_support::TempFolder folder;
    const std::string link = folder.File("sim"), notes = folder.File("notes");
    std::filesystem::create_symlink("/nonexistent", link);
    std::ofstream(notes) << "mine\n";
    std::string slave;
    int status = -1;
    const pid_t sim = StartSim({"--link", link.c_str()}, slave);
    std::error_code error;
    EXPECT_EQ(std::filesystem::read_symlink(link, error).string(), slave);
    kill(sim, SIGTERM);
    waitpid(sim, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    waitpid(StartSim({"--link", notes.c_str()}, slave), &status, 0);
    EXPECT_EQ(std::tuple(status, slave, testing_support::ReadFile(notes)),
              std::tuple(1 << 8, "", "mine\n"));
}

TEST(SimEndToEnd, FrameOverAPseudoTerminalMatchesTheModel) {
    std::string path;
    StartSim({"--seed", "42", "--no-noise", "--stray", "5"}, path);
    ASSERT_FALSE(path.empty());

    duruz::DefaultPortProvider provider;
    duruz::SerialLink link;
    link.TimerInterval = 250;
    duruz::EnumeratePorts(link, {.sysfsRoot = "/nonexistent", .extraPaths = {path}});
    testing_support::RecordingLog log;
    ASSERT_TRUE(duruz::OpenPort(link, provider, 1, log));
    EXPECT_EQ(link.PortHandle, &provider.Simulator());
    ASSERT_TRUE(duruz::OpenPort(link, provider, 0, log));
    // The stray bytes before the first frame are skipped by the marker search.
    sim::SimulatedInstrument reference({.seed = 42, .noise = false});
    duruz::CaptureStore store;
    duruz::RequestCapture(link, store, log);
    bool drawn = false;
    for (int tick = 0; tick < 40 && !drawn; ++tick)
        drawn = duruz::CaptureTick(link, store, false, log).redraw;
    ASSERT_TRUE(drawn);
    // Late ticks may have asked again: compare with the model's frame of that number.
    sim_test::Bytes expected, got(store.RxBuffer.begin(), store.RxBuffer.end());
    for (std::uint32_t i = 0; i < store.HeaderWord(2) && i < 40; ++i)
        expected = sim_test::Capture(reference);
    const auto* samples = reinterpret_cast<const std::uint8_t*>(store.CaptureBuffer.data());
    got.insert(got.end(), samples, samples + 8192);
    EXPECT_EQ(got, expected);
}

} // namespace
