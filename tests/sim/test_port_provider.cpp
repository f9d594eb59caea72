#include "link/open_port.h"
#include "link/port_list.h"
#include "sim/port_provider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LinesLog : tk::LineLog {
    std::vector<std::string> lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

TEST(DefaultPortProvider, SimulatorRowOpensTheSimulator) {
    sim::DefaultPortProvider provider({.seed = 1, .noise = false});
    duruz::SerialLink link;
    // No serial devices here: the simulator is the only row.
    duruz::EnumeratePorts(link, {.sysfsRoot = "/nonexistent", .extraPaths = {}});
    ASSERT_EQ(link.PortCount, 1u);
    const duruz::PortEntry& row = link.PortTable[0];
    EXPECT_EQ(&provider.PortFor(row), &provider.Simulator());

    duruz::PortEntry device;
    device.kind = duruz::PortKind::Device;
    EXPECT_NE(&provider.PortFor(device), &provider.Simulator());
    EXPECT_NE(dynamic_cast<serial::PosixSerialPort*>(&provider.PortFor(device)), nullptr);

    LinesLog log;
    ASSERT_TRUE(duruz::OpenPort(link, provider, 0, log));
    EXPECT_EQ(link.PortHandle, &provider.Simulator());
    EXPECT_EQ(log.lines.back(), "   configured");
    EXPECT_EQ(provider.Simulator().Timeouts().readIntervalMs, 1u);
    EXPECT_EQ(provider.Simulator().Timeouts().readTotalConstantMs, 1u);
}

} // namespace
