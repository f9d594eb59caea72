// The same clicks and timer ticks put the same bytes on the wire, and the same
// lines in the memo, whether the link's jobs run at once or on the link thread; a
// frame is drawn only under the setting it was captured with.

#include "app/window_fixture.h"
#include "sim/simulator_port.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

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
    QCoreApplication::processEvents();

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
    QCoreApplication::processEvents(); // the window takes the port as open
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

} // namespace
