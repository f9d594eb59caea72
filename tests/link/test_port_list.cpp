#include "link/lost_port.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "link/same_device.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <tuple>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;
using testing_support::FakeSerialPort;
using testing_support::RecordingLog;
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
    EXPECT_TRUE(PortPathFits(std::string(kPortPathSize - 1, 'p')));
    EXPECT_FALSE(PortPathFits(std::string(kPortPathSize, 'p'))); // no room for the terminator
}

// The serial number decides; without one on either side, the socket and the vendor
// and product IDs together.
TEST(SameDevice, SerialNumberElseSocketWithVendorAndProduct) {
    const std::tuple<DeviceIdentity, DeviceIdentity, bool> cases[] = {
        {{"A5", "/s/1-1", "0403", "6001"}, {"A5", "/s/1-2", "0403", "6001"}, true},
        {{"A5", "/s/1-1", "0403", "6001"}, {"B7", "/s/1-1", "0403", "6001"}, false},
        {{"A5", "/s/1-1", "0403", "6001"}, {"", "/s/1-1", "0403", "6001"}, false},
        {{"", "/s/1-1", "0403", "6001"}, {"", "/s/1-2", "0403", "6001"}, false},
        {{"", "/s/1-1", "0403", "6001"}, {"", "/s/1-1", "0403", "7523"}, false},
    };
    for (const auto& [known, candidate, same] : cases)
        EXPECT_EQ(SameDevice(known, candidate), same) << candidate.sysfsPath;
}

// A lost port comes back once its path has been missing and is there again; a
// path that never went away, or no loss at all, opens nothing. (Links made anew:
// see the window's hot-plug tests.)
TEST(LostPort, CameBackOnlyAfterThePathWasSeenMissing) {
    // Where the loss starts, what successive looks find, and what CameBack answers.
    const std::tuple<LostPort, std::vector<bool>, std::vector<bool>> cases[] = {
        {{true, false, "", {}}, {true, true, false, false, true, true}, {0, 0, 0, 0, 1, 0}},
        {{true, true, "", {}}, {true}, {true}}, // seen missing by the device list already
        {{false, false, "", {}}, {false, true}, {false, false}},
    };
    for (auto [port, present, expected] : cases) {
        std::vector<bool> back;
        for (const bool there : present)
            back.push_back(CameBack(port, there, {}));
        EXPECT_EQ(back, expected);
    }
    // A link made anew that leads to no terminal is not reopened.
    EXPECT_FALSE(RelinkedToTerminal({true, 1, 2, 3}, {true, 1, 2, 4}, false));
}

// One fake port per path.
struct Provider : PortProvider {
    std::map<std::string, FakeSerialPort> fakes;
    serial::SerialPort& PortFor(const PortEntry& row) override { return fakes[row.path.data()]; }
};

TEST(OpenPort, ConfiguresThePortForTheInstrumentOrLogsWhyNot) {
    SerialLink link; // no ports at all: nothing is asked for
    Provider provider;
    RecordingLog log;
    EXPECT_EQ(std::tuple(OpenPort(link, provider, 0, log).Reason(), provider.fakes.size(),
                         std::string(link.PortPath.data())),
              std::tuple("No port selected", 0u, "COM5"));

    const std::string path = "/dev/ttyUSB0";
    EnumeratePorts(link, {"/nonexistent", {path}, false}); // its only row
    const Result<OpenedPort> opened = OpenPort(link, provider, 0, log);
    EXPECT_TRUE(opened.Ok() && opened.Value().Configured());
    EXPECT_EQ(log.lines,
              (Lines{"No port selected", path, path, "   opened", path, "   configured"}));
    const FakeSerialPort& port = provider.fakes[path];
    EXPECT_EQ(link.PortHandle, &port);
    EXPECT_EQ(port.events, (Lines{"open " + path, "get", "clear", "clear", "set", "timeouts"}));
    const serial::LineSettings& s = port.applied;
    const serial::Timeouts& t = port.appliedTimeouts;
    EXPECT_EQ(std::tie(s.baudRate, s.dataBits, s.parity, s.stopBits, s.dtrOn, s.rtsHandshake,
                       s.txContinueOnXoff, s.abortOnError, s.xonLimit, s.xoffLimit, s.xonChar,
                       s.xoffChar, s.errorChar, t.readIntervalMs, t.readTotalMultiplierMs,
                       t.readTotalConstantMs, t.writeTotalMultiplierMs, t.writeTotalConstantMs),
              std::make_tuple(115200u, 8, serial::Parity::None, serial::StopBits::One, true, true,
                              true, true, 80, 200, 0x54, 0xD4, 0x26, 1u, 1u, 1u, 0u, 0u));

    // Each failure closes the old port, logs its lines and gives the reason the last
    // one tells. With path open, row opens the other path (row 1), whose open ends in
    // open; the step numbered refused (1 reading the settings, 2 applying them, 3 the
    // time-outs) is refused.
    const std::string other = "/dev/ttyACM3";
    using enum serial::OpenFailure;
    using enum serial::OpenStatus;
    const auto attempt = [&](int row, serial::OpenResult open, int refused) {
        link = SerialLink{}; // the last attempt's port is gone with its provider
        EnumeratePorts(link, {"/nonexistent", {path, other}, false});
        Provider fakes;
        FakeSerialPort& failing = fakes.fakes[other];
        failing.openResult = open;
        failing.getSettingsOk = refused != 1;
        failing.setSettingsOk = refused != 2;
        failing.setTimeoutsOk = refused != 3;
        EXPECT_TRUE(OpenPort(link, fakes, 0, log).Ok());
        log.lines.clear();
        const Result<OpenedPort> result = OpenPort(link, fakes, row, log);
        EXPECT_EQ(result.Ok(), refused != 0);
        // An open but unconfigured port stays in use; a failed open leaves none.
        EXPECT_EQ(
            std::tuple(fakes.fakes[path].open, link.PortHandle, std::string(link.PortPath.data())),
            std::tuple(false, refused != 0 ? &failing : nullptr, row == 1 ? other : path));
        log.lines.push_back(result.Ok() ? result.Value().notConfigured : result.Reason());
        return log.lines;
    };
    const std::pair<serial::OpenResult, std::string> refusals[] = {
        {{OtherError, ENXIO, Other}, "   No such device or address"},
        {{OtherError, EIO, PermissionDenied},
         "   permission denied: add your user to the dialout group, then log in again"},
        {{OtherError, EIO, InUse}, "   in use by another program"},
        {{OtherError, EIO, NotSerialDevice}, "   not a serial device"},
    };
    for (const auto& [open, reason] : refusals)
        EXPECT_EQ(attempt(1, open, 0),
                  (Lines{other, "Error opening", other, reason, reason.substr(3)}));
    EXPECT_EQ(attempt(1, {NotFound, ENXIO, Other}, 0),
              (Lines{other, other, "   does not exist", "does not exist"}));
    const std::string steps[] = {"Error getting state of", "Error setting state of",
                                 "Error setting timeouts for"};
    for (int refused = 1; refused <= 3; ++refused)
        EXPECT_EQ(
            attempt(1, {Opened, 0, Other}, refused),
            (Lines{other, other, "   opened", steps[refused - 1], other, steps[refused - 1]}));
    for (const int row : {-1, 2})
        EXPECT_EQ(attempt(row, {Opened, 0, Other}, 0),
                  (Lines{"No port selected", "No port selected"}));
}

} // namespace
