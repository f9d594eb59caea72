#include "app/window_fixture.h"
#include "support/pty_pair.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace testing_support;

// Announces a change the way the system does and lets the message loop act on it.
void Announce(WindowFixture& fixture, serial::DeviceChange change, const std::string& name) {
    const int taken = fixture.monitor.taken;
    fixture.monitor.Push(change, name);
    for (int i = 0; i < 100 && fixture.monitor.taken == taken; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GT(fixture.monitor.taken, taken) << "the window never took the event";
}

// Timer ticks, each with what the link delivers after it.
void Tick(duruz::MainWindow& window, int ticks = 1) {
    for (int i = 0; i < ticks; ++i)
        window.CaptureTick(), QCoreApplication::processEvents();
}

// The selected row's index, then every row.
std::string Rows(const duruz::MainWindow& window) {
    std::string rows = std::to_string(window.ports.portList.ItemIndex());
    for (int i = 0; i < window.ports.portList.Count(); ++i)
        rows += "|" + window.ports.portList.Item(i);
    return rows;
}

const std::string kMaybeAnother =
    "\n   not reopened: it may be another device; click its row to open it\n";
const std::string kSetting = "SweepSpeed 1\n%S11 1024    0\r\n%S11 1024    0\r\nProbeType1 1\n"
                             "Range 7\n%X7\r\nProbeType2 1\nRange 7\n%Y7\r\n"
                             "%G00200.000000,1.000000\n%G10201.000000,1.000000\n";

TEST(HotPlug, RowsFollowDevicesAndOnlyTheSameOneReconnectsWithTheWholeSetting) {
    WindowFixture fixture;
    fixture.sysfs.AddUsbDevice("ttyUSB0", {"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A5"});
    fixture.sysfs.AddUsbDevice("ttyUSB1", {"1-2", "0403", "6001", "FTDI", "FT232R USB UART"});
    duruz::MainWindow& window = fixture.Start();
    // Too long for the list's width: the names alone, what they are in the tooltips.
    EXPECT_EQ(Rows(window), "1|ttyUSB0|ttyUSB1|Simulator");
    EXPECT_EQ(window.ports.portList.ItemHint(0), "ttyUSB0 \x97 FTDI FT232R USB UART (A5)");

    // The open port's device goes: its row stays, marked, and the link lets go of the
    // port rather than poll a device that is not there.
    fixture.Mark();
    fixture.sysfs.RemoveDevice("ttyUSB1");
    Announce(fixture, serial::DeviceChange::Removed, "ttyUSB1");
    EXPECT_EQ(Rows(window), "1|ttyUSB0|ttyUSB1 (disconnected)|Simulator");
    EXPECT_EQ(fixture.Shown(), "/dev/ttyUSB1\n   disconnected\n");
    EXPECT_EQ(fixture.Port("/dev/ttyUSB1").events, Lines{"close"});

    // Another adapter in the same socket, with another vendor ID, takes the name: listed
    // and never sent a byte, and the memo says so once.
    fixture.Mark();
    fixture.sysfs.AddUsbDevice("ttyUSB1", {"1-2", "1a86", "6001"});
    Announce(fixture, serial::DeviceChange::Added, "ttyUSB1");
    Tick(window);
    EXPECT_EQ(Rows(window),
              "1|ttyUSB0|ttyUSB1 (disconnected)|ttyUSB1 \x97 USB 1a86:6001|Simulator");
    EXPECT_EQ(fixture.Shown(), "/dev/ttyUSB1\n   not reopened: another device; click its row to "
                               "open it\n");

    // The same adapter comes back under a new name whose node refuses permission for
    // two tries: it is tried again on each tick, said once, then sent the start-up
    // sequence. Its first sweep command now carries the sync settings, which start-up
    // had not selected yet when it sent its own.
    fixture.sysfs.RemoveDevice("ttyUSB1");
    Announce(fixture, serial::DeviceChange::Removed, "ttyUSB1");
    fixture.Mark();
    auto& usb2 = fixture.Port("/dev/ttyUSB2");
    usb2.openResult = {serial::OpenStatus::OtherError, 0, serial::OpenFailure::PermissionDenied};
    fixture.sysfs.AddUsbDevice("ttyUSB2", {"1-2", "0403", "6001", "FTDI", "FT232R USB UART"});
    Announce(fixture, serial::DeviceChange::Added, "ttyUSB2");
    Tick(window);
    usb2.openResult = {serial::OpenStatus::Opened};
    Tick(window);
    EXPECT_EQ(Rows(window), "1|ttyUSB0|ttyUSB2|Simulator");
    EXPECT_EQ(fixture.Shown(),
              "/dev/ttyUSB2\nError opening\n/dev/ttyUSB2\n   permission denied: "
              "add your user to the dialout group, then log in again\n   trying "
              "again for 5 s\n/dev/ttyUSB2\n/dev/ttyUSB2\n   opened\n/dev/ttyUSB2\n"
              "   configured\n" +
                  kSetting);
    EXPECT_EQ(std::count(usb2.events.begin(), usb2.events.end(), "open /dev/ttyUSB2"), 3);
    EXPECT_EQ(usb2.written,
              kCaptureRequest +
                  "%S11 1024    0\r%S11 1024    0\r%X7\r%Y7\r%G00200.000000,1.000000" +
                  kCaptureRequest + "%G10201.000000,1.000000" + kCaptureRequest);

    // With room, the row says what the device is; a refresh keeps the open port open.
    window.ports.portList.SetBounds(840, 36, 600, 17);
    fixture.Mark();
    window.ports.refresh.Click();
    EXPECT_TRUE(usb2.events.empty());
    EXPECT_EQ(window.ports.portList.Item(0), "ttyUSB0 \x97 FTDI FT232R USB UART (A5)");
    EXPECT_EQ(window.ports.portList.ItemIndex(), 1);
}

// A --port path is opened again by itself only through a link made anew to a
// terminal: not the old link once its target is back, not a bare path that comes
// back.
TEST(HotPlug, PortPathsReopenOnlyThroughALinkMadeAnew) {
    PtyPair terminal;
    ASSERT_TRUE(terminal.Ok()) << "no pseudo-terminals";
    WindowFixture fixture;
    namespace fs = std::filesystem;
    const std::string bare = fixture.working.File("bare"), link = fixture.working.File("link"),
                      target = fixture.working.File("target");
    std::ofstream{bare};
    fs::create_symlink(terminal.SlavePath(), target);
    fs::create_symlink(target, link);
    fixture.extraPorts = {bare, link};
    duruz::MainWindow& window = fixture.Start(); // the link's row, the last before the simulator
    fixture.Mark();
    fixture.Port(link).gone = true;
    Tick(window);
    fs::remove(target);
    Tick(window);
    fs::create_symlink(terminal.SlavePath(), target); // the old link leads to a terminal again
    Tick(window, 2);
    EXPECT_EQ(fixture.Shown(), link + "\n   disconnected\n" + link + kMaybeAnother);

    fs::create_symlink(target, link + ".new");
    fs::rename(link + ".new", link);
    Tick(window);
    EXPECT_EQ(fixture.Shown().substr(fixture.Shown().size() - kSetting.size()), kSetting);

    window.ports.portList.UserSelect(0);
    fixture.Port(bare).gone = true;
    Tick(window);
    fs::remove(bare);
    Tick(window);
    std::ofstream{bare};
    fixture.Mark();
    Tick(window);
    window.ports.refresh.Click();
    EXPECT_EQ(fixture.Shown(), bare + kMaybeAnother);
    EXPECT_EQ(window.ports.portList.ItemHint(0), bare + " (disconnected)");
    EXPECT_EQ(window.ports.portList.Count(), 3);
}

// The news of a lost port names it: the row clicked just as it went is not marked.
TEST(HotPlug, APortLostAsAnotherRowIsClickedLeavesThatRowAlone) {
    WindowFixture fixture(2);
    fixture.threaded = true;
    duruz::MainWindow& window = fixture.Start();
    window.Session().Worker().WaitIdle();
    fixture.Port("/dev/ttyUSB1").gone = true;
    window.CaptureTick();
    window.ports.portList.UserSelect(0);
    window.Session().Worker().WaitIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(window), "0|ttyUSB0|ttyUSB1|Simulator");
}

} // namespace
