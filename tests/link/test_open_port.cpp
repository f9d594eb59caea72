#include "link/open_port.h"
#include "serial/pty_pair.h"
#include "serial/serial_posix.h"
#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using duruz::OpenPort;
using duruz::PortEntry;
using duruz::PortKind;
using duruz::SerialLink;
using serial::OpenStatus;
using testing_support::FakeSerialPort;
using testing_support::PtyPair;
using Lines = std::vector<std::string>;

struct RecordingLog : tk::LineLog {
    Lines lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

// One fake port per path.
struct FakeProvider : duruz::PortProvider {
    std::map<std::string, FakeSerialPort> ports;
    int requests = 0;
    serial::SerialPort& PortFor(const PortEntry& entry) override {
        ++requests;
        return ports[entry.path.data()];
    }
};

// Every row opens the same real port object, as the application's provider does.
struct PosixProvider : duruz::PortProvider {
    serial::PosixSerialPort port;
    serial::SerialPort& PortFor(const PortEntry&) override { return port; }
};

void AddRow(SerialLink& link, const std::string& path, PortKind kind = PortKind::Device) {
    PortEntry& entry = link.PortTable[link.PortCount++];
    std::snprintf(entry.name.data(), entry.name.size(), "%s", path.c_str());
    std::snprintf(entry.path.data(), entry.path.size(), "%s", path.c_str());
    entry.kind = kind;
}

std::string PortPath(const SerialLink& link) {
    return link.PortPath.data();
}

TEST(OpenPort, ConfiguresThePortAndLogsFiveLines) {
    SerialLink link;
    AddRow(link, "/dev/ttyUSB0");
    FakeProvider provider;
    RecordingLog log;
    EXPECT_EQ(PortPath(link), "COM5");

    EXPECT_TRUE(OpenPort(link, provider, 0, log));
    const std::string path = "/dev/ttyUSB0";
    EXPECT_EQ(log.lines, (Lines{path, path, "   opened", path, "   configured"}));
    EXPECT_EQ(PortPath(link), path);

    FakeSerialPort& port = provider.ports[path];
    EXPECT_EQ(link.PortHandle, &port);
    EXPECT_EQ(port.events, (std::vector<std::string>{"open /dev/ttyUSB0", "get", "clear", "clear",
                                                     "set", "timeouts"}));
    const serial::LineSettings& s = port.applied;
    EXPECT_EQ(s.baudRate, 115200u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, serial::Parity::None);
    EXPECT_EQ(s.stopBits, serial::StopBits::One);
    EXPECT_TRUE(s.dtrOn);
    EXPECT_TRUE(s.rtsHandshake);
    EXPECT_TRUE(s.txContinueOnXoff);
    EXPECT_TRUE(s.abortOnError);
    EXPECT_EQ(s.xonLimit, 80);
    EXPECT_EQ(s.xoffLimit, 200);
    EXPECT_EQ(s.xonChar, 0x54);
    EXPECT_EQ(s.xoffChar, 0xD4);
    EXPECT_EQ(s.errorChar, 0x26);
    const serial::Timeouts& t = port.appliedTimeouts;
    EXPECT_EQ(t.readIntervalMs, 1u);
    EXPECT_EQ(t.readTotalMultiplierMs, 1u);
    EXPECT_EQ(t.readTotalConstantMs, 1u);
    EXPECT_EQ(t.writeTotalMultiplierMs, 0u);
    EXPECT_EQ(t.writeTotalConstantMs, 0u);
    EXPECT_TRUE(port.written.empty()); // the caller asks for the first frame
}

TEST(OpenPort, EachFailureLogsItsRowAndLeavesTheHandleAsTheTableSays) {
    const std::string path = "/dev/ttyACM3";
    struct Case {
        const char* what;
        void (*arrange)(FakeSerialPort&);
        Lines lines;
        bool handleSet;
    };
    const Case cases[] = {
        {"not found",
         [](FakeSerialPort& p) {
             p.openResult = {OpenStatus::NotFound, ENOENT};
         },
         {path, path, "   does not exist"},
         false},
        {"other error",
         [](FakeSerialPort& p) {
             p.openResult = {OpenStatus::OtherError, EBUSY};
         },
         {path, "Error opening", path},
         false},
        {"get state",
         [](FakeSerialPort& p) { p.getSettingsOk = false; },
         {path, path, "   opened", "Error getting state of", path},
         true},
        {"set state",
         [](FakeSerialPort& p) { p.setSettingsOk = false; },
         {path, path, "   opened", "Error setting state of", path},
         true},
        {"timeouts",
         [](FakeSerialPort& p) { p.setTimeoutsOk = false; },
         {path, path, "   opened", "Error setting timeouts for", path},
         true},
    };
    for (const Case& c : cases) {
        SerialLink link;
        AddRow(link, "/dev/ttyUSB0");
        AddRow(link, path);
        FakeProvider provider;
        RecordingLog log;
        c.arrange(provider.ports[path]);
        // A configured port first: the failing open must close it before it starts.
        ASSERT_TRUE(OpenPort(link, provider, 0, log)) << c.what;
        log.lines.clear();

        EXPECT_FALSE(OpenPort(link, provider, 1, log)) << c.what;
        EXPECT_EQ(log.lines, c.lines) << c.what;
        EXPECT_EQ(PortPath(link), path) << c.what;
        FakeSerialPort& previous = provider.ports["/dev/ttyUSB0"];
        EXPECT_EQ(previous.events.back(), "close") << c.what;
        EXPECT_FALSE(previous.open) << c.what;
        EXPECT_EQ(link.PortHandle, c.handleSet ? &provider.ports[path] : nullptr) << c.what;
    }
}

TEST(OpenPort, WithoutASelectedRowClosesAndOpensNothing) {
    for (int row : {-1, 2, 100, 5000}) {
        SerialLink link;
        AddRow(link, "/dev/ttyUSB0");
        AddRow(link, "/dev/ttyUSB1");
        FakeProvider provider;
        RecordingLog log;
        ASSERT_TRUE(OpenPort(link, provider, 1, log));
        log.lines.clear();

        EXPECT_FALSE(OpenPort(link, provider, row, log)) << row;
        EXPECT_EQ(log.lines, Lines{"No port selected"}) << row;
        EXPECT_EQ(link.PortHandle, nullptr) << row;
        EXPECT_EQ(provider.ports["/dev/ttyUSB1"].events.back(), "close") << row;
        EXPECT_EQ(provider.requests, 1) << row;
    }

    SerialLink empty;
    FakeProvider provider;
    RecordingLog log;
    EXPECT_FALSE(OpenPort(empty, provider, 0, log));
    EXPECT_EQ(log.lines, Lines{"No port selected"});
    EXPECT_EQ(PortPath(empty), "COM5");
    EXPECT_EQ(provider.requests, 0);
}

TEST(OpenPort, PseudoTerminalIsConfiguredAndReopenedOnTheSameRow) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const std::string path = pty.SlavePath();
    SerialLink link;
    AddRow(link, path);
    PosixProvider provider;
    RecordingLog log;

    // The pseudo-terminal refuses to raise DTR; the open still ends configured.
    ASSERT_TRUE(OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{path, path, "   opened", path, "   configured"}));
    EXPECT_EQ(link.PortHandle, &provider.port);
    serial::LineSettings settings;
    ASSERT_TRUE(provider.port.GetSettings(settings));
    EXPECT_EQ(settings.baudRate, 115200u);
    EXPECT_TRUE(settings.rtsHandshake);
    EXPECT_EQ(settings.xonChar, 0x54);
    EXPECT_EQ(settings.xoffChar, 0xD4);

    log.lines.clear();
    ASSERT_TRUE(OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{path, path, "   opened", path, "   configured"}));
    duruz::PortWrite(link, "%z\r\n", 4);
    EXPECT_EQ(pty.Read(4), "%z\r\n");
    ASSERT_TRUE(pty.WriteAll("xHxH"));
    // Reads time out after a few milliseconds; poll as the capture loop does.
    std::string reply;
    for (int attempt = 0; attempt < 500 && reply.size() < 4; ++attempt) {
        char chunk[4];
        reply.append(chunk, duruz::PortRead(link, chunk, 4 - reply.size()));
    }
    EXPECT_EQ(reply, "xHxH");
}

TEST(OpenPort, RealFailures) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const std::string held = pty.SlavePath();
    const std::string missing = "/nonexistent-duruz/ttyUSB7";
    const auto plainFile = std::filesystem::temp_directory_path() / "duruz-open-port-file";
    std::FILE* created = std::fopen(plainFile.c_str(), "w");
    ASSERT_NE(created, nullptr);
    std::fclose(created);

    SerialLink link;
    AddRow(link, held);
    AddRow(link, missing);
    AddRow(link, plainFile.string());
    PosixProvider provider;
    RecordingLog log;
    serial::PosixSerialPort otherProgram;
    ASSERT_EQ(otherProgram.Open(held.c_str()).status, OpenStatus::Opened);

    EXPECT_FALSE(OpenPort(link, provider, 0, log));
    EXPECT_EQ(log.lines, (Lines{held, "Error opening", held}));
    EXPECT_EQ(link.PortHandle, nullptr);

    log.lines.clear();
    EXPECT_FALSE(OpenPort(link, provider, 1, log));
    EXPECT_EQ(log.lines, (Lines{missing, missing, "   does not exist"}));
    EXPECT_EQ(link.PortHandle, nullptr);
    EXPECT_EQ(PortPath(link), missing);

    // Opens, but is no terminal: open and unconfigured.
    log.lines.clear();
    const std::string file = plainFile.string();
    EXPECT_FALSE(OpenPort(link, provider, 2, log));
    EXPECT_EQ(log.lines, (Lines{file, file, "   opened", "Error getting state of", file}));
    EXPECT_EQ(link.PortHandle, &provider.port);
    EXPECT_TRUE(provider.port.IsOpen());
    std::filesystem::remove(plainFile);
}

} // namespace
