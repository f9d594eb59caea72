// The capture loop of the real program: frames asked for, taken in and drawn, and
// requests repeated towards a silent instrument.

#include "e2e/capture_frame.h"
#include "e2e/config_text.h"
#include "e2e/program_run.h"
#include "e2e/scripted_peer.h"
#include "e2e/trace_pixels.h"
#include "e2e/virtual_display.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using e2e::ProgramRun;
using e2e::ScriptedPeer;
using Clock = ScriptedPeer::Clock;

// Open, generator A and generator B each send one.
constexpr std::size_t kStartUpRequests = 3;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Takes screenshots until the check passes or the time is up; returns the last
// complaint, empty on success.
std::string WaitForPicture(const e2e::VirtualDisplay& display, const e2e::WindowPlace& window,
                           const std::function<std::string(const e2e::Screenshot&)>& check,
                           std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::string complaint = "no screenshot";
    do {
        if (auto shot = display.Capture(window)) {
            complaint = check(*shot);
            if (complaint.empty())
                return {};
        }
        std::this_thread::sleep_for(200ms);
    } while (Clock::now() < deadline);
    return complaint;
}

// On a silent line each tick spends ten empty reads of 129 ms, and a request is
// repeated once it has waited two ticks: one tick after start-up, every two ticks
// after that.
TEST(Capture, SilentPeerIsAskedAgainEveryTwoTicks) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    ProgramRun run({peer.SlavePath()});
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Requests() >= kStartUpRequests; }, 10s));
    const Clock::time_point startUp = peer.RequestTimes()[kStartUpRequests - 1];

    ASSERT_TRUE(peer.WaitFor([&] { return peer.Requests() >= kStartUpRequests + 3; }, 20s))
        << peer.Requests() << " requests";
    const std::vector<Clock::time_point> times = peer.RequestTimes();
    const double emptyRead = 0.129; // a 128-byte read's time-out on a silent line
    const double first = Seconds(times[kStartUpRequests] - startUp);
    EXPECT_GE(first, 10 * emptyRead - 0.05);
    EXPECT_LE(first, 4.0);
    for (std::size_t i = kStartUpRequests + 1; i < kStartUpRequests + 3; ++i) {
        const double gap = Seconds(times[i] - times[i - 1]);
        // Two ticks of ten empty reads, and the drain's one, at the least.
        EXPECT_GE(gap, 21 * emptyRead - 0.05) << "request " << i;
        EXPECT_LE(gap, 6.0) << "request " << i;
    }
    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0);
}

TEST(Capture, HoldStopsTheRequestsOfTheTimer) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    ProgramRun run({peer.SlavePath()});
    e2e::SavedSettings saved;
    saved.portPath = peer.SlavePath();
    saved.hold = 1;
    run.WriteConfig(e2e::ConfigText(saved));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();
    // Start-up still asks (the open and the generator updates do, Hold or not);
    // the timer does not, even long after the request's deadline.
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Requests() >= kStartUpRequests; }, 10s));
    EXPECT_FALSE(peer.WaitFor([&] { return peer.Requests() > kStartUpRequests; }, 4500ms))
        << "a request came with Hold on";
    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0);
    const std::string config = run.ReadConfig().value_or("");
    EXPECT_NE(config.find("\r\nHold  1                \r\n"), std::string::npos) << config;
}

TEST(Capture, FramesAreRequestedTakenInAndDrawn) {
    if (!e2e::VirtualDisplay::ToolsAvailable())
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and xdotool";
    e2e::VirtualDisplay display;
    ASSERT_TRUE(display.Ok());
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    ProgramRun run({peer.SlavePath()}, display.Name());
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Requests() >= kStartUpRequests; }, 10s));

    const auto window = display.FindWindow("RORU-Duruz Rev 1.36", 20s);
    ASSERT_TRUE(window.has_value());
    // The design place; no window manager is there to maximise it.
    EXPECT_EQ(window->x, 0);
    EXPECT_EQ(window->y, 277);
    ASSERT_EQ(window->width, 1511);
    ASSERT_EQ(window->height, 899);
    const e2e::TraceArea area = e2e::TraceAreaOf(window->width, window->height);
    ASSERT_EQ(area.height, 788);

    // Nothing is drawn before the first frame.
    const auto before = display.Capture(*window);
    ASSERT_TRUE(before.has_value());
    for (int y = 0; y <= area.height; ++y)
        for (int x = 0; x < window->width; ++x)
            ASSERT_NE(before->Pixel(x, y), e2e::kRed) << x << ", " << y;

    // A square wave of 512 samples a period on channel 1, a level on channel 2;
    // clear of the graticule lines, the level marker and the top edge.
    const int period = 512, low = -1024, high = 1024, level = -1536;
    peer.AnswerWith(e2e::SquareWaveFrame(period, low, high, level));
    std::string complaint = WaitForPicture(
        display, *window,
        [&](const e2e::Screenshot& shot) {
            return e2e::CheckSquareWave(shot, area, period, low, high, level);
        },
        20s);
    EXPECT_EQ(complaint, "");

    auto shot = display.Capture(*window);
    ASSERT_TRUE(shot.has_value());
    // The rest of the picture: the trigger markers at the middle of the bars'
    // ranges, and the graticule.
    EXPECT_EQ(shot->Pixel(area.left + area.width / 2, 50), e2e::kLime);
    EXPECT_EQ(shot->Pixel(500, area.height / 2), e2e::kLime);
    EXPECT_EQ(shot->Pixel(50, area.height / 10), e2e::kGrey);
    EXPECT_EQ(shot->Pixel(area.width / 10 + area.left, 450), e2e::kGrey);

    // Frames keep coming: every answered request is followed by another.
    const std::size_t sent = peer.FramesSent();
    EXPECT_TRUE(peer.WaitFor([&] { return peer.FramesSent() >= sent + 4; }, 15s))
        << peer.FramesSent() - sent << " more frames";

    // And each new one is drawn.
    peer.AnswerWith(e2e::SquareWaveFrame(period, high, low, -level));
    complaint = WaitForPicture(
        display, *window,
        [&](const e2e::Screenshot& shot) {
            return e2e::CheckSquareWave(shot, area, period, high, low, -level);
        },
        20s);
    EXPECT_EQ(complaint, "");

    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0);
}

} // namespace
