#include "app/form_fixture.h"
#include "support/qt_test_main.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

using Lines = std::vector<std::string>;
using testing_support::FormFixture;

const std::string kCaptureRequest = "%z\r\n";

// Every setting differs from the start-up values; ComPt picks the first of two devices.
const char* const kCompleteFile = "SwpSp 1                \r\n"
                                  "SySrc 0                \r\n"
                                  "SyPol 1                \r\n"
                                  "ComPt 0                /dev/ttyUSB0\r\n"
                                  "Prob1 0                \r\n"
                                  "Scal1 2                \r\n"
                                  "Prob2 1                \r\n"
                                  "Scal2 5                \r\n"
                                  "SyLev -300                \r\n"
                                  "SyPos 1024                \r\n"
                                  "Wleft 10                \r\n"
                                  "Wtopp 20                \r\n"
                                  "Wwidt 1300                \r\n"
                                  "Whigh 700                \r\n"
                                  "Scop1 0                \r\n"
                                  "Scop2 1                \r\n"
                                  "Fft1C 1                \r\n"
                                  "Fft2C 0                \r\n"
                                  "Hold  0                \r\n"
                                  "Wave1 1                \r\n"
                                  "Freq1 1000               \r\n"
                                  "Ampl1 0.5               \r\n"
                                  "Wave2 6                \r\n"
                                  "Freq2 2.5               \r\n"
                                  "Ampl2 1.25               \r\n";

FormFixture& WithTwoDevices(FormFixture& fixture) {
    fixture.sysfs.AddDevice("ttyUSB0");
    fixture.sysfs.AddDevice("ttyUSB1");
    return fixture;
}

// The first `lines` lines of kCompleteFile with texts replaced in order.
std::string Edited(std::initializer_list<std::pair<std::string, std::string>> edits,
                   int lines = 25) {
    std::string file = kCompleteFile;
    std::size_t end = 0;
    for (int i = 0; i < lines; ++i)
        end = file.find("\r\n", end) + 2;
    file.resize(end);
    for (const auto& [from, to] : edits)
        file.replace(file.find(from), from.size(), to);
    return file;
}

// The lines from "Reading config" to "End config".
Lines LoadedLines(const duruz::TForm2& form) {
    const Lines all = form.Display.Lines();
    const auto first = std::find(all.begin(), all.end(), "Reading config");
    const auto last = std::find(first, all.end(), "End config");
    return last == all.end() ? Lines{} : Lines(first, last + 1);
}

// The 25 persisted settings as the window holds them, in file order.
Lines Snapshot(const duruz::TForm2& f) {
    Lines out;
    auto numbers = [&out](auto... values) { (out.push_back(std::to_string(values)), ...); };
    numbers(f.SweepSpeed.ItemIndex(), f.SyncSrcBox.ItemIndex(), f.SyncPolBox.ItemIndex(),
            f.ComPort.ItemIndex(), f.Chan1Probe.ItemIndex(), f.Scale1.ItemIndex(),
            f.Chan2Probe.ItemIndex(), f.Scale2.ItemIndex(), f.SyncVoltBar.Position(),
            f.SyncPosBar.Position(), f.FormLeft(), f.FormTop(), f.FormWidth(), f.FormHeight(),
            f.Scope1CheckBox.Checked(), f.Scope2CheckBox.Checked(), f.Fft1CheckBox.Checked(),
            f.Fft2CheckBox.Checked(), f.HoldBox.Checked(), f.Waveform1.ItemIndex());
    out.insert(out.end(), {f.Freq1.Text(), f.Ampl1.Text()});
    numbers(f.Waveform2.ItemIndex());
    out.insert(out.end(), {f.Freq2.Text(), f.Ampl2.Text()});
    return out;
}

// Settings 11 to 25: the window's geometry, the check boxes and the generator.
Lines Tail(const Lines& settings) {
    return Lines(settings.begin() + 10, settings.end());
}

const Lines kStartTail = {"0", "277", "1511", "899",  "1",  "1",   "0",   "0",
                          "0", "-1",  "200",  "1.00", "-1", "201", "1.00"};

TEST(SaveConfig, ClosingWritesTheControlsByteForByte) {
    FormFixture fixture;
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    form.SweepSpeed.UserSelect(0);
    form.SyncSrcBox.SetItemIndex(0);
    form.SyncPolBox.SetItemIndex(-1);
    form.Chan1Probe.UserSelect(0);
    form.Scale1.UserSelect(3);
    form.Scale2.SetItemIndex(-1);
    form.SyncVoltBar.SetPosition(-1500);
    form.SyncPosBar.SetPosition(2048);
    form.SetLeft(12);
    form.SetTop(40);
    form.SetWidth(1200);
    form.SetHeight(800);
    form.Scope2CheckBox.SetChecked(false);
    form.Fft1CheckBox.SetChecked(true);
    form.HoldBox.SetChecked(true);
    form.Freq1.SetText("5");
    form.Ampl1.SetText("");
    form.Waveform2.UserSelect(9);
    form.Ampl2.SetText("2.50");
    form.Close();
    EXPECT_EQ(fixture.ReadFile(fixture.configPath), "SwpSp 0                \r\n"
                                                    "SySrc 0                \r\n"
                                                    "SyPol -1                \r\n"
                                                    "ComPt 1                /dev/ttyUSB1\r\n"
                                                    "Prob1 0                \r\n"
                                                    "Scal1 3                \r\n"
                                                    "Prob2 1                \r\n"
                                                    "Scal2 -1                \r\n"
                                                    "SyLev -1500                \r\n"
                                                    "SyPos 2048                \r\n"
                                                    "Wleft 12                \r\n"
                                                    "Wtopp 40                \r\n"
                                                    "Wwidt 1200                \r\n"
                                                    "Whigh 800                \r\n"
                                                    "Scop1 1                \r\n"
                                                    "Scop2 0                \r\n"
                                                    "Fft1C 1                \r\n"
                                                    "Fft2C 0                \r\n"
                                                    "Hold  1                \r\n"
                                                    "Wave1 -1                \r\n"
                                                    "Freq1 5               \r\n"
                                                    "Ampl1                \r\n"
                                                    "Wave2 9                \r\n"
                                                    "Freq2 201               \r\n"
                                                    "Ampl2 2.50               \r\n");

    // The one-character text comes back with its space, the empty one as two spaces,
    // which does not convert: start-up stops at channel A.
    testing_support::ReportedErrors().clear();
    fixture.form.reset();
    duruz::TForm2& again = fixture.Start();
    EXPECT_EQ(again.Freq1.Text(), "5 ");
    EXPECT_EQ(again.Ampl1.Text(), "  ");
    EXPECT_EQ(testing_support::ReportedErrors(), Lines{"'  ' is not a valid floating point value"});
    EXPECT_EQ(again.Display.Lines().back(), "%Y7\r");
}

TEST(SaveConfig, AFailedSaveLeavesTheOldFileWhole) {
    FormFixture fixture;
    fixture.WriteConfig(kCompleteFile);
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    form.Scale1.UserSelect(0);

    // A write that fails halfway (file size limit, which holds even for root).
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    form.Close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(fixture.ReadFile(fixture.configPath), kCompleteFile);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fixture.folder),
                            std::filesystem::directory_iterator()),
              1);

    // A folder that does not exist: nothing is read, created or saved.
    fixture.form.reset();
    fixture.configPath = fixture.folder + "/missing/Config.Ini";
    duruz::TForm2& nowhere = fixture.Start();
    EXPECT_EQ(LoadedLines(nowhere), Lines{});
    nowhere.Close();
    EXPECT_FALSE(std::filesystem::exists(fixture.folder + "/missing"));
}

TEST(LoadConfig, NoFileLeavesTheStartValuesAndAnEmptyFile) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    EXPECT_EQ(LoadedLines(form), (Lines{"Reading config", "End config"}));
    EXPECT_EQ(std::filesystem::file_size(fixture.configPath), 0u);
    EXPECT_EQ(Tail(Snapshot(form)), kStartTail);
    EXPECT_EQ(form.SyncSrcBox.ItemIndex(), 1);
    EXPECT_EQ(form.SyncPolBox.ItemIndex(), 1);
}

TEST(LoadConfig, ShortFileSetsItsTenSettingsAndClampsTheLevel) {
    FormFixture fixture;
    fixture.WriteConfig(Edited(
        {{"SwpSp 1", "SwpSp 7"}, {"SyLev -300", "SyLev 5000"}, {"SyPos 1024", "SyPos 100"}}, 10));
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    EXPECT_EQ(LoadedLines(form),
              (Lines{"Reading config", "SwpSp 7 ", "SySrc 0 ", "SyPol 1 ", "ComPt 0 ", "Prob1 0 ",
                     "Scal1 2 ", "Prob2 1 ", "Scal2 5 ", "SyLev 5000", "%S01 1024 2000\r",
                     "SyPos 100", "%S01  100 2000\r", "End config"}));
    Lines expected = {"1", "0", "1", "0", "0", "2", "1", "5", "2000", "100"};
    expected.insert(expected.end(), kStartTail.begin(), kStartTail.end());
    EXPECT_EQ(Snapshot(form), expected);
}

TEST(LoadConfig, ReadsByPositionThroughBlankLinesAndOddValues) {
    FormFixture fixture;
    // Swapped keys, blank lines, lone CR and LF, a flag of 2 and one of letters, a row
    // past the list's end, a one-digit text.
    fixture.WriteConfig(Edited({{"SwpSp 1                \r\nSySrc 0                \r\n",
                                 "\r\n\r\nSySrc 1                \rSwpSp 0                \n"},
                                {"SyPol 1                \r\n", "SyPol 1                \n\n\r\r"},
                                {"Scop1 0", "Scop1 on"},
                                {"Hold  0", "Hold  2"},
                                {"Wave1 1 ", "Wave1 12"},
                                {"Freq1 1000", "Freq1 5   "},
                                {"1.25               \r\n", "1.25               \n"}}));
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    EXPECT_EQ(LoadedLines(form)[1], "SySrc 1 ");
    EXPECT_EQ(Snapshot(form), (Lines{"1",    "0",  "1",  "0",    "0",   "2",   "1",   "5", "-300",
                                     "1024", "10", "20", "1300", "700", "0",   "1",   "1", "0",
                                     "1",    "-1", "5 ", "0.5",  "6",   "2.5", "1.25"}));
    // Channel A converts the one digit with its space.
    EXPECT_NE(
        fixture.ports.Port("/dev/ttyUSB0").written.find("%G005.000000,0.500000" + kCaptureRequest),
        std::string::npos);
}

TEST(LoadConfig, AnOversizedWindowIsKeptShowable) {
    FormFixture fixture;
    fixture.WriteConfig(
        Edited({{"Wwidt 1300", "Wwidt 99999999"}, {"Whigh 700", "Whigh 99999999"}}));
    duruz::TForm2& form = fixture.Start();
    EXPECT_EQ(form.FormWidth(), 8192);
    EXPECT_EQ(form.FormHeight(), 8192);
    form.ShowMaximized(); // allocates the window's picture at the restored size first
    QApplication::processEvents();
    EXPECT_GT(form.ClientWidth(), 0);
}

TEST(LoadConfig, EveryControlSurvivesARestart) {
    FormFixture fixture;
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    const Lines fresh = Snapshot(form);
    form.SweepSpeed.UserSelect(0);
    form.SyncSrcBox.UserSelect(0);
    form.SyncPolBox.UserSelect(0);
    form.ComPort.UserSelect(0);
    form.Chan1Probe.UserSelect(0);
    form.Scale1.UserSelect(4);
    form.Chan2Probe.UserSelect(0);
    form.Scale2.UserSelect(1);
    form.SyncVoltBar.SetPosition(-1234);
    form.SyncPosBar.SetPosition(77);
    form.SetLeft(33);
    form.SetTop(44);
    form.SetWidth(1000);
    form.SetHeight(600);
    form.Scope1CheckBox.SetChecked(false);
    form.Scope2CheckBox.SetChecked(false);
    form.Fft1CheckBox.SetChecked(true);
    form.Fft2CheckBox.SetChecked(true);
    form.HoldBox.SetChecked(true);
    form.Waveform1.UserSelect(8);
    form.Freq1.SetText("39999.5");
    form.Ampl1.SetText("1.5");
    form.Waveform2.UserSelect(10);
    form.Freq2.SetText("7.25");
    form.Ampl2.SetText("0.01");
    const Lines left = Snapshot(form);
    for (std::size_t i = 0; i < left.size(); ++i)
        EXPECT_NE(left[i], fresh[i]) << "setting " << i + 1 << " was not changed";
    form.Close();

    fixture.form.reset();
    EXPECT_EQ(Snapshot(fixture.Start()), left);
    const std::string& wire = fixture.ports.Port("/dev/ttyUSB0").written;
    EXPECT_EQ(wire.substr(wire.rfind("%G0")), "%G0839999.500000,1.500000" + kCaptureRequest +
                                                  "%G1:7.250000,0.010000" + kCaptureRequest);
}

TEST(FormCreate, CompleteFileGivesTheWholeMemoAndWireInOrder) {
    FormFixture fixture;
    fixture.WriteConfig(kCompleteFile);
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    // SyPos leaves the bar where it is, so no command follows its line.
    EXPECT_EQ(form.Display.Lines(), (Lines{"%S// 1024    0\r",
                                           "W: 0 277 1511 899",
                                           "",
                                           "Reading config",
                                           "SwpSp 1 ",
                                           "SySrc 0 ",
                                           "SyPol 1 ",
                                           "ComPt 0 ",
                                           "Prob1 0 ",
                                           "Scal1 2 ",
                                           "Prob2 1 ",
                                           "Scal2 5 ",
                                           "SyLev -300",
                                           "%S01 1024 -300\r",
                                           "SyPos 1024",
                                           "Wleft 10",
                                           "Wtopp 20",
                                           "Wwidt 1300",
                                           "Whigh 700",
                                           "Scop1 0 ",
                                           "Scop2 1 ",
                                           "Fft1C 1 ",
                                           "Fft2C 0 ",
                                           "Hold  0 ",
                                           "Wave1 1 ",
                                           "Freq1 1000",
                                           "Ampl1 0.5",
                                           "Wave2 6 ",
                                           "Freq2 2.5",
                                           "Ampl2 1.25",
                                           "End config",
                                           "/dev/ttyUSB0",
                                           "/dev/ttyUSB0",
                                           "   opened",
                                           "/dev/ttyUSB0",
                                           "   configured",
                                           "SweepSpeed 1",
                                           "%S01 1024 -300\r",
                                           "%S01 1024 -300\r",
                                           "ProbeType1 0",
                                           "Range 2",
                                           "%X2\r",
                                           "ProbeType2 1",
                                           "Range 5",
                                           "%Y5\r",
                                           "%G011000.000000,0.500000",
                                           "%G162.500000,1.250000"}));
    EXPECT_EQ(fixture.ports.Port("/dev/ttyUSB0").written,
              kCaptureRequest + "%S01 1024 -300\r" + "%S01 1024 -300\r" + "%X2\r" + "%Y5\r" +
                  "%G011000.000000,0.500000" + kCaptureRequest + "%G162.500000,1.250000" +
                  kCaptureRequest);
    EXPECT_TRUE(fixture.ports.Port("/dev/ttyUSB1").events.empty());
}

TEST(DefaultsClick, SendsTheFactorySettingAndLeavesTheRestAlone) {
    FormFixture fixture;
    fixture.WriteConfig(kCompleteFile);
    duruz::TForm2& form = WithTwoDevices(fixture).Start();
    auto& usb0 = fixture.ports.Port("/dev/ttyUSB0");
    auto& usb1 = fixture.ports.Port("/dev/ttyUSB1");
    const std::size_t before = usb0.written.size();
    const Lines tail = Tail(Snapshot(form));
    form.Defaults.Click();

    // The bars' moves reach the port still open, then it is closed.
    EXPECT_EQ(usb0.written.substr(before), "%S00 1024-2000\r%S00    0-2000\r");
    EXPECT_EQ(usb0.events.back(), "close");
    const std::string reset = kCaptureRequest + "%X0\r%Y0\r%S00    0-2000\r%S00    0-2000\r";
    EXPECT_EQ(usb1.written, reset + "%G011000.000000,0.500000" + kCaptureRequest +
                                "%G162.500000,1.250000" + kCaptureRequest);
    EXPECT_EQ(form.ComPort.ItemIndex(), 1);
    const std::string widestX10 = std::string("\xB1") + "240V";
    EXPECT_EQ(form.Scale1.Item(form.Scale1.ItemIndex()), widestX10);
    EXPECT_EQ(form.Scale2.Item(form.Scale2.ItemIndex()), widestX10);

    EXPECT_EQ(Tail(Snapshot(form)), tail);

    // Bars already at 0 send nothing before the reopen; a bad channel-A text ends the
    // sequence there, reported, with nothing of channel B.
    testing_support::ReportedErrors().clear();
    form.Freq1.SetText("1k");
    usb1.written.clear();
    usb1.events.clear();
    form.Defaults.Click();
    EXPECT_EQ(usb1.written, reset);
    EXPECT_EQ(usb1.events.front(), "close");
    EXPECT_EQ(testing_support::ReportedErrors(), Lines{"'1k' is not a valid floating point value"});
}

} // namespace
