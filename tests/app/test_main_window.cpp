// The window wired to its session: a panel's edit puts its command on the wire and
// its line in the memo, in the same order whether the link's jobs run at once or on
// the link thread; a frame is drawn only under the setting it was captured with; the
// port list follows the machine's devices.

#include "app/window_fixture.h"
#include "sim/simulator_port.h"
#ifndef _WIN32
#include "support/pty_pair.h"
#endif
#include "support/qt_test_main.h"
#include "toolkit/application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using namespace testing_support;

const auto Frame = [](char fill) {
    return "xHxH" + std::string(124, 'h') + std::string(8192, fill);
};

// Each port's bytes in the order of its path, then the memo.
std::string RunScript(bool threaded) {
    WindowFixture fixture(2); // ttyUSB0, ttyUSB1 and the simulator
    fixture.threaded = threaded;
    // Start-up opens ttyUSB1; ttyUSB0 is opened from its row, then the reset goes
    // back to ttyUSB1. Frames, cut frames and stale bytes fall where they fall.
    fixture.Port("/dev/ttyUSB1").reads = {
        "stale", "", "", Frame('a'), "", Frame('b').substr(0, 3000), "", "", "late", ""};
    fixture.Port("/dev/ttyUSB0").reads = {"", "", Frame('c'), "", "junk", Frame('d')};
    duruz::MainWindow& window = fixture.Start();
    window.CaptureTick();
    window.vertical.probe1.UserSelect(1);
    window.CaptureTick();
    window.vertical.range1.UserSelect(2);
    window.trigger.sweep.UserSelect(3);
    window.CaptureTick();
    window.trigger.source.UserSelect(1);
    window.trigger.polarity.UserSelect(1);
    window.generator.waveformA.UserSelect(1);
    window.generator.updateA.Click();
    window.CaptureTick();
    window.Click();
    window.ports.portList.UserSelect(0);
    window.CaptureTick();
    window.vertical.range2.UserSelect(4);
    window.CaptureTick();
    window.ports.factoryReset.Click();
    window.CaptureTick();
    window.Session().Worker().WaitIdle();
    tk::Application::ProcessPendingEvents();

    std::string outcome;
    for (const auto& [path, port] : fixture.ports)
        outcome += path + ": " + port->written + "\n";
    return outcome + fixture.Shown();
}

TEST(LinkOrder, ThreadedJobsPutTheSameBytesOnTheWireAsTheWindowThread) {
    const std::string inline_ = RunScript(false);
    // The script reaches every kind of command and both ports.
    for (const char* text : {"%X", "%Y", "%S", "%G0", "/dev/ttyUSB0: %z\r\n"})
        EXPECT_NE(inline_.find(text), std::string::npos) << text;
    for (int run = 0; run < 25; ++run)
        ASSERT_EQ(RunScript(true), inline_) << "run " << run;
}

// Ticks; each frame drawn must carry, in the simulator's header, the range of
// channel 1 the window draws it with. Returns the number of the last frame drawn.
std::uint32_t TickAndCheckDrawn(duruz::MainWindow& window, int ticks) {
    for (int tick = 0; tick < ticks; ++tick) {
        const std::uint32_t before = window.Session().Frame().HeaderWord(2);
        window.CaptureTick();
        EXPECT_TRUE(window.Session().Frame().HeaderWord(2) == before ||
                    window.Session().Frame().HeaderWord(3) ==
                        std::uint32_t(window.vertical.range1.ItemIndex()));
    }
    return window.Session().Frame().HeaderWord(2);
}

// Start-up writes a request, the whole setting, and two more requests behind the
// generator commands: however late the first answer, the first frame drawn answers
// the last request, and none is cut. Then ranges change with frames on their way,
// under each fault of the line: no frame is drawn under a setting it was not
// captured with, and frames go on being drawn.
TEST(LinkOrder, NoFrameIsDrawnUnderASettingItWasNotCapturedWith) {
    for (std::uint32_t fault = 0; fault < 4; ++fault) {
        SCOPED_TRACE(fault);
        // The paced simulator, whose clock moves only as the link waits.
        sim::ManualClock clock{1'000'000};
        sim::SimulatorPort simulator{clock, {.seed = 1, .noise = false}};
        WindowFixture bench;
        bench.mapped["Simulator"] = &simulator;
        sim::SimulatedInstrument& instrument = simulator.Instrument();
        instrument.StallNextFrame(0, 200 * fault); // a first answer up to 0.6 s late
        duruz::MainWindow& window = bench.Start();
        EXPECT_EQ(TickAndCheckDrawn(window, 2), 3u);
        EXPECT_EQ(window.status.strip.Text(2),
                  "Resyncs 0 (0 B), timeouts 0 empty, 0 part, 2 stale");
        // An ignored request, a cut frame, or one cut short at the deadline whose rest
        // arrives later (a stall of 0 ms or a cut at the full size change nothing).
        instrument.IgnoreRequests(fault == 1);
        instrument.CutNextFrame(fault == 2 ? 3000 : duruz::kFrameBytes);
        instrument.StallNextFrame(3000, fault == 3 ? 12'000 : 0);
        for (const int row : {2, 5}) {
            window.vertical.range1.UserSelect(row);
            TickAndCheckDrawn(window, 10);
        }
        EXPECT_TRUE(window.Session().Frame().HeaderWord(2) > 3 &&
                    window.Session().Frame().HeaderWord(3) == 5u);
        // A request is written only once the frames before it are in, so without faults
        // no frame is on its way at a change, and none is skipped after start-up.
        EXPECT_TRUE(fault > 0 || window.status.strip.Text(2) ==
                                     "Resyncs 0 (0 B), timeouts 0 empty, "
                                     "0 part, 2 stale");
    }
}

// What the window decides counts from when the link acts on it: Hold checked after
// a tick was posted holds that tick, and a delivery from before the window let go of
// a vanished port leaves the port closed.
TEST(LinkOrder, HoldAndAClosedPortCountFromTheWindowsDecision) {
    WindowFixture fixture(1);
    fixture.threaded = true;
    duruz::MainWindow& window = fixture.Start();
    window.CaptureTick(); // the start-up requests are due on the next tick
    window.Session().Worker().WaitIdle();
    tk::Application::ProcessPendingEvents(); // the window takes the port as open
    fixture.Mark();
    std::mutex gate;
    std::unique_lock closed(gate);
    window.Session().Worker().Post([&](duruz::LinkContext&) { std::lock_guard wait(gate); });
    window.CaptureTick();
    window.vertical.range1.UserSelect(1);
    window.vertical.hold.SetChecked(true);
    fixture.sysfs.RemoveDevice("ttyUSB0");
    window.PortsChanged();
    window.TakeSessionOutput();
    EXPECT_FALSE(window.Session().LinkSide().PortOpen);
    closed.unlock();
    window.Session().Worker().WaitIdle();
    EXPECT_EQ(fixture.Port("/dev/ttyUSB0").written, "%X1\r");
}

// A window started without Config.Ini on one device, with nothing shown or sent yet.
struct Panel : WindowFixture {
    Panel() : WindowFixture(1), window(Start()), port(Port("/dev/ttyUSB0")) { Mark(); }
    duruz::MainWindow& window;
    OrderedPort& port;
};

// A probe picked relabels its range list with the row kept and sends nothing; a range
// picked sends that channel's range.
TEST(VerticalControls, AProbeRelabelsItsRangesAndARangeGoesToItsChannel) {
    Panel p;
    p.window.vertical.probe2.UserSelect(0);
    p.window.vertical.range2.UserSelect(4);
    p.window.vertical.range1.UserSelect(2);
    EXPECT_EQ(p.Shown(), "ProbeType2 0\nRange 4\n%Y4\r\nRange 2\n%X2\r\n");
    EXPECT_EQ(p.port.written, "%Y4\r%X2\r");
    EXPECT_EQ(p.window.vertical.range2.Item(4) + p.window.vertical.range1.Item(4),
              "\26180 V\2618 V");
}

TEST(TriggerControls, XyModePinsTheLevelUntilTheTimeDisplayReturns) {
    Panel p;
    p.window.trigger.levelBar.SetPosition(700);
    p.Mark();
    p.window.trigger.sweep.UserSelect(0);
    // Dragging the level bar still sends one command per step, each pinned.
    for (int position : {600, 0, -500})
        p.window.trigger.levelBar.SetPosition(position);
    p.window.trigger.sweep.UserSelect(1);
    // Ch2, Fall, and the position bar at its end; a bar that cannot move sends nothing.
    p.window.trigger.source.UserSelect(1);
    p.window.trigger.polarity.UserSelect(0);
    p.window.trigger.positionBar.SetPosition(2048);
    p.window.trigger.positionBar.SetPosition(5000);
    EXPECT_EQ(p.Shown(), "SweepSpeed 0\n%S11 1024-2000\r\n%S11 1024-2000\r\n%S11 1024-2000\r\n"
                         "%S11 1024-2000\r\nSweepSpeed 1\n%S11 1024 -500\r\n%S11 1024 -500\r\n"
                         "%S10 1024 -500\r\n%S10 2048 -500\r\n");
    EXPECT_EQ(p.port.written, "%S11 1024-2000\r%S11 1024-2000\r%S11 1024-2000\r%S11 1024-2000\r"
                              "%S11 1024 -500\r%S11 1024 -500\r%S10 1024 -500\r%S10 2048 -500\r");
}

TEST(SignalGenerator, UpdateSendsTheCommandAfterTheDrainAndNothingForLetters) {
    Panel p;
    p.window.generator.frequencyA.SetText("1000");
    p.window.generator.amplitudeA.SetText("0.5");
    p.window.generator.waveformA.UserSelect(1);
    p.port.reads = {"stale"};
    p.window.generator.updateA.Click();
    EXPECT_EQ(p.Shown(), "%G011000.000000,0.500000\n");
    // The request waits for the generator to settle: 129 ms of quiet reads, 64 of 2 ms and one
    // of 1.
    EXPECT_EQ(p.port.order.size(), 68u);
    EXPECT_EQ(p.port.order[0] + p.port.order[1] + p.port.order[66] + p.port.order[67],
              "write %G011000.000000,0.500000read 5read 0write " + kCaptureRequest);
    EXPECT_EQ(p.window.CurrentCursor(), tk::Cursor::Busy);

    // Out-of-range values are clamped on the wire only; no row sends "Off" ('0'), the
    // blank row 9 sends '9', and a double click on Waveform2 sends its own row.
    p.window.generator.frequencyB.SetText("0");
    p.window.generator.amplitudeB.SetText("3");
    p.window.generator.waveformA.UserSelect(9);
    p.Mark();
    p.window.generator.quickUpdateB.Click();
    p.window.generator.updateA.Click();
    p.window.generator.waveformB.UserDoubleClick(10);
    EXPECT_EQ(p.port.written, "%G101.000000,1.500000" + kCaptureRequest +
                                  "%G091000.000000,0.500000" + kCaptureRequest +
                                  "%G1:1.000000,1.500000" + kCaptureRequest);
    EXPECT_EQ(p.window.generator.frequencyB.Text() + p.window.generator.amplitudeB.Text(), "03");

    // Letters in a frequency: reported, and nothing is sent or shown; the cursor is
    // already busy.
    ReportedErrors().clear();
    p.window.generator.frequencyA.SetText("abc");
    p.window.SetCursor(tk::Cursor::Default);
    p.Mark();
    p.window.generator.updateA.Click();
    EXPECT_EQ(ReportedErrors(), Lines{"'abc' is not a valid floating point value"});
    EXPECT_EQ(p.port.written + p.Shown(), "");
    EXPECT_EQ(p.window.CurrentCursor(), tk::Cursor::Busy);
}

} // namespace

// Hot-plug against a fake device tree, which is Linux's; Windows announces its ports
// through the device monitor's window messages instead.
#ifndef _WIN32
namespace {

using namespace testing_support;

// Announces a change the way the system does and lets the message loop act on it.
void Announce(WindowFixture& fixture, serial::DeviceChange change, const std::string& name) {
    const int taken = fixture.monitor.taken;
    fixture.monitor.Push(change, name);
    for (int i = 0; i < 100 && fixture.monitor.taken == taken; ++i)
        RunEventsFor(10);
    ASSERT_GT(fixture.monitor.taken, taken) << "the window never took the event";
}

// Timer ticks, each with what the link delivers after it.
void Tick(duruz::MainWindow& window, int ticks = 1) {
    for (int i = 0; i < ticks; ++i)
        window.CaptureTick(), tk::Application::ProcessPendingEvents();
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
    EXPECT_EQ(window.ports.portList.ItemHint(1), link + " (disconnected)"); // before any refresh
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
    tk::Application::ProcessPendingEvents();
    EXPECT_EQ(Rows(window), "0|ttyUSB0|ttyUSB1|Simulator");
}

} // namespace
#endif
