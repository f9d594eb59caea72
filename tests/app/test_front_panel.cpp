#include "app/form_fixture.h"
#include "support/qt_test_main.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// A window started without Config.Ini on one device, with nothing shown or sent yet.
struct Panel : FormFixture {
    Panel() : FormFixture(1), form(Start()), port(Port("/dev/ttyUSB0")) { Mark(); }
    duruz::TForm2& form;
    OrderedPort& port;
};

TEST(TriggerControls, XyModePinsTheLevelUntilTheTimeDisplayReturns) {
    Panel p;
    p.form.SyncVoltBar.SetPosition(700);
    p.Mark();
    p.form.SweepSpeed.UserSelect(0);
    // Dragging the level bar still sends one command per step, each pinned.
    for (int position : {600, 0, -500})
        p.form.SyncVoltBar.SetPosition(position);
    p.form.SweepSpeed.UserSelect(1);
    // Ch2, Fall, and the position bar at its end; a bar that cannot move sends nothing.
    p.form.SyncSrcBox.UserSelect(1);
    p.form.SyncPolBox.UserSelect(0);
    p.form.SyncPosBar.SetPosition(2048);
    p.form.SyncPosBar.SetPosition(5000);
    EXPECT_EQ(p.Shown(), "SweepSpeed 0\n%S11 1024-2000\r\n%S11 1024-2000\r\n%S11 1024-2000\r\n"
                         "%S11 1024-2000\r\nSweepSpeed 1\n%S11 1024 -500\r\n%S11 1024 -500\r\n"
                         "%S10 1024 -500\r\n%S10 2048 -500\r\n");
    EXPECT_EQ(p.port.written, "%S11 1024-2000\r%S11 1024-2000\r%S11 1024-2000\r%S11 1024-2000\r"
                              "%S11 1024 -500\r%S11 1024 -500\r%S10 1024 -500\r%S10 2048 -500\r");
}

TEST(SignalGenerator, UpdateSendsTheCommandAfterTheDrainAndNothingForLetters) {
    Panel p;
    p.form.Freq1.SetText("1000");
    p.form.Ampl1.SetText("0.5");
    p.form.Waveform1.UserSelect(1);
    p.port.reads = {"stale"};
    p.form.UpdSigGen1.Click();
    EXPECT_EQ(p.Shown(), "%G011000.000000,0.500000\n");
    EXPECT_EQ(p.port.order, (Lines{"write %G011000.000000,0.500000", "read 5", "read 0",
                                   "write " + kCaptureRequest}));
    EXPECT_EQ(p.form.CurrentCursor(), tk::Cursor::Busy);

    // Out-of-range values are clamped on the wire only; no row sends "Off" ('0'), the
    // blank row 9 sends '9', and a double click on Waveform2 sends its own row.
    p.form.Freq2.SetText("0");
    p.form.Ampl2.SetText("3");
    p.form.Waveform1.UserSelect(9);
    p.Mark();
    p.form.SigGenUpdate.Click();
    p.form.UpdSigGen1.Click();
    p.form.Waveform2.UserDoubleClick(10);
    EXPECT_EQ(p.port.written, "%G101.000000,1.500000" + kCaptureRequest +
                                  "%G091000.000000,0.500000" + kCaptureRequest +
                                  "%G1:1.000000,1.500000" + kCaptureRequest);
    EXPECT_EQ(p.form.Freq2.Text() + p.form.Ampl2.Text(), "03");

    // Letters in a frequency: reported, and nothing is sent or shown; the cursor is
    // already busy.
    ReportedErrors().clear();
    p.form.Freq1.SetText("abc");
    p.form.SetCursor(tk::Cursor::Default);
    p.Mark();
    p.form.UpdSigGen1.Click();
    EXPECT_EQ(ReportedErrors(), Lines{"'abc' is not a valid floating point value"});
    EXPECT_EQ(p.port.written + p.Shown(), "");
    EXPECT_EQ(p.form.CurrentCursor(), tk::Cursor::Busy);
}

} // namespace
