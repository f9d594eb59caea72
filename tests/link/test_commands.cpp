#include "link/commands.h"

#include "support/fake_serial_port.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace duruz;
using Lines = std::vector<std::string>;

struct RecordingLog : tk::LineLog {
    Lines lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Sets the C library's numbers to a decimal-comma locale: an installed one, or else
// one compiled with localedef into a private folder that LOCPATH points to. Returns
// what was tried when neither works.
std::string SetDecimalCommaCLocale() {
#ifdef _WIN32
    for (const char* name : {"de-DE", "German_Germany.1252"})
        if (std::setlocale(LC_ALL, name) != nullptr)
            return {};
    return "no decimal-comma C locale (de-DE) is available";
#else
    static const char* const kNames[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    for (const char* name : kNames)
        if (std::setlocale(LC_ALL, name) != nullptr)
            return {};
    namespace fs = std::filesystem;
    // The C library remembers a locale it did not find, so the private one is
    // compiled (unless an earlier run left it) before it is first asked for.
    const fs::path folder = fs::temp_directory_path() / "duruz-locales";
    if (!fs::exists(folder / "de_DE.UTF-8")) {
        // Compiled beside its place and renamed into it, so that test processes
        // running at the same time never see half a locale. localedef reports
        // warnings with a non-zero status; whether setlocale finds it is what counts.
        const fs::path building = folder / ("building-" + std::to_string(getpid()));
        fs::create_directories(building);
        const std::string command = "localedef -i de_DE -f UTF-8 " +
                                    (building / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
        std::error_code ignored;
        fs::rename(building / "de_DE.UTF-8", folder / "de_DE.UTF-8", ignored);
        fs::remove_all(building, ignored);
    }
    setenv("LOCPATH", folder.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr)
        return {};
    return "no decimal-comma C locale is installed, and localedef could not compile de_DE "
           "into " +
           folder.string();
#endif
}

// Every case runs in a C++ global locale whose numbers use ',' and group thousands,
// and in a decimal-comma C locale; without one the tests are skipped, saying so.
class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = SetDecimalCommaCLocale();
        if (!missing.empty())
            GTEST_SKIP() << missing;
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        if (std::string(text) != "1,5")
            GTEST_SKIP() << "a decimal-comma C locale was set, but printf still writes '" << text
                         << "': the C library does not follow it";
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
        ASSERT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }
};

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

TEST_F(Commands, SendEchoesTheTextThenWritesItOnce) {
    testing_support::FakeSerialPort port;
    SerialLink link;
    link.PortHandle = &port;
    RecordingLog log;
    SendCommand(link, log, SyncCommand(0, 1, 298, 0));
    SendRange(link, log, 1, 1234);
    EXPECT_EQ(log.lines, (Lines{"%S01  298    0\r", "Range 1234", "%Y1234\r"}));
    EXPECT_EQ(port.writes, (Lines{"%S01  298    0\r", "%Y1234\r"}));

    link.PortHandle = nullptr; // no port open: the echo still happens
    SendRange(link, log, 0, 2);
    EXPECT_EQ(log.lines, (Lines{"%S01  298    0\r", "Range 1234", "%Y1234\r", "Range 2", "%X2\r"}));
}

} // namespace
