#include "app/window_fixture.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#ifndef _WIN32
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace testing_support;

// In file order: SwpSp SySrc SyPol ComPt Prob1 Scal1 Prob2 Scal2 SyLev SyPos, the window's
// geometry, the five boxes, then the generator. ComPt picks the first of two devices.
const FileValues kComplete{1,     0,  1,      0,     0,   2,     1,     5,    -300,
                           1024,  10, 20,     1300,  700, false, true,  true, false,
                           false, 1,  "1000", "0.5", 6,   "2.5", "1.25"};

TEST(WindowStartUp, CompleteFileIsAppliedLineByLineAndTheResetIsShown) {
    WindowFixture fixture(2);
    fixture.WriteConfig(Ini(kComplete));
    duruz::MainWindow& window = fixture.Start();
    EXPECT_EQ(window.Caption(), "RORU-Duruz Rev 1.36 Dec 15 2025 15:05:33");
    // The controls that send nothing, each read on its own rather than through the table.
    EXPECT_EQ((std::vector<int>{
                  window.FormLeft(), window.FormTop(), window.FormWidth(), window.FormHeight(),
                  window.vertical.shown1.Checked(), window.vertical.shown2.Checked(),
                  window.vertical.spectrum1.Checked(), window.vertical.spectrum2.Checked()}),
              (std::vector<int>{10, 20, 1300, 700, 0, 1, 1, 0}));
    // SyPos leaves the bar where it is, so no command follows its line.
    EXPECT_EQ(fixture.Shown(),
              "%S// 1024    0\r\nW: 0 277 1511 899\n\nReading config\nSwpSp 1 \nSySrc 0 \n"
              "SyPol 1 \nComPt 0 \nProb1 0 \nScal1 2 \nProb2 1 \nScal2 5 \nSyLev -300\n"
              "%S01 1024 -300\r\nSyPos 1024\nWleft 10\nWtopp 20\nWwidt 1300\nWhigh 700\n"
              "Scop1 0 \nScop2 1 \nFft1C 1 \nFft2C 0 \nHold  0 \nWave1 1 \nFreq1 1000\n"
              "Ampl1 0.5\nWave2 6 \nFreq2 2.5\nAmpl2 1.25\nEnd config\n/dev/ttyUSB0\n"
              "/dev/ttyUSB0\n   opened\n/dev/ttyUSB0\n   configured\nSweepSpeed 1\n"
              "%S01 1024 -300\r\n%S01 1024 -300\r\nProbeType1 0\nRange 2\n%X2\r\nProbeType2 1\n"
              "Range 5\n%Y5\r\n%G011000.000000,0.500000\n%G162.500000,1.250000\n");
    // The reset, whose memo and wire the session's tests hold: the panels show it, the
    // bars at 0 and the last device's row.
    window.ports.factoryReset.Click();
    EXPECT_EQ(std::tuple(window.trigger.levelBar.Position(), window.trigger.positionBar.Position(),
                         window.ports.portList.ItemIndex(), window.trigger.sweep.ItemIndex()),
              std::tuple(0, 0, 1, 0));
    // Row 0 and position 0 everywhere and the last port; the rest stays.
    EXPECT_EQ(Ini(window.Session().Settings()),
              Ini(FileValues{0,     0,  0,      1,     0,   0,     0,     0,    0,
                             0,     10, 20,     1300,  700, false, true,  true, false,
                             false, 1,  "1000", "0.5", 6,   "2.5", "1.25"}));
    EXPECT_EQ(window.vertical.range2.Item(0), std::string("\xB1") + "240V"); // relabelled for x10
    window.status.memoToggle.Click(); // "." shows and hides the memo
    EXPECT_TRUE(window.status.memo.Visible());
    window.status.memoToggle.Click();
    EXPECT_FALSE(window.status.memo.Visible());
}

TEST(SaveConfig, EverySettingSurvivesARestartByteForByte) {
    const FileValues changed{0,    0,  0,      0,     0,   2,     0,     5,    -300,
                             100,  10, 20,     1300,  700, false, false, true, true,
                             true, 1,  "1000", "0.5", 6,   "2.5", "1.25"};
    WindowFixture fixture(2);
    fixture.WriteConfig(Ini(changed));
    duruz::MainWindow& window = fixture.Start();
    std::filesystem::remove(fixture.configPath); // closing writes even when nothing changed
    window.Close();
    EXPECT_EQ(ReadFile(fixture.configPath), Ini(changed));
    EXPECT_NE(fixture.Shown().find("Config.Ini saved\n"), std::string::npos);

    // A read-only file stays as it is, and the memo says so.
    std::filesystem::permissions(fixture.configPath, std::filesystem::perms::owner_read);
    fixture.Start().Close();
    EXPECT_NE(fixture.Shown().find("Config.Ini is read-only: settings not saved\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(fixture.configPath), Ini(changed));

    // A folder that does not exist: nothing is read, created or saved.
    fixture.configPath = fixture.working.File("missing/Config.Ini");
    fixture.Start().Close();
    EXPECT_EQ(fixture.Shown().find("Reading config"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(fixture.working.File("missing")));

#ifndef _WIN32
    // A FIFO counts as no file; start-up goes on without waiting for a writer.
    fixture.configPath = fixture.working.File("Fifo.Ini");
    ASSERT_EQ(mkfifo(fixture.configPath.c_str(), 0600), 0);
    fixture.Start();
    EXPECT_NE(fixture.Shown().find("W: 0 277 1511 899\n\n"
                                   "Config.Ini is not a regular file: settings not read\n/dev/"),
              std::string::npos);

    // The superuser's files in a sticky folder, as in /tmp: a write-only one is left as
    // it is, and another is not `nobody`'s to replace, which the memo says with the
    // reason. The windows run as `nobody` in a child process.
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr)
        GTEST_SKIP() << "another user's files need the superuser, and a user `nobody`";
    std::filesystem::permissions(fixture.working.Path(), std::filesystem::perms(01777));
    for (const auto& [name, mode] : {std::pair("Other.Ini", 0222), {"Shared.Ini", 0666}}) {
        fixture.configPath = fixture.working.File(name);
        fixture.WriteConfig(Ini(changed));
        std::filesystem::permissions(fixture.configPath, std::filesystem::perms(mode));
    }
    EXPECT_EXIT(
        {
            for (const char* name : {"Other.Ini", "Shared.Ini"}) {
                fixture.configPath = fixture.working.File(name);
                if (setuid(nobody->pw_uid) == 0)
                    fixture.Start().Close();
                std::fputs(fixture.Shown().c_str(), stderr);
            }
            std::_Exit(0);
        },
        testing::ExitedWithCode(0),
        "could not be read: Permission denied\n(.|\n)*could not be read: settings not saved\n"
        "(.|\n)*could not be saved: Operation not permitted\n$");
    EXPECT_EQ(ReadFile(fixture.working.File("Other.Ini")) + ReadFile(fixture.configPath),
              Ini(changed) + Ini(changed));
#endif
}

TEST(LoadConfig, ReadsByPositionThroughBlankLinesAndOddValuesAndClampsTheLevel) {
    // Swapped keys, blank lines, lone CR and LF, a window too large to show, a flag of 2
    // and one of letters, rows equal to the lists' counts, a one-digit text.
    std::string file = Ini(kComplete);
    for (const auto& [from, to] : std::initializer_list<std::pair<std::string, std::string>>{
             {"SwpSp 1                \r\nSySrc 0                \r\n",
              "\r\n\r\nSySrc 1                \rSwpSp 0                \n"},
             {"SyPol 1                \r\n", "SyPol 1                \n\n\r\r"},
             {"Prob2 1 ", "Prob2 2 "},
             {"Wwidt 1300", "Wwidt 99999999"},
             {"Whigh 700", "Whigh 99999999"},
             {"Scop1 0", "Scop1 on"},
             {"Hold  0", "Hold  2"},
             {"Wave1 1 ", "Wave1 10"},
             {"Freq1 1000", "Freq1 5   "},
             {"1.25               \r\n", "1.25               \n"}})
        file.replace(file.find(from), from.size(), to);
    WindowFixture fixture(2);
    fixture.WriteConfig(file);
    duruz::MainWindow& window = fixture.Start();
    EXPECT_NE(fixture.Shown().find("Reading config\nSySrc 1 \nSwpSp 0 \n"), std::string::npos);
    // kComplete with Wwidt and Whigh at their bound, Hold set, Wave1 unselected, Freq1 "5 ".
    // Windows grants a framed window no more than its largest tracking size, about the
    // screen's, and the window keeps the size it got.
    int width = 8192, height = 8192;
#ifdef _WIN32
    EXPECT_LT(std::max(window.FormWidth(), window.FormHeight()), 8192);
    width = window.FormWidth(), height = window.FormHeight();
#endif
    EXPECT_EQ(Ini(window.Session().Settings()),
              Ini(FileValues{1,    0,  1,    0,     0,      2,     1,     5,    -300,
                             1024, 10, 20,   width, height, false, true,  true, false,
                             true, -1, "5 ", "0.5", 6,      "2.5", "1.25"}));
    // Channel A converts the one digit with its space.
    EXPECT_NE(fixture.Port("/dev/ttyUSB0").written.find("%G005.000000,0.500000" + kCaptureRequest),
              std::string::npos);

    // A file of ten lines sets those ten, the sweep row and the level clamped; the later
    // settings keep their start-up values.
    const std::string ini = Ini(FileValues{7, 0, 1, 0, 0, 2, 1, 5, 5000, 100});
    fixture.WriteConfig(ini.substr(0, ini.find("Wleft")));
    EXPECT_EQ(Ini(fixture.Start().Session().Settings()),
              Ini(FileValues{1, 0, 1, 0, 0, 2, 1, 5, 2000, 100}));
    EXPECT_NE(fixture.Shown().find("SyLev 5000\n%S01 1024 2000\r\nSyPos 100\n%S01  100 2000\r\n"
                                   "End config\n"),
              std::string::npos);
}

} // namespace
