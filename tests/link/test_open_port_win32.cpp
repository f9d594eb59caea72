#include "link/open_port.h"
#include "serial/dcb_settings.h"
#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using duruz::PortEntry;
using duruz::SerialLink;
using testing_support::FakeSerialPort;

struct NullLog : tk::LineLog {
    void Add(std::string_view) override {}
};

struct OnePortProvider : duruz::PortProvider {
    FakeSerialPort port;
    serial::SerialPort& PortFor(const PortEntry&) override { return port; }
};

// What a driver might report before the open: none of it the instrument's.
DCB DriverBlock() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fErrorChar = 1;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x0A;
    return dcb;
}

// The opening sequence, through the one DCB translation, writes exactly the
// instrument's line into the driver's block and keeps every other field.
TEST(OpenPortOnWindows, WritesTheInstrumentsLineIntoTheDriversBlock) {
    SerialLink link;
    PortEntry& row = link.PortTable[link.PortCount++];
    std::memcpy(row.name.data(), "COM3", 5);
    std::memcpy(row.path.data(), "\\\\.\\COM3", 9);
    OnePortProvider provider;
    NullLog log;
    ASSERT_TRUE(duruz::OpenPort(link, provider, 0, log));
    EXPECT_EQ(std::string(link.PortPath.data()), "\\\\.\\COM3");
    EXPECT_EQ(provider.port.events, (std::vector<std::string>{"open \\\\.\\COM3", "get", "clear",
                                                              "clear", "set", "timeouts"}));

    DCB block = DriverBlock();
    serial::SettingsToDcb(provider.port.applied, block);

    DCB expected = DriverBlock();
    expected.BaudRate = 115200;
    expected.ByteSize = 8;
    expected.Parity = 0;
    expected.StopBits = 0;
    expected.fDtrControl = 1;
    expected.fRtsControl = 2;
    expected.fTXContinueOnXoff = 1;
    expected.fAbortOnError = 1;
    expected.XonLim = 80;
    expected.XoffLim = 200;
    expected.XonChar = 0x54;
    expected.XoffChar = static_cast<char>(0xD4);
    expected.ErrorChar = 0x26;
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof(DCB)), 0);

    const serial::Timeouts& t = provider.port.appliedTimeouts;
    EXPECT_EQ(t.readIntervalMs, 1u);
    EXPECT_EQ(t.readTotalMultiplierMs, 1u);
    EXPECT_EQ(t.readTotalConstantMs, 1u);
    EXPECT_EQ(t.writeTotalMultiplierMs, 0u);
    EXPECT_EQ(t.writeTotalConstantMs, 0u);
}

} // namespace
