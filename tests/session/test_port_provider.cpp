// The rows of the port list opened through OpenPort with the default provider: the
// simulator row in-process, and a device row on duruz-sim's pseudo-terminal, with a
// capture time and bytes in USB packets, through the POSIX serial port and the
// link's own capture loop.

#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "session/port_provider.h"
#include "sim/sim_test_helpers.h"
#include "support/recording_log.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

TEST(SimEndToEnd, FrameOverAPseudoTerminalMatchesTheModel) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    if (fork() == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // it goes with the test
        dup2(out[1], STDOUT_FILENO);
        execl(DURUZ_SIM_PATH, DURUZ_SIM_PATH, "--seed", "42", "--no-noise", "--stray", "5",
              "--capture-ms", "30", "--usb-latency", "16", nullptr);
        _exit(127);
    }
    close(out[1]);
    // Its first line, written at once, is the slave's path; a failed start closes the pipe.
    char path[256] = "";
    ASSERT_GT(read(out[0], path, sizeof path - 1), 0);
    close(out[0]);
    path[std::strcspn(path, "\n")] = '\0';

    duruz::DefaultPortProvider provider;
    duruz::SerialLink link;
    link.TimerInterval = 250;
    duruz::EnumeratePorts(link, {.sysfsRoot = "/nonexistent", .extraPaths = {path}});
    testing_support::RecordingLog log;
    ASSERT_TRUE(duruz::OpenPort(link, provider, 1, log).Value().Configured());
    EXPECT_EQ(link.PortHandle, &provider.Simulator());
    ASSERT_TRUE(duruz::OpenPort(link, provider, 0, log).Value().Configured());
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

// --link puts a link to the slave in place of an older link for the run and takes
// it away at SIGTERM; a file that is no link is left as it is, exit status 1.
TEST(SimEndToEnd, LinkToTheSlaveForTheRunButNeverOverAFile) {
    testing_support::TempFolder folder;
    const std::string link = folder.File("sim"), notes = folder.File("notes");
    std::filesystem::create_symlink("/nonexistent", link);
    std::ofstream(notes) << "mine\n";
    const std::string sim = "exec " DURUZ_SIM_PATH " --link ";
    FILE* run = popen(("echo $$; " + sim + link).c_str(), "r"); // the shell's id is the sim's
    int pid = 0;
    char slave[256] = "";
    ASSERT_EQ(std::fscanf(run, "%d %255s", &pid, slave), 2);
    EXPECT_EQ(std::filesystem::read_symlink(link), slave);
    kill(pid, SIGTERM);
    EXPECT_EQ(pclose(run), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::system((sim + notes + " 2>/dev/null").c_str()), 1 << 8);
    EXPECT_EQ(testing_support::ReadFile(notes), "mine\n");
    // A circuit and a mismatch are taken; a malformed one is refused, saying why.
    EXPECT_EQ(std::system(DURUZ_SIM_PATH " --dut lowpass:1e3 --mismatch 1:2 --help >/dev/null"), 0);
    EXPECT_EQ(std::system(DURUZ_SIM_PATH " --dut lowpass:1k 2>/dev/null"), 2 << 8);
    EXPECT_EQ(
        std::system(DURUZ_SIM_PATH " --dut lowpass:1k 2>&1 | grep -q '^duruz-sim: --dut takes'"),
        0);
}

} // namespace
