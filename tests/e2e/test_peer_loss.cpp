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

// What start-up sends with no Config.Ini once the sync lists are settled: a
// reconnect sends the same commands in the same order.
const std::string kWholeSetting = kRequest + "%S11 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                  "%Y7\r" + "%G00200.000000,1.000000" + kRequest +
                                  "%G10201.000000,1.000000" + kRequest;

// The peer hangs up after a quarter of a frame. The program lets the line go and
// waits without spinning; once a new peer stands behind the row's path it opens it
// by itself, sends the whole setting, and draws its frames. Closing still saves
// the settings.
TEST(PeerLoss, HangUpMidFrameThenTheSamePathReturnsAndIsReopenedWithTheSetting) {
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

    std::this_thread::sleep_for(500ms); // the hang-up is seen
    const double cpuBefore = run.child->CpuSeconds();
    const auto since = Clock::now();
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(run.child->Running()) << run.Output();
    EXPECT_LT(run.child->CpuSeconds() - cpuBefore,
              0.05 * std::chrono::duration<double>(Clock::now() - since).count())
        << "busy on the hung-up line";

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    Peer second;
    second.Answer(SquareFrame(1024, -1024, 1536));
    ASSERT_TRUE(PointLink(link, second.path));
    EXPECT_TRUE(WaitFor([&] { return second.Received().size() >= kWholeSetting.size(); }, 2s))
        << "not reopened within 2 s: " << second.Received();
    ASSERT_TRUE(WaitFor([&] { return second.Received().size() >= kWholeSetting.size(); }, 10s));
    EXPECT_EQ(second.Received().substr(0, kWholeSetting.size()), kWholeSetting);
    EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, 1024, -1024, 1536); }, 20s));

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(run.ReadConfig(), ConfigText(link));
}

} // namespace
