#include "app/form_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

TEST(FormCreate, WithoutConfigFileSettlesTheListsAndSendsACompleteSetting) {
    FormFixture fixture(2);
    duruz::TForm2& form = fixture.Start();
    EXPECT_EQ(form.Caption(), "RORU-Duruz Rev 1.36 Dec 15 2025 15:05:33");
    // The last device before the simulator is opened. The sweep handler runs before the
    // selection check turns the unselected sync lists to their last rows.
    EXPECT_EQ(fixture.Shown(),
              "%S// 1024    0\r\nW: 0 277 1511 899\n\n"
              "Reading config\nEnd config\n"
              "/dev/ttyUSB1\n/dev/ttyUSB1\n   opened\n/dev/ttyUSB1\n   configured\n"
              "SweepSpeed 1\n%S// 1024    0\r\n%S11 1024    0\r\n"
              "ProbeType1 1\nRange 7\n%X7\r\n"
              "ProbeType2 1\nRange 7\n%Y7\r\n"
              "%G00200.000000,1.000000\n%G10201.000000,1.000000\n");
    EXPECT_EQ(fixture.Port("/dev/ttyUSB1").written,
              kCaptureRequest +
                  "%S// 1024    0\r%S11 1024    0\r%X7\r%Y7\r%G00200.000000,1.000000" +
                  kCaptureRequest + "%G10201.000000,1.000000" + kCaptureRequest);
    EXPECT_EQ(form.Waveform1.ItemIndex(), -1);
    EXPECT_EQ(form.Waveform2.ItemIndex(), -1);
    // The first open left an empty settings file behind.
    EXPECT_EQ(std::filesystem::file_size(fixture.configPath), 0u);

    // "." shows and hides the memo.
    EXPECT_FALSE(form.Display.Visible());
    form.Button1.Click();
    EXPECT_TRUE(form.Display.Visible());
    form.Button1.Click();
    EXPECT_FALSE(form.Display.Visible());
}

TEST(RefreshCommClick, RebuildsTheRowsAndKeepsTheOpenPortSelectedWithoutReopeningIt) {
    FormFixture fixture(2);
    duruz::TForm2& form = fixture.Start();
    fixture.sysfs.AddDevice("ttyACM0");
    const auto events = fixture.Port("/dev/ttyUSB1").events;
    form.RefreshComm.Click();
    ASSERT_EQ(form.ComPort.Count(), 4);
    EXPECT_EQ(form.ComPort.Item(0), "ttyACM0");
    EXPECT_EQ(form.ComPort.Item(3), "Simulator");
    EXPECT_EQ(form.ComPort.Item(form.ComPort.ItemIndex()), "ttyUSB1");
    EXPECT_EQ(fixture.Port("/dev/ttyUSB1").events, events);
}

} // namespace
