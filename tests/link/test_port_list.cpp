#include "link/port_list.h"
#include "serial/fake_sysfs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using duruz::DefaultPortRow;
using duruz::EnumeratePorts;
using duruz::kPortTableSize;
using duruz::PortKind;
using duruz::PortSources;
using duruz::SerialLink;
using testing_support::FakeSysfs;

std::string Name(const SerialLink& link, int row) {
    return link.PortTable[row].name.data();
}
std::string Path(const SerialLink& link, int row) {
    return link.PortTable[row].path.data();
}

// A link whose every row holds leftovers of an earlier, longer list.
SerialLink StaleLink() {
    SerialLink link;
    for (auto& entry : link.PortTable) {
        entry.name.fill('x');
        entry.path.fill('y');
        entry.kind = PortKind::Simulator;
    }
    link.PortCount = kPortTableSize;
    return link;
}

TEST(EnumeratePorts, DevicesThenExtraPathsThenTheSimulator) {
    FakeSysfs sysfs;
    sysfs.AddDevice("ttyUSB10");
    sysfs.AddDevice("ttyUSB2");
    sysfs.AddDevice("ttyS0", "4");
    sysfs.AddDevice("ttyS1", "0");
    sysfs.AddVirtual("tty1");
    sysfs.SetActiveConsole("ttyS0");

    const std::string longPath = "/run/user/1000/bridges/lab-bench-3/ttyBRIDGE";
    const std::string tooLong(90, 'p');
    PortSources sources{sysfs.Root(), {"/dev/pts/3", longPath, tooLong}, true};
    SerialLink link = StaleLink();
    EnumeratePorts(link, sources);

    ASSERT_EQ(link.PortCount, 5u);
    EXPECT_EQ(Name(link, 0), "ttyUSB2");
    EXPECT_EQ(Path(link, 0), "/dev/ttyUSB2");
    EXPECT_EQ(Name(link, 1), "ttyUSB10");
    EXPECT_EQ(Path(link, 1), "/dev/ttyUSB10");
    EXPECT_EQ(Name(link, 2), "/dev/pts/3");
    EXPECT_EQ(Path(link, 2), "/dev/pts/3");
    EXPECT_EQ(Name(link, 3), "ttyBRIDGE"); // the path does not fit the row text
    EXPECT_EQ(Path(link, 3), longPath);
    EXPECT_EQ(Name(link, 4), "Simulator");
    EXPECT_EQ(Path(link, 4), "Simulator");
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(link.PortTable[row].kind, PortKind::Device) << row;
    EXPECT_EQ(link.PortTable[4].kind, PortKind::Simulator);

    for (std::size_t row = 5; row < kPortTableSize; ++row) {
        EXPECT_EQ(link.PortTable[row].name[0], '\0') << row;
        EXPECT_EQ(link.PortTable[row].path[0], '\0') << row;
        EXPECT_EQ(link.PortTable[row].kind, PortKind::Device) << row;
    }
    EXPECT_EQ(DefaultPortRow(link), 3);
}

TEST(EnumeratePorts, KeepsAtMostAHundredRowsGivingUpDevicesFirst) {
    FakeSysfs sysfs;
    for (int i = 0; i < 120; ++i)
        sysfs.AddDevice("ttyUSB" + std::to_string(i));

    SerialLink link;
    EnumeratePorts(link, PortSources{sysfs.Root(), {"/dev/pts/7", "/dev/pts/8"}, true});
    ASSERT_EQ(link.PortCount, kPortTableSize);
    EXPECT_EQ(Name(link, 0), "ttyUSB0");
    EXPECT_EQ(Name(link, 96), "ttyUSB96");
    EXPECT_EQ(Name(link, 97), "/dev/pts/7");
    EXPECT_EQ(Name(link, 98), "/dev/pts/8");
    EXPECT_EQ(Name(link, 99), "Simulator");
    EXPECT_EQ(DefaultPortRow(link), 98);

    EnumeratePorts(link, PortSources{sysfs.Root(), {}, false});
    ASSERT_EQ(link.PortCount, kPortTableSize);
    EXPECT_EQ(Name(link, 99), "ttyUSB99");
    EXPECT_EQ(DefaultPortRow(link), 99);
}

TEST(DefaultPortRow, SimulatorAloneOrNothingAtAll) {
    FakeSysfs sysfs;
    SerialLink link = StaleLink();
    EnumeratePorts(link, PortSources{sysfs.Root(), {}, true});
    ASSERT_EQ(link.PortCount, 1u);
    EXPECT_EQ(Name(link, 0), "Simulator");
    EXPECT_EQ(DefaultPortRow(link), 0);

    EnumeratePorts(link, PortSources{sysfs.Root(), {}, false});
    EXPECT_EQ(link.PortCount, 0u);
    EXPECT_EQ(link.PortTable[0].name[0], '\0');
    EXPECT_EQ(DefaultPortRow(link), -1);

    EnumeratePorts(link, PortSources{"/nonexistent-duruz-sysfs", {"/dev/pts/2"}, false});
    EXPECT_EQ(link.PortCount, 1u);
    EXPECT_EQ(DefaultPortRow(link), 0);
}

} // namespace
