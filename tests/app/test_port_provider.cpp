// The rows of the port list opened through OpenPort with the default provider: the
// simulator row in-process, and a device row on duruz-sim's pseudo-terminal with the
// POSIX serial port and the link's own capture loop.

#include "app/port_provider.h"
#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "sim/sim_test_helpers.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

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
              nullptr);
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
    ASSERT_EQ(duruz::OpenPort(link, provider, 1, log), duruz::OpenOutcome::Configured);
    EXPECT_EQ(link.PortHandle, &provider.Simulator());
    ASSERT_EQ(duruz::OpenPort(link, provider, 0, log), duruz::OpenOutcome::Configured);
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
