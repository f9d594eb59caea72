#include "app/form_fixture.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
using testing_support::FormFixture;

const std::string kCaptureRequest = "%z\r\n";

TEST(FormCreate, WithoutConfigFileSettlesTheListsAndSendsACompleteSetting) {
    FormFixture fixture;
    fixture.sysfs.AddDevice("ttyUSB0");
    fixture.sysfs.AddDevice("ttyUSB1");
    auto& usb1 = fixture.ports.Port("/dev/ttyUSB1");
    duruz::TForm2& form = fixture.Start();

    EXPECT_EQ(form.Caption(), "RORU-Duruz Rev 1.36 Dec 15 2025 15:05:33");
    EXPECT_EQ(form.Link.TimerInterval, 250);
    EXPECT_EQ(form.SyncPosBar.Position(), 1024);
    EXPECT_EQ(form.SyncVoltBar.Position(), 0);
    EXPECT_EQ(form.SweepSpeed.ItemIndex(), 1);
    EXPECT_EQ(form.Chan1Probe.ItemIndex(), 1);
    EXPECT_EQ(form.Chan2Probe.ItemIndex(), 1);
    EXPECT_EQ(form.Scale1.ItemIndex(), 7);
    EXPECT_EQ(form.Scale2.ItemIndex(), 7);
    // The selection check turns the unselected sync lists to their last rows.
    EXPECT_EQ(form.SyncSrcBox.ItemIndex(), 1);
    EXPECT_EQ(form.SyncPolBox.ItemIndex(), 1);
    EXPECT_EQ(form.Waveform1.ItemIndex(), -1);
    EXPECT_EQ(form.Waveform2.ItemIndex(), -1);

    // The last device before the simulator is the one opened.
    ASSERT_EQ(form.ComPort.Count(), 3);
    EXPECT_EQ(form.ComPort.Item(0), "ttyUSB0");
    EXPECT_EQ(form.ComPort.Item(1), "ttyUSB1");
    EXPECT_EQ(form.ComPort.Item(2), "Simulator");
    EXPECT_EQ(form.ComPort.ItemIndex(), 1);

    EXPECT_EQ(form.Display.Lines(),
              (Lines{"%S// 1024    0\r",
                     "W: 0 277 1511 899",
                     "",
                     "Reading config",
                     "End config",
                     "/dev/ttyUSB1",
                     "/dev/ttyUSB1",
                     "   opened",
                     "/dev/ttyUSB1",
                     "   configured",
                     "SweepSpeed 1",
                     "%S// 1024    0\r", // the sweep handler runs before the sync lists are settled
                     "%S11 1024    0\r",
                     "ProbeType1 1",
                     "Range 7",
                     "%X7\r",
                     "ProbeType2 1",
                     "Range 7",
                     "%Y7\r",
                     "%G00200.000000,1.000000",
                     "%G10201.000000,1.000000"}));
    EXPECT_EQ(usb1.written, kCaptureRequest + "%S// 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                "%Y7\r" + "%G00200.000000,1.000000" + kCaptureRequest +
                                "%G10201.000000,1.000000" + kCaptureRequest);
    // The first open left an empty settings file behind.
    EXPECT_TRUE(std::filesystem::exists(fixture.configPath));
    EXPECT_FALSE(form.Display.Visible());
}

TEST(FormCreate, OpensTheSimulatorWhenItIsTheOnlyRowAndNothingWithNoRows) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    ASSERT_EQ(form.ComPort.Count(), 1);
    EXPECT_EQ(form.ComPort.ItemIndex(), 0);
    EXPECT_EQ(form.Display.Line(5), "Simulator");
    EXPECT_EQ(fixture.ports.Port("Simulator").written.substr(0, 4), kCaptureRequest);
}

TEST(Button1, ShowsAndHidesTheMemoWithItsLinesKept) {
    FormFixture fixture;
    duruz::TForm2& form = fixture.Start();
    const int lines = form.Display.LineCount();
    form.Button1.Click();
    EXPECT_TRUE(form.Display.Visible());
    form.Button1.Click();
    EXPECT_FALSE(form.Display.Visible());
    form.Display.Add("while hidden");
    form.Button1.Click();
    EXPECT_TRUE(form.Display.Visible());
    EXPECT_EQ(form.Display.LineCount(), lines + 1);
}

} // namespace
