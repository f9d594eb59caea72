#include "link/port_list.h"

#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;
using testing_support::FakeSerialPort;
const std::string kSim = "Simulator|Simulator|sim";

// Each listed row as "text|path", then "|gone" when marked disconnected and "|sim"
// on the simulator row.
Lines Rows(const SerialLink& link) {
    Lines rows;
    for (std::uint32_t i = 0; i < link.PortCount; ++i) {
        const PortEntry& row = link.PortTable[i];
        rows.push_back(std::string(row.name.data()) + "|" + row.path.data() +
                       (row.disconnected ? "|gone" : "") +
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
    // The too long path is dropped; the devices give way to the other rows.
    const PortSources sources{sysfs.Root(), {"/dev/pts/3", longPath, std::string(90, 'p')}, true};
    EnumeratePorts(link, sources);
    Lines rows;
    for (int i = 0; i < 97; ++i)
        rows.push_back("ttyUSB" + std::to_string(i) + "|/dev/ttyUSB" + std::to_string(i));
    rows.insert(rows.end(), {"/dev/pts/3|/dev/pts/3", "ttyBRIDGE|" + longPath, kSim});
    EXPECT_EQ(std::pair(Rows(link), DefaultPortRow(link)), std::pair(rows, 98));
    EnumeratePorts(link, {sysfs.Root(), {}, false}); // no simulator: the last device
    EXPECT_EQ(Rows(link).back(), "ttyUSB99|/dev/ttyUSB99");
    EXPECT_EQ(DefaultPortRow(link), 99);

    // The open port's device goes from a full table: its row stays in place, marked,
    // and the last row before the simulator gives way to it.
    FakeSerialPort port;
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB5");
    link.PortHandle = &port;
    link.PortOpen = true;
    sysfs.RemoveDevice("ttyUSB5");
    const PortListUpdate update = RelistPorts(link, sources);
    EXPECT_EQ(std::tuple(update.row, update.change, update.wentAway),
              std::tuple(5, OpenPortChange::Vanished, true));
    rows[5] += "|gone";
    rows[98] = "ttyUSB97|/dev/ttyUSB97";
    std::swap(rows[97], rows[98]);
    EXPECT_EQ(Rows(link), rows);

    EnumeratePorts(link, {sysfs.Root() + "/none", {}, true}); // the simulator alone
    EXPECT_EQ(std::pair(Rows(link), DefaultPortRow(link)), std::pair(Lines{kSim}, 0));
    EnumeratePorts(link, {sysfs.Root() + "/none", {}, false});
    EXPECT_EQ(DefaultPortRow(link), -1); // no rows at all
    EnumeratePorts(link, {sysfs.Root() + "/none", {"\\\\.\\COM12", "\\\\.\\"}, false});
    EXPECT_EQ(Rows(link), (Lines{"COM12|\\\\.\\COM12", "\\\\.\\|\\\\.\\"}));
    EXPECT_TRUE(PortPathFits(std::string(kPortPathSize - 1, 'p')));
    EXPECT_FALSE(PortPathFits(std::string(kPortPathSize, 'p'))); // no room for the terminator
}

} // namespace
