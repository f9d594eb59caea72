#include "link/port_list.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;

// Each listed row as "text|path", with "|sim" on the simulator row.
Lines Rows(const SerialLink& link) {
    Lines rows;
    for (std::uint32_t i = 0; i < link.PortCount; ++i) {
        const PortEntry& row = link.PortTable[i];
        rows.push_back(std::string(row.name.data()) + "|" + row.path.data() +
                       (row.kind == PortKind::Simulator ? "|sim" : ""));
    }
    return rows;
}

TEST(EnumeratePorts, SortedDevicesThenExtraPathsThenTheSimulatorInAHundredRows) {
    testing_support::FakeSysfs sysfs;
    for (int i = 0; i < 120; ++i)
        sysfs.AddDevice("ttyUSB" + std::to_string(i));
    const std::string longPath = "/run/user/1000/bridges/lab-bench-3/ttyBRIDGE";
    SerialLink link;
    for (PortEntry& row : link.PortTable) { // leftovers of an earlier list
        row.name.fill('x');
        row.path.fill('y');
        row.kind = PortKind::Simulator;
    }
    // The too long path is dropped; the devices give way to the other rows.
    EnumeratePorts(link, {sysfs.Root(), {"/dev/pts/3", longPath, std::string(90, 'p')}, true});
    Lines rows = Rows(link);
    ASSERT_EQ(rows.size(), kPortTableSize);
    for (int i = 0; i < 97; ++i)
        EXPECT_EQ(rows[i], "ttyUSB" + std::to_string(i) + "|/dev/ttyUSB" + std::to_string(i));
    EXPECT_EQ(Lines(rows.begin() + 97, rows.end()),
              (Lines{"/dev/pts/3|/dev/pts/3", "ttyBRIDGE|" + longPath, "Simulator|Simulator|sim"}));
    EXPECT_EQ(DefaultPortRow(link), 98);

    EnumeratePorts(link, {sysfs.Root(), {}, false}); // no simulator: the last device
    EXPECT_EQ(Rows(link).back(), "ttyUSB99|/dev/ttyUSB99");
    EXPECT_EQ(DefaultPortRow(link), 99);
    EnumeratePorts(link, {sysfs.Root() + "/none", {}, true}); // the simulator alone
    EXPECT_EQ(Rows(link), Lines{"Simulator|Simulator|sim"});
    EXPECT_EQ(DefaultPortRow(link), 0);
    EnumeratePorts(link, {sysfs.Root() + "/none", {}, false});
    EXPECT_EQ(DefaultPortRow(link), -1); // no rows at all
}

TEST(PortPathFits, KeepsRoomForTheTerminator) {
    EXPECT_TRUE(PortPathFits(std::string(kPortPathSize - 1, 'p')));
    EXPECT_FALSE(PortPathFits(std::string(kPortPathSize, 'p')));
}

} // namespace
