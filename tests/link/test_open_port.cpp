#include "link/open_port.h"
#include "serial/serial_posix.h"
#include "support/fake_serial_port.h"
#include "support/pty_pair.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

namespace {

using namespace duruz;
using enum serial::OpenStatus;
using Lines = std::vector<std::string>;
using testing_support::RecordingLog;

// One fake port per path, or one real port behind every row as in the application.
struct Provider : PortProvider {
    std::map<std::string, testing_support::FakeSerialPort> fakes;
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
    const testing_support::FakeSerialPort& port = provider.fakes[path];
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
    // The row clicked, how its open ends, which later step is refused (1 reading the
    // settings, 2 applying them, 3 the time-outs), and the lines logged.
    const std::tuple<int, serial::OpenResult, int, Lines> cases[] = {
        {1, {NotFound, ENXIO, Other}, 0, {path, path, "   does not exist"}},
        {1,
         {OtherError, ENXIO, Other},
         0,
         {path, "Error opening", path, "   No such device or address"}},
        {1,
         {OtherError, EIO, PermissionDenied},
         0,
         {path, "Error opening", path,
          "   permission denied: add your user to the dialout group, then log in again"}},
        {1,
         {OtherError, EIO, InUse},
         0,
         {path, "Error opening", path, "   in use by another program"}},
        {1,
         {OtherError, EIO, NotSerialDevice},
         0,
         {path, "Error opening", path, "   not a serial device"}},
        {1, {Opened, 0, Other}, 1, {path, path, "   opened", "Error getting state of", path}},
        {1, {Opened, 0, Other}, 2, {path, path, "   opened", "Error setting state of", path}},
        {1, {Opened, 0, Other}, 3, {path, path, "   opened", "Error setting timeouts for", path}},
        {-1, {Opened, 0, Other}, 0, {"No port selected"}},
        {2, {Opened, 0, Other}, 0, {"No port selected"}},
    };
    for (const auto& [row, open, refused, lines] : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << row << ": " << lines.back());
        SerialLink link = LinkWithRows({old, path});
        Provider provider;
        testing_support::FakeSerialPort& failing = provider.fakes[path];
        failing.openResult = open;
        failing.getSettingsOk = refused != 1;
        failing.setSettingsOk = refused != 2;
        failing.setTimeoutsOk = refused != 3;
        RecordingLog log;
        ASSERT_TRUE(OpenPort(link, provider, 0, log));
        log.lines.clear();
        EXPECT_FALSE(OpenPort(link, provider, row, log));
        EXPECT_EQ(log.lines, lines);
        EXPECT_FALSE(provider.fakes[old].open);
        // An open but unconfigured port stays in use; a failed open leaves none.
        EXPECT_EQ(link.PortHandle, refused != 0 ? &failing : nullptr);
        EXPECT_EQ(std::string(link.PortPath.data()), row == 1 ? path : old);
    }
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
    EXPECT_EQ(log.lines, (Lines{path, path, "   opened", path, "   configured", path, path,
                                "   opened", path, "   configured"}));

    EXPECT_FALSE(OpenPort(link, provider, -1, log)); // closes it
    serial::PosixSerialPort otherProgram;
    ASSERT_EQ(otherProgram.Open(path.c_str()).status, Opened);
    log.lines.clear();
    EXPECT_FALSE(OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{path, "Error opening", path, "   in use by another program"}));
}

} // namespace
