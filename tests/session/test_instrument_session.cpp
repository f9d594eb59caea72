#include "session/instrument_session.h"

#include "session/config_table.h"
#include "support/fake_serial_port.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

using namespace testing_support;
using duruz::ScopeSettings;

const std::string kRequest = "%z\r\n";

// A session without a link thread on fake ports, one per device path, and a fake
// device tree; every collected memo line is kept, ended by a line feed.
struct SessionFixture : duruz::PortProvider {
    explicit SessionFixture(int devices) {
        for (int i = 0; i < devices; ++i)
            sysfs.AddDevice("ttyUSB" + std::to_string(i));
    }
    serial::SerialPort& PortFor(const duruz::PortEntry& entry) override {
        return Port(entry.path.data());
    }
    FakeSerialPort& Port(const std::string& path) {
        return *ports.try_emplace(path, std::make_unique<FakeSerialPort>()).first->second;
    }
    duruz::InstrumentSession& Start(const std::string& configFile = {}) {
        duruz::SessionEnvironment environment;
        environment.ports = this;
        environment.portSources.sysfsRoot = sysfs.Root();
        environment.linkThread = threaded;
        session = std::make_unique<duruz::InstrumentSession>(std::move(environment),
                                                             [this] { woken = true; });
        session->Start();
        session->BeginStartUp(250);
        // Each line's value starts after the key and its space and ends at its padding.
        for (int index = 0; index < duruz::kConfigLines && !configFile.empty(); ++index) {
            const std::size_t line = configFile.find(duruz::kConfigKeys[index].key);
            const std::string value =
                configFile.substr(line + 6, configFile.find("  ", line) - line - 6);
            session->LoadConfigLine(index, value.c_str());
        }
        if (quietOpenRow < 0)
            session->FinishStartUp();
        else
            session->OpenWithCompleteSetting(quietOpenRow);
        return *session;
    }
    // Collects until the link has nothing more, answers to port choices included.
    std::string Shown() {
        std::string shown;
        for (duruz::SessionOutput out = session->Collect(); !out.lines.empty();
             out = session->Collect()) {
            settingsChanged = settingsChanged || out.settingsChanged;
            for (const std::string& line : out.lines)
                shown += line + "\n";
        }
        return shown;
    }
    FakeSysfs sysfs;
    std::map<std::string, std::unique_ptr<FakeSerialPort>> ports;
    std::unique_ptr<duruz::InstrumentSession> session;
    std::atomic<bool> woken = false;
    bool threaded = false;        // link jobs on the link thread instead of at once
    int quietOpenRow = -1;        // 0 and up: OpenWithCompleteSetting instead of FinishStartUp
    bool settingsChanged = false; // a collected output said so
};

ScopeSettings Complete() {
    ScopeSettings s;
    s.sweepRow = 1;
    s.trigger = {0, 1, -300, 1024};
    s.port.row = 0;
    s.channels = {{{0, 2, false, true}, {1, 5, true, false}}};
    s.window = {10, 20, 1300, 700};
    s.generator = {{{1, "1000", "0.5"}, {6, "2.5", "1.25"}}};
    return s;
}

TEST(InstrumentSession, StartUpSendsTheCompleteSettingAndTheResetItsOwnOrder) {
    SessionFixture fixture(2);
    duruz::InstrumentSession& session = fixture.Start(duruz::FormatConfig(Complete()));
    auto& usb0 = fixture.Port("/dev/ttyUSB0");
    EXPECT_TRUE(fixture.woken);
    EXPECT_EQ(fixture.Shown(),
              "%S// 1024    0\r\n%S01 1024 -300\r\n/dev/ttyUSB0\n/dev/ttyUSB0\n   opened\n"
              "/dev/ttyUSB0\n   configured\nSweepSpeed 1\n%S01 1024 -300\r\n%S01 1024 -300\r\n"
              "ProbeType1 0\nRange 2\n%X2\r\nProbeType2 1\nRange 5\n%Y5\r\n"
              "%G011000.000000,0.500000\n%G162.500000,1.250000\n");
    EXPECT_EQ(usb0.written, kRequest + "%S01 1024 -300\r%S01 1024 -300\r%X2\r%Y5\r" +
                                "%G011000.000000,0.500000" + kRequest + "%G162.500000,1.250000" +
                                kRequest);
    ScopeSettings expected = Complete();
    expected.port.path = "/dev/ttyUSB0";
    EXPECT_EQ(session.Settings(), expected);
    EXPECT_EQ(session.CapturedUnder(), expected);

    usb0.written.clear();
    session.FactoryReset();
    EXPECT_EQ(fixture.Shown(),
              "%S00 1024-2000\r\n%S00    0-2000\r\n/dev/ttyUSB1\n/dev/ttyUSB1\n   opened\n"
              "/dev/ttyUSB1\n   configured\nRange 0\n%X0\r\nRange 0\n%Y0\r\nSweepSpeed 0\n"
              "%S00    0-2000\r\nProbeType1 0\nProbeType2 0\n%S00    0-2000\r\n"
              "%G011000.000000,0.500000\n%G162.500000,1.250000\n");
    EXPECT_EQ(usb0.written, "%S00 1024-2000\r%S00    0-2000\r");
    EXPECT_EQ(fixture.Port("/dev/ttyUSB1").written,
              kRequest + "%X0\r%Y0\r%S00    0-2000\r%S00    0-2000\r%G011000.000000,0.500000" +
                  kRequest + "%G162.500000,1.250000" + kRequest);
    EXPECT_EQ(session.Status().port, "ttyUSB1");

    // A generator text that is not a number raises before the memo or wire see it.
    session.SetGeneratorTexts(1, "2,5x", "1");
    EXPECT_THROW(session.UpdateGenerator(1), std::invalid_argument);
    EXPECT_EQ(fixture.Shown(), "");
}

TEST(InstrumentSession, OpeningWithTheCompleteSettingAsksForAFrameOnlyAfterIt) {
    SessionFixture fixture(2);
    fixture.quietOpenRow = 0;
    fixture.Start(duruz::FormatConfig(Complete()));
    EXPECT_EQ(fixture.Port("/dev/ttyUSB0").written,
              "%S01 1024 -300\r%S01 1024 -300\r%X2\r%Y5\r%G011000.000000,0.500000"
              "%G162.500000,1.250000" +
                  kRequest);
    fixture.session->OpenWithCompleteSetting(2); // no such row
    EXPECT_EQ(fixture.Port("/dev/ttyUSB1").written, "");
}

TEST(InstrumentSession, TheLinkThreadGivesTheSameMemoAndWire) {
    std::string outcome[2];
    for (const bool threaded : {false, true}) {
        SessionFixture fixture(2);
        fixture.threaded = threaded;
        duruz::InstrumentSession& session = fixture.Start(duruz::FormatConfig(Complete()));
        session.FactoryReset();
        session.Worker().WaitIdle();
        outcome[threaded] = fixture.Shown() + fixture.Port("/dev/ttyUSB0").written +
                            fixture.Port("/dev/ttyUSB1").written;
    }
    EXPECT_EQ(outcome[0], outcome[1]);
}

TEST(InstrumentSession, KeepsOnlyFramesOfTheLatestSettingWithTheSettingsTheyHad) {
    SessionFixture fixture(1);
    duruz::InstrumentSession& session = fixture.Start();
    const std::string frame = "xHxH" + std::string(124, 'h') + std::string(8192, 'a');
    fixture.Port("/dev/ttyUSB0").reads = {"", frame, "", frame, "", frame};
    int kept = 0;
    for (int tick = 0; tick < 3; ++tick) {
        session.Tick();
        kept += session.Collect().frameKept;
    }
    EXPECT_EQ(kept, 1);
    EXPECT_GT(session.Arrival().steady.time_since_epoch().count(), 0); // its last byte's time
    EXPECT_EQ(session.Counters().stale, 2u);
    EXPECT_EQ(session.Frame().Sample(0, 0), 'a' * 257);
    EXPECT_EQ(session.CapturedUnder().trigger.positionBar, 1024);
    // A frame the link took under its latest setting is stale once the session has
    // sent another before collecting it.
    session.RequestCapture();
    fixture.Port("/dev/ttyUSB0").reads = {frame};
    session.Tick();
    session.SetRange(0, 3);
    EXPECT_FALSE(session.Collect().frameKept);
    EXPECT_EQ(session.Counters().stale, 3u);
    EXPECT_EQ(session.CapturedUnder().channels[0].rangeRow, 7);
    // A new choice of the port starts the counts again.
    session.ChoosePort(0);
    EXPECT_TRUE(session.Collect().portAnswered);
    EXPECT_EQ(session.Counters().stale, 0u);
}

TEST(InstrumentSession, ADeviceThatGoesAndComesBackIsReopenedWithTheWholeSetting) {
    SessionFixture fixture(0);
    fixture.sysfs.AddUsbDevice("ttyUSB0", {"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A5"});
    duruz::InstrumentSession& session = fixture.Start();
    fixture.Shown();
    fixture.sysfs.RemoveDevice("ttyUSB0");
    session.RefreshPorts();
    EXPECT_EQ(fixture.Shown(), "/dev/ttyUSB0\n   disconnected\n");
    EXPECT_EQ(session.Status().state, duruz::LinkStatus::State::Disconnected);
    auto& usb1 = fixture.Port("/dev/ttyUSB1");
    fixture.sysfs.AddUsbDevice("ttyUSB1", {"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A5"});
    session.RefreshPorts();
    EXPECT_EQ(fixture.Shown(),
              "/dev/ttyUSB1\n/dev/ttyUSB1\n   opened\n/dev/ttyUSB1\n   configured\nSweepSpeed 1\n"
              "%S11 1024    0\r\n%S11 1024    0\r\nProbeType1 1\nRange 7\n%X7\r\nProbeType2 1\n"
              "Range 7\n%Y7\r\n%G00200.000000,1.000000\n%G10201.000000,1.000000\n");
    EXPECT_TRUE(fixture.settingsChanged);
    EXPECT_EQ(usb1.written, kRequest + "%S11 1024    0\r%S11 1024    0\r%X7\r%Y7\r" +
                                "%G00200.000000,1.000000" + kRequest + "%G10201.000000,1.000000" +
                                kRequest);
    EXPECT_EQ(session.Status().state, duruz::LinkStatus::State::Open);
}

} // namespace
