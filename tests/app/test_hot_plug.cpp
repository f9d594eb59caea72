#include "app/form_fixture.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// Announces a change the way the system does and lets the message loop act on it.
void Announce(FormFixture& fixture, serial::DeviceChange change, const std::string& name) {
    const int taken = fixture.monitor.taken;
    fixture.monitor.Push(change, name);
    for (int i = 0; i < 100 && fixture.monitor.taken == taken; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GT(fixture.monitor.taken, taken) << "the window never took the event";
}

// The selected row's index, then every row.
std::string Rows(const duruz::TForm2& form) {
    std::string rows = std::to_string(form.ComPort.ItemIndex());
    for (int i = 0; i < form.ComPort.Count(); ++i)
        rows += "|" + form.ComPort.Item(i);
    return rows;
}

TEST(HotPlug, RowsFollowDevicesAndTheOpenPortReconnectsWithTheWholeSetting) {
    FormFixture fixture;
    fixture.sysfs.AddUsbDevice("ttyUSB0",
                               {"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
    fixture.sysfs.AddUsbDevice("ttyUSB1", {"1-2", "0403", "6001", "FTDI", "FT232R USB UART", "B7"});
    duruz::TForm2& form = fixture.Start();
    auto& usb1 = fixture.Port("/dev/ttyUSB1");
    // Too long for the list's width: the names alone, what they are in the tooltips.
    EXPECT_EQ(Rows(form), "1|ttyUSB0|ttyUSB1|Simulator");
    EXPECT_EQ(form.ComPort.ItemHint(0), "ttyUSB0 \x97 FTDI FT232R USB UART (A50285BI)");

    // The open port's device goes: its row stays, marked, and the link lets go of the
    // port rather than poll a device that is not there.
    fixture.Mark();
    fixture.sysfs.RemoveDevice("ttyUSB1");
    Announce(fixture, serial::DeviceChange::Removed, "ttyUSB1");
    EXPECT_EQ(Rows(form), "1|ttyUSB0|ttyUSB1 (disconnected)|Simulator");
    EXPECT_EQ(fixture.Shown(), "/dev/ttyUSB1\n   disconnected\n");
    EXPECT_EQ(usb1.events, Lines{"close"});

    // Another device is only listed, even in the socket the open one used; the same device
    // under a new name is opened and sent the start-up sequence. Its first sweep command
    // now carries the sync settings, which start-up had not selected yet when it sent its
    // own.
    fixture.Mark();
    fixture.sysfs.AddUsbDevice("ttyUSB3", {"1-2", "1a86", "7523", nullptr, nullptr, "C9"});
    Announce(fixture, serial::DeviceChange::Added, "ttyUSB3");
    fixture.sysfs.AddUsbDevice("ttyUSB2", {"1-4", "0403", "6001", "FTDI", "FT232R USB UART", "B7"});
    Announce(fixture, serial::DeviceChange::Added, "ttyUSB2");
    EXPECT_EQ(fixture.Port("/dev/ttyUSB3").events.size() + usb1.events.size(), 0u);
    EXPECT_EQ(Rows(form), "1|ttyUSB0|ttyUSB2|ttyUSB3|Simulator");
    EXPECT_EQ(fixture.Shown(),
              "/dev/ttyUSB2\n/dev/ttyUSB2\n   opened\n/dev/ttyUSB2\n   configured\nSweepSpeed 1\n"
              "%S11 1024    0\r\n%S11 1024    0\r\nProbeType1 1\nRange 7\n%X7\r\nProbeType2 1\n"
              "Range 7\n%Y7\r\n%G00200.000000,1.000000\n%G10201.000000,1.000000\n");
    auto& usb2 = fixture.Port("/dev/ttyUSB2");
    EXPECT_EQ(usb2.written,
              kCaptureRequest +
                  "%S11 1024    0\r%S11 1024    0\r%X7\r%Y7\r%G00200.000000,1.000000" +
                  kCaptureRequest + "%G10201.000000,1.000000" + kCaptureRequest);

    // With room, the row says what the device is; a refresh keeps the open port open.
    form.ComPort.SetBounds(840, 36, 600, 17);
    fixture.Mark();
    form.RefreshComm.Click();
    EXPECT_TRUE(usb2.events.empty());
    EXPECT_EQ(form.ComPort.Item(0), "ttyUSB0 \x97 FTDI FT232R USB UART (A50285BI)");
    EXPECT_EQ(form.ComPort.ItemIndex(), 1);
}

} // namespace
