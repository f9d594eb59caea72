// The capture loop of the real program: requests repeated towards a silent
// instrument, frames asked for, taken in and drawn; then the instrument going away
// in the middle of a frame, and coming back.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <unistd.h>

namespace {

using namespace e2e;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Points the link at another device, as socat does with its pty links: the
// program's port row names the link, whichever pseudo-terminal is behind it.
bool PointLink(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 &&
           std::rename(fresh.c_str(), link.c_str()) == 0;
}

// On a silent line each tick spends ten empty reads of 129 ms, and a request is
// repeated once it has waited two ticks: one tick after start-up, every two ticks
// after that. Open, generator A and generator B make the three start-up requests.
// Then the peer hangs up after a quarter of a frame. The program lets the line go
// and waits without spinning; once a new peer stands behind the row's path it opens
// it by itself, sends the whole setting, and draws its frames. Closing still saves
// the settings.
TEST(Capture, FramesAreAskedForAndDrawnAndALostPeerIsReopenedWithTheSetting) {
    Display display;
    ASSERT_NE(display.name, "");
    auto first = std::make_unique<Peer>();
    Program run;
    const std::string link = run.folder + "/ttyDuruz";
    ASSERT_TRUE(PointLink(link, first->path));
    ASSERT_TRUE(run.Start({link}, display.name)) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() >= 6; }, 20s))
        << first->Requests().size() << " requests";
    const std::vector<Clock::time_point> times = first->Requests();
    const double emptyRead = 0.129;
    EXPECT_GE(Seconds(times[3] - times[2]), 10 * emptyRead - 0.05);
    EXPECT_LE(Seconds(times[3] - times[2]), 4.0);
    for (std::size_t i = 4; i < 6; ++i) {
        // Two ticks of ten empty reads at the least; the drain on a silent line
        // ends after 2 ms.
        EXPECT_GE(Seconds(times[i] - times[i - 1]), 20 * emptyRead - 0.05) << "request " << i;
        EXPECT_LE(Seconds(times[i] - times[i - 1]), 6.0) << "request " << i;
    }

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    // The design place and size; no window manager is there to maximise it.
    ASSERT_EQ(std::vector({window->x, window->y, window->width, window->height}),
              std::vector({0, 277, 1511, 899}));
    // A square wave on channel 1, a level on channel 2; clear of the graticule
    // lines, the level marker and the top edge. Each new frame is drawn.
    for (const short sign : {1, -1}) {
        SCOPED_TRACE(sign);
        const short low = short(-1024 * sign), high = short(1024 * sign),
                    level = short(-1536 * sign);
        first->Answer(SquareFrame(low, high, level));
        const std::size_t asked = first->Requests().size();
        EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, low, high, level); }, 20s));
        // Frames keep coming: every answered request is followed by another.
        EXPECT_TRUE(WaitFor([&] { return first->Requests().size() >= asked + 4; }, 15s));
    }

    // The next request gets the header and a quarter of the samples; once the
    // program has taken them in, the line closes.
    first->Answer(SquareFrame(-1024, 1024, -1536).substr(0, 128 + 2048), true);
    const std::size_t asked = first->Requests().size();
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() > asked; }, 20s));
    std::this_thread::sleep_for(500ms); // the bytes reach the slave's queue
    ASSERT_TRUE(WaitFor([&] { return first->Unread() == 0; }, 10s));
    first.reset();

    std::this_thread::sleep_for(500ms); // the hang-up is seen
    const double cpuBefore = run.child->CpuSeconds();
    const auto since = Clock::now();
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(run.child->Running()) << run.Output();
    EXPECT_LT(run.child->CpuSeconds() - cpuBefore, 0.05 * Seconds(Clock::now() - since))
        << "busy on the hung-up line";

    Peer second;
    second.Answer(SquareFrame(1024, -1024, 1536));
    ASSERT_TRUE(PointLink(link, second.path));
    // What start-up sends with no Config.Ini once the sync lists are settled.
    const std::string wholeSetting = kRequest + "%S11 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                     "%Y7\r" + "%G00200.000000,1.000000" + kRequest +
                                     "%G10201.000000,1.000000" + kRequest;
    EXPECT_TRUE(WaitFor([&] { return second.Received().size() >= wholeSetting.size(); }, 2s))
        << "not reopened within 2 s: " << second.Received();
    ASSERT_TRUE(WaitFor([&] { return second.Received().size() >= wholeSetting.size(); }, 10s));
    EXPECT_EQ(second.Received().substr(0, wholeSetting.size()), wholeSetting);
    EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, 1024, -1024, 1536); }, 20s));

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(run.ReadConfig(), ConfigText(link));
}

} // namespace
