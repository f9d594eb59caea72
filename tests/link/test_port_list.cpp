#include "link/lost_port.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "link/same_device.h"
#include "serial/serial_posix.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"
#include "support/pty_pair.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;
using testing_support::FakeSerialPort;
using testing_support::RecordingLog;
using Update = std::tuple<int, OpenPortChange, bool>;
const std::string kSim = "Simulator|Simulator|sim";

// Each listed row as "text|path", then "|" and its serial number when it has one,
// "|gone" when marked disconnected and "|sim" on the simulator row.
Lines Rows(const SerialLink& link) {
    Lines rows;
    for (std::uint32_t i = 0; i < link.PortCount; ++i) {
        const PortEntry& row = link.PortTable[i];
        std::string text = std::string(row.name.data()) + "|" + row.path.data();
        if (row.serialNumber[0] != '\0')
            text = text + "|" + row.serialNumber.data();
        rows.push_back(text + (row.disconnected ? "|gone" : "") +
                       (row.kind == PortKind::Simulator ? "|sim" : ""));
    }
    return rows;
}

Update Of(const PortListUpdate& update) {
    return {update.row, update.change, update.wentAway};
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
    const PortSources sources{sysfs.Root(), {"/dev/pts/3", longPath, std::string(90, 'p')}, true};
    EnumeratePorts(link, sources);
    Lines rows;
    for (int i = 0; i < 97; ++i)
        rows.push_back("ttyUSB" + std::to_string(i) + "|/dev/ttyUSB" + std::to_string(i));
    rows.insert(rows.end(), {"/dev/pts/3|/dev/pts/3", "ttyBRIDGE|" + longPath, kSim});
    EXPECT_EQ(Rows(link), rows);
    EXPECT_EQ(DefaultPortRow(link), 98);
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
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(5, OpenPortChange::Vanished, true));
    rows[5] += "|gone";
    rows[98] = "ttyUSB97|/dev/ttyUSB97";
    std::swap(rows[97], rows[98]);
    EXPECT_EQ(Rows(link), rows);

    EnumeratePorts(link, {sysfs.Root() + "/none", {}, true}); // the simulator alone
    EXPECT_EQ(Rows(link), Lines{kSim});
    EXPECT_EQ(DefaultPortRow(link), 0);
    EnumeratePorts(link, {sysfs.Root() + "/none", {}, false});
    EXPECT_EQ(DefaultPortRow(link), -1); // no rows at all
    EXPECT_TRUE(PortPathFits(std::string(kPortPathSize - 1, 'p')));
    EXPECT_FALSE(PortPathFits(std::string(kPortPathSize, 'p'))); // no room for the terminator
}

TEST(SameDevice, SerialNumberElsePlaceInTheTreeElseDevicePath) {
    const std::tuple<DeviceIdentity, DeviceIdentity, bool> cases[] = {
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"A5", "/s/1-2", "/dev/ttyUSB1"}, true},
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"B7", "/s/1-1", "/dev/ttyUSB0"}, false},
        {{"A5", "/s/1-1", "/dev/ttyUSB0"}, {"", "/s/1-1", "/dev/ttyUSB1"}, true},
        {{"", "/s/1-1", "/dev/ttyUSB0"}, {"", "/s/1-2", "/dev/ttyUSB0"}, false},
        {{"", "", "/dev/ttyUSB0"}, {"", "/s/1-2", "/dev/ttyUSB0"}, true},
        {{"", "", "/dev/ttyUSB0"}, {"", "", "/dev/ttyUSB1"}, false},
        {{"", "", ""}, {"", "", ""}, false},
    };
    for (const auto& [known, candidate, same] : cases)
        EXPECT_EQ(SameDevice(known, candidate), same) << &known - &std::get<0>(cases[0]);
}

TEST(RelistPorts, KeepsTheVanishedOpenPortMarkedUntilTheSameDeviceReturns) {
    testing_support::FakeSysfs sysfs;
    const auto plug = [&](const char* name, const char* socket, const char* serial) {
        sysfs.AddUsbDevice(name, {socket, "0403", "6001", "FTDI", "FT232R", serial});
    };
    plug("ttyUSB0", "1-1", "A5");
    plug("ttyUSB1", "1-2", "B7");
    const PortSources sources{sysfs.Root(), {}, true};
    SerialLink link;
    EnumeratePorts(link, sources);
    EXPECT_STREQ(link.PortTable[1].description.data(), "FTDI FT232R (B7)");
    const std::string acm = "ttyACM0|/dev/ttyACM0", usb0 = "ttyUSB0|/dev/ttyUSB0|A5";

    // No port open: the row of PortPath, wherever it went.
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB1");
    sysfs.AddDevice("ttyACM0");
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(2, OpenPortChange::None, false));

    FakeSerialPort port; // ttyUSB1 is open
    link.PortHandle = &port;
    link.PortOpen = true;
    sysfs.RemoveDevice("ttyUSB1");
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(2, OpenPortChange::Vanished, true));
    EXPECT_EQ(Rows(link), (Lines{acm, usb0, "ttyUSB1|/dev/ttyUSB1|B7|gone", kSim}));

    // Another device under the old name is listed beside it; still gone.
    plug("ttyUSB1", "1-3", "C9");
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(2, OpenPortChange::None, false));
    EXPECT_EQ(Rows(link),
              (Lines{acm, usb0, "ttyUSB1|/dev/ttyUSB1|B7|gone", "ttyUSB1|/dev/ttyUSB1|C9", kSim}));

    // The same device under a new name: its new row, the marked one gone.
    plug("ttyUSB2", "1-2", "B7");
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(3, OpenPortChange::Returned, false));
    EXPECT_EQ(Rows(link),
              (Lines{acm, usb0, "ttyUSB1|/dev/ttyUSB1|C9", "ttyUSB2|/dev/ttyUSB2|B7", kSim}));

    // Gone and back under another name between two listings: both at once.
    std::strcpy(link.PortPath.data(), "/dev/ttyUSB2");
    sysfs.RemoveDevice("ttyUSB2");
    plug("ttyUSB4", "1-2", "B7");
    EXPECT_EQ(Of(RelistPorts(link, sources)), Update(3, OpenPortChange::Returned, true));
    EXPECT_EQ(Rows(link)[3], "ttyUSB4|/dev/ttyUSB4|B7");
}

// A lost port comes back once its path has been missing and is there again; a
// path that never went away, or no loss at all, opens nothing.
TEST(LostPort, CameBackOnlyAfterThePathWasSeenMissing) {
    // Where the loss starts, what successive looks find, and what CameBack answers.
    const std::tuple<LostPort, std::vector<bool>, std::vector<bool>> cases[] = {
        {{true, false}, {true, true, false, false, true}, {false, false, false, false, true}},
        {{true, true}, {true}, {true}}, // seen missing by the device list already
        {{false, false}, {false, true}, {false, false}},
    };
    for (auto [port, present, expected] : cases) {
        std::vector<bool> back;
        for (const bool there : present)
            back.push_back(CameBack(port, there));
        EXPECT_EQ(back, expected);
    }
}

// One fake port per path, or one real port behind every row as in the application.
struct Provider : PortProvider {
    std::map<std::string, FakeSerialPort> fakes;
    serial::SerialPort* real = nullptr;
    serial::SerialPort& PortFor(const PortEntry& row) override {
        return real != nullptr ? *real : fakes[row.path.data()];
    }
};

// A port list whose rows open the given paths.
SerialLink LinkWithRows(const Lines& paths) {
    SerialLink link;
    for (const std::string& path : paths)
        path.copy(link.PortTable[link.PortCount++].path.data(), kPortPathSize - 1);
    return link;
}

TEST(OpenPort, ConfiguresThePortForTheInstrument) {
    SerialLink link; // no ports at all: nothing is asked for
    Provider provider;
    RecordingLog log;
    EXPECT_FALSE(OpenPort(link, provider, 0, log));
    EXPECT_TRUE(provider.fakes.empty());
    EXPECT_EQ(std::string(link.PortPath.data()), "COM5");

    const std::string path = "/dev/ttyUSB0";
    link = LinkWithRows({path});
    EXPECT_TRUE(OpenPort(link, provider, 0, log));
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
}

TEST(OpenPort, EachFailureClosesTheOldPortAndLogsItsLines) {
    const std::string path = "/dev/ttyACM3", old = "/dev/ttyUSB0";
    using enum serial::OpenFailure;
    using enum serial::OpenStatus;
    // With old open, clicks row (path is row 1); its open ends in open, and the step
    // numbered refused (1 reading the settings, 2 applying them, 3 the time-outs) is
    // refused. Returns the lines logged.
    const auto attempt = [&](int row, serial::OpenResult open, int refused) {
        SerialLink link = LinkWithRows({old, path});
        Provider provider;
        FakeSerialPort& failing = provider.fakes[path];
        failing.openResult = open;
        failing.getSettingsOk = refused != 1;
        failing.setSettingsOk = refused != 2;
        failing.setTimeoutsOk = refused != 3;
        RecordingLog log;
        EXPECT_TRUE(OpenPort(link, provider, 0, log));
        log.lines.clear();
        EXPECT_FALSE(OpenPort(link, provider, row, log));
        EXPECT_FALSE(provider.fakes[old].open);
        // An open but unconfigured port stays in use; a failed open leaves none.
        EXPECT_EQ(link.PortHandle, refused != 0 ? &failing : nullptr);
        EXPECT_EQ(std::string(link.PortPath.data()), row == 1 ? path : old);
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
        EXPECT_EQ(attempt(1, open, 0), (Lines{path, "Error opening", path, reason}));
    EXPECT_EQ(attempt(1, {NotFound, ENXIO, Other}, 0), (Lines{path, path, "   does not exist"}));
    const std::string steps[] = {"Error getting state of", "Error setting state of",
                                 "Error setting timeouts for"};
    for (int refused = 1; refused <= 3; ++refused)
        EXPECT_EQ(attempt(1, {Opened, 0, Other}, refused),
                  (Lines{path, path, "   opened", steps[refused - 1], path}));
    for (const int row : {-1, 2})
        EXPECT_EQ(attempt(row, {Opened, 0, Other}, 0), Lines{"No port selected"});
}

TEST(OpenPort, PseudoTerminalOpensReopensAndRefusesWhenHeld) {
    testing_support::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const std::string path = pty.SlavePath();
    SerialLink link = LinkWithRows({path});
    serial::PosixSerialPort port;
    Provider provider;
    provider.real = &port;
    RecordingLog log;
    // The pseudo-terminal refuses to raise DTR; the open still ends configured. A
    // second click on the open row closes and reopens it.
    ASSERT_TRUE(OpenPort(link, provider, 0, log));
    ASSERT_TRUE(OpenPort(link, provider, 0, log));
    const Lines opened{path, path, "   opened", path, "   configured"};
    EXPECT_EQ(Lines(log.lines.begin() + 5, log.lines.end()), opened);
    EXPECT_EQ(Lines(log.lines.begin(), log.lines.begin() + 5), opened);

    EXPECT_FALSE(OpenPort(link, provider, -1, log)); // closes it
    serial::PosixSerialPort otherProgram;
    ASSERT_EQ(otherProgram.Open(path.c_str()).status, serial::OpenStatus::Opened);
    log.lines.clear();
    EXPECT_FALSE(OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{path, "Error opening", path, "   in use by another program"}));
}

} // namespace
