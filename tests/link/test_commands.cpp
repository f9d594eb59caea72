#include "link/commands.h"

#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <string>
#include <vector>

namespace {

using duruz::CommandText;

std::string Bytes(const CommandText& text) {
    return std::string(text.View());
}

// Hex pairs separated by blanks, as a wire trace reads.
std::string Hex(std::string_view bytes) {
    std::string out;
    char pair[4];
    for (unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, out.empty() ? "%02X" : " %02X", c);
        out += pair;
    }
    return out;
}

struct RecordingLog : tk::LineLog {
    std::vector<std::string> lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Puts the process in a decimal-comma locale: a named C locale when the machine
// has one, and in any case a C++ global locale whose numbers use ','.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "nl_NL.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                cLocale = name;
                break;
            }
        }
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
        if (cLocale.empty())
            RecordProperty("c_locale", "none installed; C++ global locale only");
        else
            RecordProperty("c_locale", cLocale);
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }
    std::string cLocale;
};

TEST(Commands, CaptureRequestIsFourBytes) {
    EXPECT_EQ(Hex(Bytes(duruz::CaptureRequestCommand())), "25 7A 0D 0A");
}

TEST(Commands, RangeBytes) {
    EXPECT_EQ(Hex(Bytes(duruz::RangeCommand(0, 3))), "25 58 33 0D");
    EXPECT_EQ(Hex(Bytes(duruz::RangeCommand(1, 7))), "25 59 37 0D");
    EXPECT_EQ(Bytes(duruz::RangeCommand(0, 0)), "%X0\r");
    EXPECT_EQ(Bytes(duruz::RangeCommand(1, -1)), "%Y-1\r");
    EXPECT_EQ(Bytes(duruz::RangeCommand(0, std::numeric_limits<int>::min())), "%X-2147483648\r");
}

TEST(Commands, SyncBytes) {
    EXPECT_EQ(Hex(Bytes(duruz::SyncCommand(0, 1, 298, 0))),
              "25 53 30 31 20 20 32 39 38 20 20 20 20 30 0D");
    EXPECT_EQ(Hex(Bytes(duruz::SyncCommand(1, 0, 2048, -2000))),
              "25 53 31 30 20 32 30 34 38 2D 32 30 30 30 0D");
    EXPECT_EQ(Bytes(duruz::SyncCommand(0, 0, 0, 2000)), "%S00    0 2000\r");
    // No row selected: '0' - 1 is '/', as the C library would print it.
    EXPECT_EQ(Bytes(duruz::SyncCommand(-1, -1, 5, -5)), "%S//    5   -5\r");
    // Wider numbers overflow the field instead of being cut.
    EXPECT_EQ(Bytes(duruz::SyncCommand(0, 0, 123456, -20000)), "%S00123456-20000\r");
    const CommandText widest =
        duruz::SyncCommand(std::numeric_limits<int>::min(), 0, std::numeric_limits<int>::min(),
                           std::numeric_limits<int>::min());
    // The code characters keep the low byte, as %c does.
    EXPECT_EQ(Bytes(widest), "%S00-2147483648-2147483648\r");
}

TEST(Commands, SigGenBytesAndFloatRounding) {
    const std::string sine = Bytes(duruz::SigGenCommand(0, 1, 200.0, 1.00));
    EXPECT_EQ(Hex(sine), "25 47 30 31 32 30 30 2E 30 30 30 30 30 30 2C 31 2E 30 30 30 30 30 30");
    EXPECT_EQ(sine.size(), 23u);
    EXPECT_EQ(Bytes(duruz::SigGenCommand(1, 6, 200.1, 0.5)), "%G16200.100006,0.500000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 2, 1000.7, 1.2)), "%G021000.700012,1.200000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(1, 10, 40000.0, 1.5)), "%G1:40000.000000,1.500000");
}

TEST(Commands, SigGenLimits) {
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 0.5, 1.0)), "%G011.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 50000.0, 1.0)), "%G0140000.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 100.0, -1.0)), "%G01100.000000,0.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 100.0, 2.0)), "%G01100.000000,1.500000");
    // Just under a limit in double rounds onto it in float and is kept.
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 0.99999999, 1.50000001)), "%G011.000000,1.500000");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, nan, nan)), "%G011.000000,0.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, inf, inf)), "%G0140000.000000,1.500000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, -inf, -inf)), "%G011.000000,0.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 1e300, -1e300)), "%G0140000.000000,0.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, -1e300, 1e300)), "%G011.000000,1.500000");
}

TEST(Commands, SigGenWithoutWaveformRowSwitchesOff) {
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, -1, 200.0, 1.0)), "%G00200.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(1, 11, 200.0, 1.0)), "%G10200.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(1, std::numeric_limits<int>::min(), 200.0, 1.0)),
              "%G10200.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 0, 200.0, 1.0)), "%G00200.000000,1.000000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 9, 200.0, 1.0)), "%G09200.000000,1.000000");
}

TEST_F(CommaLocale, NumbersKeepTheDecimalPoint) {
    // The environment really formats with a comma; otherwise the test proves nothing.
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
    if (!cLocale.empty()) {
        char probe[32];
        std::snprintf(probe, sizeof probe, "%f", 1.5);
        EXPECT_STREQ(probe, "1,500000") << cLocale;
    }

    EXPECT_EQ(Hex(Bytes(duruz::SigGenCommand(0, 1, 200.0, 1.00))),
              "25 47 30 31 32 30 30 2E 30 30 30 30 30 30 2C 31 2E 30 30 30 30 30 30");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(1, 3, 1000.7, 0.25)), "%G131000.700012,0.250000");
    EXPECT_EQ(Bytes(duruz::SigGenCommand(0, 1, 50000.0, 2.0)), "%G0140000.000000,1.500000");
    EXPECT_EQ(Bytes(duruz::SyncCommand(1, 0, 2048, -2000)), "%S10 2048-2000\r");
    EXPECT_EQ(Bytes(duruz::RangeCommand(1, 7)), "%Y7\r");

    RecordingLog log;
    duruz::SerialLink link;
    duruz::SendRange(link, log, 0, 1234);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Range 1234");
}

TEST(Commands, SendCommandEchoesThenWritesOnce) {
    testing_support::FakeSerialPort port;
    duruz::SerialLink link;
    link.PortHandle = &port;
    RecordingLog log;

    const CommandText sigGen = duruz::SigGenCommand(0, 1, 200.0, 1.0);
    duruz::SendCommand(link, log, sigGen);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "%G01200.000000,1.000000");
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], "%G01200.000000,1.000000");

    const CommandText sync = duruz::SyncCommand(0, 1, 298, 0);
    duruz::SendCommand(link, log, sync);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[1], "%S01  298    0\r"); // the memo gets the control bytes too
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[1], "%S01  298    0\r");
    EXPECT_EQ(port.written, "%G01200.000000,1.000000%S01  298    0\r");
}

TEST(Commands, SendRangeLogsIndexThenCommand) {
    testing_support::FakeSerialPort port;
    duruz::SerialLink link;
    link.PortHandle = &port;
    RecordingLog log;

    duruz::SendRange(link, log, 1, 7);
    duruz::SendRange(link, log, 0, 3);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Range 7", "%Y7\r", "Range 3", "%X3\r"}));
    EXPECT_EQ(port.writes, (std::vector<std::string>{"%Y7\r", "%X3\r"}));

    duruz::SendRange(link, log, 0, -1);
    EXPECT_EQ(log.lines[4], "Range -1");
    EXPECT_EQ(port.writes.back(), "%X-1\r");
}

TEST(Commands, WithoutPortEchoStillHappens) {
    duruz::SerialLink link; // no port open
    RecordingLog log;
    duruz::SendRange(link, log, 0, 2);
    duruz::SendCommand(link, log, duruz::SyncCommand(0, 0, 10, 20));
    duruz::SendCommand(link, log, duruz::SigGenCommand(1, 0, 1.0, 0.0));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Range 2", "%X2\r", "%S00   10   20\r",
                                                   "%G101.000000,0.000000"}));
}

} // namespace
