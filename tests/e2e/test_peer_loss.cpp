// The instrument going away in the middle of a frame, and coming back.

#include "e2e/capture_frame.h"
#include "e2e/config_text.h"
#include "e2e/program_run.h"
#include "e2e/scripted_peer.h"
#include "e2e/trace_pixels.h"
#include "e2e/virtual_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using e2e::ProgramRun;
using e2e::ScriptedPeer;
using Clock = ScriptedPeer::Clock;

constexpr std::size_t kStartUpRequests = 3;

// Points the link at another device, as socat does with its pty links: the
// program's port row names the link, whichever pseudo-terminal is behind it.
bool PointLink(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 &&
           std::rename(fresh.c_str(), link.c_str()) == 0;
}

// The peer hangs up after half a frame. The program keeps running without
// spinning; a click on the port row, once a new peer stands behind the row's
// path, opens it, and its frames are drawn. Closing still saves the settings.
TEST(PeerLoss, HangUpMidFrameLeavesTheProgramRunningAndTheRowReopens) {
    if (!e2e::VirtualDisplay::ToolsAvailable())
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and xdotool";
    e2e::VirtualDisplay display;
    ASSERT_TRUE(display.Ok());
    auto first = std::make_unique<ScriptedPeer>();
    ASSERT_TRUE(first->Ok());
    e2e::TempDir links;
    ASSERT_TRUE(links.Ok());
    const std::string link = links / "ttyDuruz";
    ASSERT_TRUE(PointLink(link, first->SlavePath()));

    ProgramRun run({link}, display.Name());
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();
    ASSERT_TRUE(first->WaitFor([&] { return first->Requests() >= kStartUpRequests; }, 10s));

    // The timer's next request gets the header and a quarter of the samples.
    const int period = 512, low = -1024, high = 1024, level = -1536;
    first->AnswerOnceThenHangUp(e2e::SquareWaveFrame(period, low, high, level), 128 + 2048);
    ASSERT_TRUE(first->WaitFor([&] { return first->HungUp(); }, 20s))
        << first->Requests() << " requests";
    first.reset();

    const double cpuBefore = run.Process().CpuSeconds();
    const auto since = Clock::now();
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(run.Process().Running()) << run.Output();
    const double cpu = run.Process().CpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - since).count();
    EXPECT_LT(cpu, 0.5 * wall) << "busy on the hung-up line";

    const auto window = display.FindWindow("RORU-Duruz Rev 1.36", 20s);
    ASSERT_TRUE(window.has_value());
    const e2e::TraceArea area = e2e::TraceAreaOf(window->width, window->height);

    ScriptedPeer second;
    ASSERT_TRUE(second.Ok());
    second.AnswerWith(e2e::SquareWaveFrame(period, high, low, -level));
    ASSERT_TRUE(PointLink(link, second.SlavePath()));
    // The port row: the list sits at (840, 36) on the strip, which lies on the
    // 11-pixel position bar at the bottom.
    const int stripTop = window->height - 11 - 99;
    ASSERT_TRUE(display.Click(*window, 840 + 40, stripTop + 36 + 8));
    ASSERT_TRUE(second.WaitFor([&] { return second.Requests() >= 1; }, 15s))
        << "the row was not reopened: " << second.Received();
    EXPECT_EQ(second.Received().substr(0, 4), "%z\r\n");

    std::string complaint = "no screenshot";
    const auto deadline = Clock::now() + 20s;
    while (!complaint.empty() && Clock::now() < deadline) {
        if (auto shot = display.Capture(*window))
            complaint = e2e::CheckSquareWave(*shot, area, period, high, low, -level);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(complaint, "");

    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0) << run.Output();
    e2e::SavedSettings saved;
    saved.portPath = link;
    saved.width = window->width;
    saved.height = window->height;
    EXPECT_EQ(run.ReadConfig(), e2e::ConfigText(saved));
}

} // namespace
