#include "link/frame_rate_meter.h"

#include <gtest/gtest.h>

namespace {

// The meter follows the link's running count: frames counted before a reset are not
// counted again, and a count cleared by a new port is followed from zero.
TEST(FrameRateMeter, FollowsTheLinksCountAcrossAResetAndAClearedCount) {
    duruz::FrameRateMeter meter;
    meter.Reset(0, 5);
    meter.Follow(7, 100); // two new frames
    EXPECT_DOUBLE_EQ(meter.Rate(1000), 2.0);
    meter.Follow(3, 200); // cleared, then three frames
    EXPECT_DOUBLE_EQ(meter.Rate(1000), 5.0);
    meter.Follow(3, 300); // nothing new
    EXPECT_DOUBLE_EQ(meter.Rate(1000), 5.0);
}

} // namespace
