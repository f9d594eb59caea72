#include "link/lost_port.h"

#include <gtest/gtest.h>

// A lost port comes back once its path has been missing and is there again; a
// path that never went away, or no loss at all, opens nothing. (Links made anew:
// see the window's hot-plug tests.)
TEST(LostPort, CameBackOnlyAfterThePathWasSeenMissing) {
    // Where the loss starts, what successive looks find, and what CameBack answers.
    const std::tuple<duruz::LostPort, std::vector<bool>, std::vector<bool>> cases[] = {
        {{true, false, "", {}}, {true, true, false, false, true, true}, {0, 0, 0, 0, 1, 0}},
        {{true, true, "", {}}, {true}, {true}}, // seen missing by the device list already
        {{false, false, "", {}}, {false, true}, {false, false}},
    };
    for (auto [port, present, expected] : cases) {
        std::vector<bool> back;
        for (const bool there : present)
            back.push_back(duruz::CameBack(port, there, {}));
        EXPECT_EQ(back, expected);
    }
    // A link made anew that leads to no terminal is not reopened.
    EXPECT_FALSE(duruz::RelinkedToTerminal({true, 1, 2, 3}, {true, 1, 2, 4}, false));
}
