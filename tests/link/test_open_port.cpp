#include "link/open_port.h"

#include "link/port_list.h"
#include "support/fake_serial_port.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;
using namespace testing_support;

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
