// The window keeps answering while the link works: a 20 ms timer on its thread
// fires on time with the simulator streaming and with a device that never stops
// talking, which the link gives up draining with one line in the memo.

#include "app/port_provider.h"
#include "app/tform2.h"
#include "support/latency_probe.h"
#include "support/talking_peer.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using testing_support::ProbeLateness;

// The sanitizer builds run several times slower; the bound there only guards
// against a window that waits on the line for whole reads.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kP95BoundMs = 400;
#else
constexpr double kP95BoundMs = 100;
#endif

duruz::FormEnvironment Environment(duruz::DefaultPortProvider& ports,
                                   const testing_support::TempFolder& folder) {
    duruz::FormEnvironment environment;
    environment.ports = &ports;
    environment.sysfsRoot = folder.Path() + "/sys"; // no devices of this machine
    environment.configPath = folder.Path() + "/Config.Ini";
    return environment;
}

bool MemoHolds(duruz::TForm2& form, const std::string& line) {
    int i = 0;
    while (i < form.Display.LineCount() && form.Display.Line(i) != line)
        ++i;
    return i < form.Display.LineCount();
}

TEST(WindowAnswer, StaysPromptWithTheSimulatorAndWithAChatteringDevice) {
    {
        testing_support::TempFolder folder;
        duruz::DefaultPortProvider ports;
        duruz::TForm2 form(Environment(ports, folder));
        const auto lateness = ProbeLateness(1500ms);
        EXPECT_LT(lateness.P95(), kP95BoundMs) << "max " << lateness.Max();
    }

    // A kilobyte a millisecond keeps the line busy even when a loaded machine runs
    // the peer's thread late.
    testing_support::TalkingPeer peer(std::string(1024, 'c'), 1ms);
    ASSERT_FALSE(peer.path.empty()) << "no pseudo-terminal";
    testing_support::TempFolder folder;
    duruz::DefaultPortProvider ports;
    duruz::FormEnvironment environment = Environment(ports, folder);
    environment.extraPorts = {peer.path};
    const auto before = std::chrono::steady_clock::now();
    duruz::TForm2 form(std::move(environment));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s) << "start-up held by the line";
    const auto lateness = ProbeLateness(1500ms);
    EXPECT_LT(lateness.P95(), kP95BoundMs) << "max " << lateness.Max();
    // Every re-request drains again, so one of them gives up on the line.
    for (int i = 0; i < 50 && !MemoHolds(form, "   line busy: stale bytes dropped"); ++i)
        ProbeLateness(100ms);
    EXPECT_TRUE(MemoHolds(form, "   line busy: stale bytes dropped"));
    EXPECT_EQ(peer.Received().substr(0, 4), "%z\r\n");
}

} // namespace
