// The same clicks and timer ticks put the same bytes on the wire, and the same
// lines in the memo, whether the link's jobs run at once or on the link thread.

#include "app/form_fixture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

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

} // namespace
