// The capture loop of the real program: requests repeated towards a silent
// instrument, then frames asked for, taken in and drawn.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// On a silent line each tick spends ten empty reads of 129 ms, and a request is
// repeated once it has waited two ticks: one tick after start-up, every two ticks
// after that. Open, generator A and generator B make the three start-up requests.
TEST(Capture, SilentPeerIsAskedAgainEveryTwoTicksAndFramesAreDrawn) {
    Display display;
    ASSERT_NE(display.name, "");
    Peer peer;
    Program run;
    ASSERT_TRUE(run.Start({peer.path}, display.name)) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return peer.Requests().size() >= 6; }, 20s))
        << peer.Requests().size() << " requests";
    const std::vector<Clock::time_point> times = peer.Requests();
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
        peer.Answer(SquareFrame(low, high, level));
        const std::size_t asked = peer.Requests().size();
        EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, low, high, level); }, 20s));
        // Frames keep coming: every answered request is followed by another.
        EXPECT_TRUE(WaitFor([&] { return peer.Requests().size() >= asked + 4; }, 15s));
    }
    EXPECT_TRUE(run.child->Terminate()) << run.Output();
}

} // namespace
