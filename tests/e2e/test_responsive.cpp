// The window against a device that talks without being asked: start-up is not
// held, and a SIGTERM still ends the program promptly with its settings saved.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

TEST(Responsive, ChatteringPeerHoldsNeitherStartUpNorTheClose) {
    Peer peer;
    peer.Chatter(std::string(70, 'c'));
    Program run;
    const auto launched = Clock::now();
    ASSERT_TRUE(run.Start({peer.path})) << run.Output();
    // The first request goes out after the capped drain.
    ASSERT_TRUE(WaitFor([&] { return !peer.Requests().empty(); }, 10s)) << peer.Received();
    EXPECT_LT(Clock::now() - launched, 2s);

    std::this_thread::sleep_for(1s);
    const auto asked = Clock::now();
    ::kill(run.child->pid, SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !run.child->Running(); }, 10s));
    EXPECT_LT(Clock::now() - asked, 2s);
    EXPECT_TRUE(WIFEXITED(run.child->status) && WEXITSTATUS(run.child->status) == 0)
        << run.Output();
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path));
}

} // namespace
