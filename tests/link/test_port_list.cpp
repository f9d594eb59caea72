#include "link/lost_port.h"
#include "link/port_list.h"
#include "link/same_device.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

#include <cstring>

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

TEST(SameDevice, SerialNumberElsePlaceInTheTreeElseDevicePath) {
    struct Case {
        DeviceIdentity known;
        DeviceIdentity candidate;
        bool same;
    };
    const Case cases[] = {
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"A5", "/s/1-2", "/dev/ttyUSB1"}, true},
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"B7", "/s/1-1", "/dev/ttyUSB0"}, false},
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"", "/s/1-1", "/dev/ttyUSB1"}, true},
        {{"", "/s/1-1", "/dev/ttyUSB0"}, {"", "/s/1-2", "/dev/ttyUSB0"}, false},
        {{"", "", "/dev/ttyUSB0"}, {"", "/s/1-2", "/dev/ttyUSB0"}, true},
        {{"", "", "/dev/ttyUSB0"}, {"", "", "/dev/ttyUSB1"}, false},
        {{"", "", ""}, {"", "", ""}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameDevice(c.known, c.candidate), c.same)
            << c.known.devicePath << " / " << c.candidate.devicePath;
}

TEST(RelistPorts, KeepsTheVanishedOpenPortMarkedUntilTheSameDeviceReturns) {
    testing_support::FakeSysfs sysfs;
    testing_support::FakeSerialPort port;
    sysfs.AddUsbDevice("ttyUSB0", {"1-1", "0403", "6001", "FTDI", "FT232R", "A5"});
    sysfs.AddUsbDevice("ttyUSB1", {"1-2", "0403", "6001", "FTDI", "FT232R", "B7"});
    const PortSources sources{sysfs.Root(), {}, true};
    SerialLink link;
    EnumeratePorts(link, sources);
    EXPECT_EQ(Rows(link)[1], "ttyUSB1|/dev/ttyUSB1");
    EXPECT_STREQ(link.PortTable[1].description.data(), "FTDI FT232R (B7)");
    EXPECT_STREQ(link.PortTable[1].serialNumber.data(), "B7");

    // No port open: the row of PortPath, wherever it went.
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB1");
    sysfs.AddDevice("ttyACM0");
    PortListUpdate update = RelistPorts(link, sources);
    EXPECT_EQ(update.row, 2);
    EXPECT_EQ(update.change, OpenPortChange::None);

    link.PortHandle = &port; // ttyUSB1 is open
    link.PortOpen = true;
    sysfs.RemoveDevice("ttyUSB1");
    update = RelistPorts(link, sources);
    EXPECT_EQ(update.change, OpenPortChange::Vanished);
    EXPECT_TRUE(update.wentAway);
    EXPECT_EQ(update.row, 2);
    EXPECT_EQ(Rows(link), (Lines{"ttyACM0|/dev/ttyACM0", "ttyUSB0|/dev/ttyUSB0",
                                 "ttyUSB1|/dev/ttyUSB1", "Simulator|Simulator|sim"}));
    EXPECT_TRUE(link.PortTable[2].disconnected);
    EXPECT_FALSE(link.PortTable[1].disconnected);

    // Another device under the old name is listed beside it; still gone.
    sysfs.AddUsbDevice("ttyUSB1", {"1-3", "0403", "6001", "FTDI", "FT232R", "C9"});
    update = RelistPorts(link, sources);
    EXPECT_EQ(update.change, OpenPortChange::None);
    EXPECT_EQ(update.row, 2);
    ASSERT_EQ(link.PortCount, 5u);
    EXPECT_TRUE(link.PortTable[2].disconnected);
    EXPECT_STREQ(link.PortTable[2].serialNumber.data(), "B7");
    EXPECT_STREQ(link.PortTable[3].serialNumber.data(), "C9");

    // The same device under a new name: its new row, the marked one gone.
    sysfs.AddUsbDevice("ttyUSB2", {"1-2", "0403", "6001", "FTDI", "FT232R", "B7"});
    update = RelistPorts(link, sources);
    EXPECT_EQ(update.change, OpenPortChange::Returned);
    EXPECT_EQ(update.row, 3);
    EXPECT_EQ(Rows(link),
              (Lines{"ttyACM0|/dev/ttyACM0", "ttyUSB0|/dev/ttyUSB0", "ttyUSB1|/dev/ttyUSB1",
                     "ttyUSB2|/dev/ttyUSB2", "Simulator|Simulator|sim"}));
    EXPECT_FALSE(update.wentAway);
    for (std::uint32_t i = 0; i < link.PortCount; ++i)
        EXPECT_FALSE(link.PortTable[i].disconnected) << i;

    // Gone and back under another name between two listings: both at once.
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB2");
    sysfs.RemoveDevice("ttyUSB2");
    sysfs.AddUsbDevice("ttyUSB4", {"1-2", "0403", "6001", "FTDI", "FT232R", "B7"});
    update = RelistPorts(link, sources);
    EXPECT_EQ(update.change, OpenPortChange::Returned);
    EXPECT_TRUE(update.wentAway);
    EXPECT_EQ(Rows(link)[update.row], "ttyUSB4|/dev/ttyUSB4");
}

TEST(RelistPorts, AVanishedOpenPortInAFullTableTakesTheLastRowBeforeTheSimulator) {
    testing_support::FakeSysfs sysfs;
    testing_support::FakeSerialPort port;
    for (int i = 0; i < 100; ++i)
        sysfs.AddDevice("ttyUSB" + std::to_string(i));
    const PortSources sources{sysfs.Root(), {}, true};
    SerialLink link;
    EnumeratePorts(link, sources);
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB5");
    link.PortHandle = &port;
    link.PortOpen = true;
    sysfs.RemoveDevice("ttyUSB5");
    const PortListUpdate update = RelistPorts(link, sources);
    EXPECT_EQ(update.change, OpenPortChange::Vanished);
    EXPECT_EQ(update.row, 5);
    const Lines rows = Rows(link);
    ASSERT_EQ(rows.size(), kPortTableSize);
    EXPECT_EQ(rows[4], "ttyUSB4|/dev/ttyUSB4");
    EXPECT_EQ(rows[5], "ttyUSB5|/dev/ttyUSB5");
    EXPECT_EQ(rows[6], "ttyUSB6|/dev/ttyUSB6");
    EXPECT_EQ(rows[98], "ttyUSB98|/dev/ttyUSB98"); // ttyUSB99 gave way
    EXPECT_EQ(rows[99], "Simulator|Simulator|sim");
}

} // namespace

namespace {

// A lost port comes back once its path has been missing and is there again; a
// path that never went away, or no loss at all, opens nothing.
TEST(LostPort, CameBackOnlyAfterThePathWasSeenMissing) {
    struct Case {
        duruz::LostPort start;
        std::vector<bool> present; // what successive looks find
        std::vector<bool> back;    // what CameBack answers to each
    };
    const Case cases[] = {
        {{true, false}, {true, true, false, false, true}, {false, false, false, false, true}},
        {{true, true}, {true}, {true}}, // seen missing by the device list already
        {{false, false}, {false, true}, {false, false}},
    };
    for (const Case& c : cases) {
        duruz::LostPort port = c.start;
        std::vector<bool> back;
        for (const bool present : c.present)
            back.push_back(duruz::CameBack(port, present));
        EXPECT_EQ(back, c.back);
    }
}

TEST(PortPathFits, KeepsRoomForTheTerminator) {
    EXPECT_TRUE(PortPathFits(std::string(kPortPathSize - 1, 'p')));
    EXPECT_FALSE(PortPathFits(std::string(kPortPathSize, 'p')));
}

} // namespace
