// The instrument going away in the middle of a frame, and coming back.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <unistd.h>

namespace {

using namespace e2e;

// Points the link at another device, as socat does with its pty links: the
// program's port row names the link, whichever pseudo-terminal is behind it.
bool PointLink(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 &&
           std::rename(fresh.c_str(), link.c_str()) == 0;
}

// The peer hangs up after a quarter of a frame. The program keeps running without
// spinning; a click on the port row, once a new peer stands behind the row's path,
// opens it, and its frames are drawn. Closing still saves the settings.
TEST(PeerLoss, HangUpMidFrameLeavesTheProgramRunningAndTheRowReopens) {
    Display display;
    ASSERT_NE(display.name, "");
    auto first = std::make_unique<Peer>();
    Program run;
    const std::string link = run.folder + "/ttyDuruz";
    ASSERT_TRUE(PointLink(link, first->path));
    ASSERT_TRUE(run.Start({link}, display.name)) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() >= 3; }, 10s));

    // The timer's next request gets the header and a quarter of the samples; once
    // the program has taken them in, the line closes.
    first->Answer(SquareFrame(-1024, 1024, -1536).substr(0, 128 + 2048), true);
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() >= 4; }, 20s));
    std::this_thread::sleep_for(500ms); // the bytes reach the slave's queue
    ASSERT_TRUE(WaitFor([&] { return first->Unread() == 0; }, 10s));
    first.reset();

    const double cpuBefore = run.child->CpuSeconds();
    const auto since = Clock::now();
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(run.child->Running()) << run.Output();
    EXPECT_LT(run.child->CpuSeconds() - cpuBefore,
              0.5 * std::chrono::duration<double>(Clock::now() - since).count())
        << "busy on the hung-up line";

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    Peer second;
    second.Answer(SquareFrame(1024, -1024, 1536));
    ASSERT_TRUE(PointLink(link, second.path));
    // The port row: the list sits at (840, 36) on the strip above the 11-pixel
    // position bar at the bottom.
    ASSERT_TRUE(Click(*window, 840 + 40, window->height - 11 - 99 + 36 + 8));
    ASSERT_TRUE(WaitFor([&] { return !second.Requests().empty(); }, 15s))
        << "the row was not reopened: " << second.Received();
    EXPECT_EQ(second.Received().substr(0, 4), kRequest);
    EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, 1024, -1024, 1536); }, 20s));

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(run.ReadConfig(), ConfigText(link));
}

} // namespace
