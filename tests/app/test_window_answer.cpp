// The window keeps answering while the link works: a 20 ms timer on its thread fires on
// time with a device that never stops talking, which the link gives up draining with one
// line in the memo, and with the simulator streaming.

#include "app/port_provider.h"
#include "app/tform2.h"
#include "support/latency_probe.h"
#include "support/talking_peer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using testing_support::ProbeLateness;

// The sanitizer builds run several times slower; the bound there only guards against a
// window that waits on the line for whole reads.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kP95BoundMs = 400;
#else
constexpr double kP95BoundMs = 100;
#endif

TEST(WindowAnswer, StaysPromptWithTheSimulatorAndWithAChatteringDevice) {
    // A kilobyte a millisecond keeps the line busy even when a loaded machine runs the
    // peer's thread late.
    testing_support::TalkingPeer peer(std::string(1024, 'c'), 1ms);
    ASSERT_FALSE(peer.path.empty()) << "no pseudo-terminal";
    testing_support::TempFolder folder;
    duruz::DefaultPortProvider ports;
    duruz::FormEnvironment environment;
    environment.ports = &ports;
    environment.sysfsRoot = folder.File("sys"); // no devices of this machine
    environment.configPath = folder.File("Config.Ini");
    environment.extraPorts = {peer.path};
    const auto before = std::chrono::steady_clock::now();
    duruz::TForm2 form(std::move(environment));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s) << "start-up held by the line";
    EXPECT_LT(ProbeLateness(1500ms).P95(), kP95BoundMs) << "with the device";
    // Every re-request drains again, so one of them gives up on the line.
    const auto busy = [&] {
        const auto lines = form.Display.Lines();
        return std::count(lines.begin(), lines.end(), "   line busy: stale bytes dropped") > 0;
    };
    for (int i = 0; i < 50 && !busy(); ++i)
        ProbeLateness(100ms);
    EXPECT_TRUE(busy());
    EXPECT_EQ(peer.Received().substr(0, 4), "%z\r\n");

    form.ComPort.UserSelect(1);
    EXPECT_LT(ProbeLateness(1500ms).P95(), kP95BoundMs) << "with the simulator";
}

} // namespace
