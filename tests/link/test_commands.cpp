#include "link/commands.h"

#include "support/decimal_comma_locale.h"
#include "support/fake_serial_port.h"
#include "support/recording_log.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace duruz;
using Lines = std::vector<std::string>;

// Sending echoes the text, then writes it once; with no port open only the echo.
TEST(SendCommand, EchoesThenWritesOnceAndWithoutAPortOnlyEchoes) {
    testing_support::FakeSerialPort port;
    testing_support::RecordingLog log;
    SerialLink link;
    link.PortHandle = &port;
    SendCommand(link, log, SyncCommand(0, 1, 298, 0));
    SendRange(link, log, 1, 1234);
    link.PortHandle = nullptr;
    SendRange(link, log, 0, 2);
    EXPECT_EQ(log.lines, (Lines{"%S01  298    0\r", "Range 1234", "%Y1234\r", "Range 2", "%X2\r"}));
    EXPECT_EQ(port.writes, (Lines{"%S01  298    0\r", "%Y1234\r"}));
}

using Commands = testing_support::DecimalCommaLocale;

TEST_F(Commands, WireBytes) {
    const std::pair<CommandText, std::string> rows[] = {
        {CaptureRequestCommand(), "%z\r\n"},
        {RangeCommand(0, 3), "\x25\x58\x33\x0D"},
        {RangeCommand(1, 7), "%Y7\r"},
        {SyncCommand(0, 1, 298, 0), "%S01  298    0\r"},
        {SyncCommand(1, 0, 2048, -2000), "%S10 2048-2000\r"},
        {SyncCommand(-1, -1, 5, -5), "%S//    5   -5\r"}, // no row selected: '0' - 1
        // Wider numbers overflow their fields; the codes keep the low byte as %c does.
        {SyncCommand(INT_MIN, 0, INT_MIN, INT_MIN), "%S00-2147483648-2147483648\r"},
        {SigGenCommand(0, 1, 200.0, 1.00), "%G01200.000000,1.000000"}, // 23 bytes
        {SigGenCommand(1, 6, 200.1, 0.5), "%G16200.100006,0.500000"},  // through a float
        {SigGenCommand(1, 10, 40000.0, 1.5), "%G1:40000.000000,1.500000"},
        // Values are clamped; with no waveform row selected the generator is switched off.
        {SigGenCommand(0, -1, 0.5, -1.0), "%G001.000000,0.000000"},
        {SigGenCommand(1, 11, 50000.0, 2.0), "%G1040000.000000,1.500000"},
        {SigGenCommand(0, 1, NAN, NAN), "%G011.000000,0.000000"},
        {SigGenCommand(0, 1, 1e300, -1e300), "%G0140000.000000,0.000000"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(std::string(text.View()), expected);
}
