#include "link/same_device.h"

#include <gtest/gtest.h>

// The serial number decides; without one on either side, the socket and the vendor
// and product IDs together.
TEST(SameDevice, SerialNumberElseSocketWithVendorAndProduct) {
    const std::tuple<duruz::DeviceIdentity, duruz::DeviceIdentity, bool> cases[] = {
        {{"A5", "/s/1-1", "0403", "6001"}, {"A5", "/s/1-2", "0403", "6001"}, true},
        {{"A5", "/s/1-1", "0403", "6001"}, {"B7", "/s/1-1", "0403", "6001"}, false},
        {{"A5", "/s/1-1", "0403", "6001"}, {"", "/s/1-1", "0403", "6001"}, false},
        {{"", "/s/1-1", "0403", "6001"}, {"", "/s/1-2", "0403", "6001"}, false},
        {{"", "/s/1-1", "0403", "6001"}, {"", "/s/1-1", "0403", "7523"}, false},
    };
    for (const auto& [known, candidate, same] : cases)
        EXPECT_EQ(duruz::SameDevice(known, candidate), same) << candidate.sysfsPath;
}
