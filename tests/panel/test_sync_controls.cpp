#include "panel/sync_controls.h"

#include <gtest/gtest.h>

namespace {

using duruz::TriggerFromControls;

TEST(TriggerFromControls, LevelIsMinusTheBarExceptInXyMode) {
    struct Case {
        int sweepRow;
        int levelBar;
        int level;
    };
    // Row 0 is XY mode: the level is pinned whatever the bar says, even at zero.
    const Case cases[] = {{0, 300, 2000}, {0, 0, 2000}, {1, 300, -300}, {1, 0, 0}, {15, -7, 7}};
    for (const Case& c : cases) {
        const duruz::TriggerState trigger = TriggerFromControls({.sweepRow = c.sweepRow,
                                                                 .sourceRow = 1,
                                                                 .polarityRow = 0,
                                                                 .levelBarPosition = c.levelBar,
                                                                 .positionBarPosition = 2048});
        EXPECT_EQ(trigger.SyncLevel, c.level) << c.sweepRow << " " << c.levelBar;
        EXPECT_EQ(trigger.SyncSource, 1);
        EXPECT_EQ(trigger.SyncPolarity, 0);
        EXPECT_EQ(trigger.SyncPosition, 2048);
    }
}

} // namespace
