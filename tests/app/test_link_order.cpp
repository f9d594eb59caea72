// The same clicks and timer ticks put the same bytes on the wire, and the same
// lines in the memo, whether the link's jobs run at once or on the link thread; a
// frame is drawn only under the setting it was captured with.

#include "app/form_fixture.h"
#include "sim/simulator_port.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <mutex>

namespace {

using namespace testing_support;

const auto Frame = [](char fill) {
    return "xHxH" + std::string(124, 'h') + std::string(8192, fill);
};

// Each port's bytes in the order of its path, then the memo.
std::string RunScript(bool threaded) {
    FormFixture fixture(2); // ttyUSB0, ttyUSB1 and the simulator
    fixture.threaded = threaded;
    // Start-up opens ttyUSB1; ttyUSB0 is opened from its row, then the reset goes
    // back to ttyUSB1. Frames, cut frames and stale bytes fall where they fall.
    fixture.Port("/dev/ttyUSB1").reads = {
        "stale", "", "", Frame('a'), "", Frame('b').substr(0, 3000), "", "", "late", ""};
    fixture.Port("/dev/ttyUSB0").reads = {"", "", Frame('c'), "", "junk", Frame('d')};
    duruz::TForm2& form = fixture.Start();
    form.Timer1Timer();
    form.Chan1Probe.UserSelect(1);
    form.Timer1Timer();
    form.Scale1.UserSelect(2);
    form.SweepSpeed.UserSelect(3);
    form.Timer1Timer();
    form.SyncSrcBox.UserSelect(1);
    form.SyncPolBox.UserSelect(1);
    form.Waveform1.UserSelect(1);
    form.UpdSigGen1.Click();
    form.Timer1Timer();
    form.Click();
    form.ComPort.UserSelect(0);
    form.Timer1Timer();
    form.Scale2.UserSelect(4);
    form.Timer1Timer();
    form.Defaults.Click();
    form.Timer1Timer();
    form.LinkWorker().WaitIdle();
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

// The window on the paced simulator, whose clock moves only as the link waits.
struct SimulatedBench : FormFixture {
    SimulatedBench() { mapped["Simulator"] = &port; }
    sim::ManualClock clock{1'000'000};
    sim::SimulatorPort port{clock, {.seed = 1, .noise = false}};
};

// Ticks; each frame drawn must carry, in the simulator's header, the ranges and sync
// level the window draws it with. Returns the number of the last frame drawn.
std::uint32_t TickAndCheckDrawn(duruz::TForm2& form, int ticks) {
    for (int tick = 0; tick < ticks; ++tick) {
        const std::uint32_t before = form.Capture.HeaderWord(2);
        form.Timer1Timer();
        if (form.Capture.HeaderWord(2) == before)
            continue;
        EXPECT_EQ(form.Capture.HeaderWord(3), std::uint32_t(form.Scale1.ItemIndex()));
        EXPECT_EQ(form.Capture.HeaderWord(4), std::uint32_t(form.Scale2.ItemIndex()));
        EXPECT_EQ(std::int32_t(form.Capture.HeaderWord(8)), -form.Trigger.SyncLevel);
    }
    return form.Capture.HeaderWord(2);
}

// Start-up writes a request, the whole setting, and two more requests behind the
// generator commands. However late the first answer, the first frame drawn answers
// the last request, and no frame is cut.
TEST(LinkOrder, StartUpDrawsNoFrameCapturedBeforeTheCompleteSetting) {
    for (const std::uint32_t lateMs : {0u, 400u}) {
        SimulatedBench bench;
        bench.port.Instrument().StallNextFrame(0, lateMs);
        duruz::TForm2& form = bench.Start();
        std::uint32_t drawn = 0;
        for (int tick = 0; tick < 8 && drawn == 0; ++tick)
            drawn = TickAndCheckDrawn(form, 1);
        EXPECT_EQ(drawn, 3u) << lateMs;
        EXPECT_EQ(form.Strip.Text(2), "Resyncs 0 (0 B), timeouts 0 empty, 0 part, 2 stale");
    }
}

// A range changed while a frame is on its way, and each fault of the line: no frame is
// drawn under a setting it was not captured with, and frames go on being drawn.
TEST(LinkOrder, RangeChangesAndLineFaultsNeverDrawAFrameUnderAnotherSetting) {
    for (int fault = 0; fault < 4; ++fault) {
        SCOPED_TRACE(fault);
        SimulatedBench bench;
        duruz::TForm2& form = bench.Start();
        const std::uint32_t before = TickAndCheckDrawn(form, 6);
        sim::SimulatedInstrument& instrument = bench.port.Instrument();
        if (fault == 1)
            instrument.IgnoreRequests(1);
        if (fault == 2)
            instrument.CutNextFrame(3000);
        if (fault == 3) // cut short at the deadline; the rest arrives later
            instrument.StallNextFrame(3000, 12'000);
        std::uint32_t last = 0;
        for (const int row : {2, 5}) {
            form.Scale1.UserSelect(row);
            last = TickAndCheckDrawn(form, 10);
        }
        EXPECT_TRUE(last > before && form.Capture.HeaderWord(3) == 5u) << last;
        if (fault == 0) { // the frames in flight at each change were skipped
            EXPECT_EQ(form.Strip.Text(2), "Resyncs 0 (0 B), timeouts 0 empty, 0 part, 6 stale");
        }
    }
}

// Hold counts when a tick runs: a tick posted before Hold was checked sends nothing.
TEST(LinkOrder, HoldCheckedAfterATickWasPostedHoldsThatTick) {
    FormFixture fixture;
    fixture.threaded = true;
    duruz::TForm2& form = fixture.Start();
    form.Timer1Timer(); // the start-up requests are due on the next tick
    form.LinkWorker().WaitIdle();
    fixture.Mark();
    std::mutex gate;
    std::unique_lock closed(gate);
    form.LinkWorker().Post([&](duruz::LinkContext&) { std::lock_guard wait(gate); });
    form.Timer1Timer();
    form.Scale1.UserSelect(1);
    form.HoldBox.SetChecked(true);
    closed.unlock();
    form.LinkWorker().WaitIdle();
    EXPECT_EQ(fixture.Port("Simulator").written, "%X1\r");
}

// A delivery from before the window let go of a vanished port leaves it closed.
TEST(LinkOrder, LateDeliveryDoesNotReopenAPortTheWindowClosed) {
    FormFixture fixture(1);
    fixture.threaded = true;
    duruz::TForm2& form = fixture.Start();
    form.LinkWorker().WaitIdle();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form.Link.PortOpen);
    std::mutex gate;
    std::unique_lock closed(gate);
    form.LinkWorker().Post([&](duruz::LinkContext&) { std::lock_guard wait(gate); });
    fixture.sysfs.RemoveDevice("ttyUSB0");
    form.PortsChanged();
    form.DeliverLinkOutput();
    EXPECT_FALSE(form.Link.PortOpen);
    closed.unlock();
    form.LinkWorker().WaitIdle();
}

} // namespace
