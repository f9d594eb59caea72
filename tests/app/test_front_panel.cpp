#include "app/form_fixture.h"
#include "support/qt_test_main.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;
using testing_support::FakeSerialPort;
using testing_support::FormFixture;

const std::string kCaptureRequest = "%z\r\n";

// A fake port that also records reads and writes in the order they happen.
class OrderedPort : public FakeSerialPort {
public:
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = FakeSerialPort::Read(buffer, count);
        order.push_back("read " + std::to_string(n));
        return n;
    }
    std::size_t Write(const void* data, std::size_t count) override {
        order.push_back("write " + std::string(static_cast<const char*>(data), count));
        return FakeSerialPort::Write(data, count);
    }
    Lines order;
};

// A window started without Config.Ini on one device; Mark() notes the memo and
// the wire so that a test sees only what its action added.
struct PanelFixture {
    PanelFixture() {
        fixture.sysfs.AddDevice("ttyUSB0");
        auto owned = std::make_unique<OrderedPort>();
        port = owned.get();
        fixture.ports.ports["/dev/ttyUSB0"] = std::move(owned);
        form = &fixture.Start();
        Mark();
    }
    void Mark() {
        wireMark = port->written.size();
        lineMark = form->Display.LineCount();
        port->order.clear();
    }
    std::string Wire() const { return port->written.substr(wireMark); }
    Lines Shown() const {
        const Lines all = form->Display.Lines();
        return Lines(all.begin() + lineMark, all.end());
    }

    FormFixture fixture;
    OrderedPort* port = nullptr;
    duruz::TForm2* form = nullptr;
    std::size_t wireMark = 0;
    int lineMark = 0;
};

Lines Rows(const tk::ListBox& list) {
    Lines rows;
    for (int i = 0; i < list.Count(); ++i)
        rows.push_back(list.Item(i));
    return rows;
}

TEST(VerticalControls, ProbeRelabelsTheRangesAndSendsNothing) {
    PanelFixture p;
    duruz::TForm2& form = *p.form;
    form.Scale1.SetItemIndex(3);
    p.Mark();
    form.Chan1Probe.UserSelect(0);
    const std::string pm = "\xB1"; // the plus-minus sign in Windows-1252
    EXPECT_EQ(Rows(form.Scale1), (Lines{pm + "240V", pm + "200V", pm + "160V", pm + "120V",
                                        pm + "80 V", pm + "40 V", pm + "20 V", pm + "10 V"}));
    EXPECT_EQ(form.Scale1.ItemIndex(), 3);
    EXPECT_EQ(form.Scale1.TopIndex(), 3);
    EXPECT_EQ(p.Shown(), Lines{"ProbeType1 0"});
    EXPECT_EQ(p.Wire(), "");

    // No range row: the narrowest is selected and shown.
    form.Scale2.SetItemIndex(-1);
    form.Scale2.SetTopIndex(0);
    form.Chan2Probe.UserSelect(0);
    EXPECT_EQ(form.Scale2.ItemIndex(), 7);
    EXPECT_EQ(form.Scale2.TopIndex(), 7);

    // No probe row: labelled as x1.
    form.Chan1Probe.SetItemIndex(-1);
    form.Chan1ProbeClick();
    EXPECT_EQ(form.Scale1.Item(0), pm + "24V");
    EXPECT_EQ(form.Display.Lines().back(), "ProbeType1 -1");
    EXPECT_EQ(p.Wire(), "");
}

TEST(VerticalControls, RangeClickSendsTheRow) {
    PanelFixture p;
    p.form->Scale2.UserSelect(0);
    EXPECT_EQ(p.Shown(), (Lines{"Range 0", "%Y0\r"}));
    EXPECT_EQ(p.Wire(), "\x25\x59\x30\x0D");
}

TEST(TriggerControls, XyModePinsTheLevelUntilTheTimeDisplayReturns) {
    PanelFixture p;
    duruz::TForm2& form = *p.form;
    form.SyncVoltBar.SetPosition(700);
    p.Mark();
    form.SweepSpeed.UserSelect(0);
    EXPECT_EQ(p.Shown(), (Lines{"SweepSpeed 0", "%S11 1024-2000\r"}));
    EXPECT_EQ(form.Trigger.SyncLevel, 2000);

    // Dragging the level bar still sends one command per step, each pinned.
    p.Mark();
    for (int position : {600, 0, -500})
        form.SyncVoltBar.SetPosition(position);
    EXPECT_EQ(p.Wire(), "%S11 1024-2000\r%S11 1024-2000\r%S11 1024-2000\r");

    p.Mark();
    form.SweepSpeed.UserSelect(1);
    EXPECT_EQ(p.Shown(), (Lines{"SweepSpeed 1", "%S11 1024 -500\r"}));
    EXPECT_EQ(p.Wire(), "%S11 1024 -500\r");
    EXPECT_EQ(form.Trigger.SyncLevel, 500);
}

TEST(TriggerControls, PositionSourceAndPolarityReachTheCommand) {
    PanelFixture p;
    duruz::TForm2& form = *p.form;
    form.SyncSrcBox.UserSelect(1);
    form.SyncPolBox.UserSelect(0);
    p.Mark();
    form.SyncPosBar.SetPosition(2048);
    EXPECT_EQ(p.Wire(), "\x25\x53\x31\x30\x20\x32\x30\x34\x38\x20\x20\x20\x20\x30\x0D");
    EXPECT_EQ(form.Trigger.SyncSource, 1);
    EXPECT_EQ(form.Trigger.SyncPolarity, 0);
    EXPECT_EQ(form.Trigger.SyncPosition, 2048);
    EXPECT_EQ(form.Trigger.SyncLevel, 0);

    // A bar already at its end does not move, so nothing is sent.
    p.Mark();
    form.SyncPosBar.SetPosition(5000);
    EXPECT_EQ(p.Wire(), "");
}

TEST(SignalGenerator, UpdateSendsTheCommandThenDrainsAndRequests) {
    PanelFixture p;
    duruz::TForm2& form = *p.form;
    form.Freq1.SetText("1000");
    form.Ampl1.SetText("0.5");
    form.Waveform1.UserSelect(1);
    p.Mark();
    p.port->reads = {"stale"};
    form.UpdSigGen1.Click();
    EXPECT_EQ(p.Shown(), Lines{"%G011000.000000,0.500000"});
    EXPECT_EQ(p.port->order, (Lines{"write \x25\x47\x30\x31"
                                    "1000.000000,0.500000",
                                    "read 5", "read 0", "write \x25\x7A\x0D\x0A"}));
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Hourglass);

    // Out-of-range values are clamped on the wire only; no row sends "Off".
    form.Freq2.SetText("0");
    form.Ampl2.SetText("3");
    p.Mark();
    form.SigGenUpdate.Click();
    EXPECT_EQ(p.Wire(), "%G101.000000,1.500000" + kCaptureRequest);
    EXPECT_EQ(form.Freq2.Text(), "0");
    EXPECT_EQ(form.Ampl2.Text(), "3");

    // The blank rows are codes too; a double click sends its own row.
    form.Waveform1.UserSelect(9);
    p.Mark();
    form.UpdSigGen1.Click();
    form.Waveform2.UserDoubleClick(10);
    form.UpdSigGen2.Click();
    EXPECT_EQ(p.Wire(), "%G091000.000000,0.500000" + kCaptureRequest + "%G1:1.000000,1.500000" +
                            kCaptureRequest + "%G1:1.000000,1.500000" + kCaptureRequest);
    EXPECT_EQ(form.Waveform2.ItemIndex(), 10);
}

TEST(SignalGenerator, TextThatIsNotANumberStopsBeforeAnythingIsSent) {
    PanelFixture p;
    duruz::TForm2& form = *p.form;
    testing_support::ReportedErrors().clear();
    form.Freq1.SetText("abc");
    form.SetCursor(tk::Cursor::Default);
    p.Mark();
    form.UpdSigGen1.Click();
    EXPECT_EQ(testing_support::ReportedErrors(),
              Lines{"'abc' is not a valid floating point value"});
    EXPECT_EQ(p.Wire(), "");
    EXPECT_EQ(p.Shown(), Lines{});
    EXPECT_EQ(form.CurrentCursor(), tk::Cursor::Hourglass);
}

} // namespace
