#include "app/tform2.h"

#include "link/input_ranges.h"
#include "link/port_list.h"
#include "toolkit/application.h"

#include <cstdio>

namespace duruz {

namespace {

using Orientation = tk::ScrollBar::Orientation;

constexpr int kLevelBarWidth = 10;
constexpr int kPositionBarHeight = 11;
constexpr int kStripHeight = 99;
constexpr int kListHeight = 17;

constexpr tk::Color kCoral = 0x507FFF;     // web colour coral, as 0x00BBGGRR
constexpr tk::Color kLightBlue = 0xE6D8AD; // web colour light blue
constexpr tk::Color kLabelText = 0x000000;

const char* const kWaveforms[] = {
    "Off",     "Sine",    "Cosine",  "Saw Rising", "Saw Falling", "Saw Symmetrical",
    "Sqr 50%", "Sqr 10%", "Sqr 90%", " "};

} // namespace

TForm2::TForm2(FormEnvironment environment)
    : SyncVoltBar(*this, Orientation::Vertical, -2000, 2000, 0),
      SyncPosBar(*this, Orientation::Horizontal, 0, 2048, 298), Controls(*this),
      Chan1Probe(Controls), Chan2Probe(Controls), Scale1(Controls), Scale2(Controls),
      Scope1CheckBox(Controls, "", true), Scope2CheckBox(Controls, "", true),
      Fft1CheckBox(Controls, "", false), Fft2CheckBox(Controls, "", false),
      HoldBox(Controls, "Hold", false), SweepSpeed(Controls), SyncSrcBox(Controls),
      SyncPolBox(Controls), Waveform1(Controls), Waveform2(Controls), Freq1(Controls, "200"),
      Freq2(Controls, "201"), Ampl1(Controls, "1.00"), Ampl2(Controls, "1.00"),
      UpdSigGen1(Controls, "Update"), UpdSigGen2(Controls, "Update"), SigGenUpdate(Controls, ""),
      Defaults(Controls, "Reset to Factory Deefaults"), RefreshComm(Controls, "Refresh Comm Ports"),
      ComPort(Controls), Display(*this), Button1(*this, "."), Timer1(*this, 250),
      Strip(*this, {230, 150, 340, 275, 275, 150}), TraceMenu(*this),
      environment_(std::move(environment)),
      link_(*environment_.ports, [this] { RunOnWindowThread([this] { DeliverLinkOutput(); }); }),
      trace_(environment_.frameTracePath) {
    BuildLayout();
    WireEvents();
    if (environment_.linkThread)
        link_.Start();
    WatchDevices();
    if (environment_.startTimer)
        Timer1.SetEnabled(true);
    if (trace_.Enabled()) {
        traceProbe_.OnTimer = [this] { trace_.ProbeFired(); };
        traceProbe_.SetEnabled(true);
    }
    tk::Dispatch([this] { FormCreate(); });
}

// The link thread goes first: it may still wake the window it belongs to.
TForm2::~TForm2() {
    link_.Stop();
}

void TForm2::BuildLayout() {
    SetCaption("RORU-Duruz");
    SetFont("Tahoma", 11);
    SetClientSize(kDefaultWindowWidth, kDefaultWindowHeight);
    SetLeft(kDefaultWindowLeft);
    SetTop(kDefaultWindowTop);

    SyncVoltBar.SetHint("Sync Level");
    SyncPosBar.SetHint("Sync Position");

    Chan1Probe.Add("x10");
    Chan1Probe.Add("x1");
    Chan2Probe.Add("x10");
    Chan2Probe.Add("x1");
    // The x1 probe's texts, until the probe lists' rows relabel them.
    for (const InputRange& range : kInputRanges) {
        Scale1.Add(range.labels[1]);
        Scale2.Add(range.labels[1]);
    }
    SweepSpeed.Add("XY Mode");
    SweepSpeed.Add("2 mSec/div");
    SyncSrcBox.Add("Ch1");
    SyncSrcBox.Add("Ch2");
    SyncPolBox.Add("Fall");
    SyncPolBox.Add("Rise");
    for (const char* wave : kWaveforms) {
        Waveform1.Add(wave);
        Waveform2.Add(wave);
    }
    Waveform2.Add(""); // the eleventh row, code ':'
    Ampl1.SetNumbersOnly();
    RefreshComm.SetTabStop(false);

    Display.SetFont("Courier", 13);
    Display.Add("Display");
    Display.SetVisible(false);

    // The strip's titles and row and column labels; no code touches them.
    auto label = [this](const char* text, int x, int y, int w, tk::Color color) {
        auto box = std::make_unique<tk::EditBox>(Controls, text);
        box->MakeLabel(color);
        box->SetBounds(x, y, w, 16);
        labels_.push_back(std::move(box));
    };
    label("Vertical", 8, 3, 80, kLabelText);
    label("Ch 1", 8, 40, 36, kCoral);
    label("Ch 2", 8, 64, 36, kLightBlue);
    label("Time", 196, 22, 30, kLabelText);
    label("Freq", 228, 22, 30, kLabelText);
    label("Horizontal", 290, 3, 90, kLabelText);
    label("Sync", 290, 64, 32, kLabelText);
    label("Signal Generator", 440, 3, 120, kLabelText);
    label("Waveform", 482, 22, 110, kLabelText);
    label("Frequency", 606, 22, 70, kLabelText);
    label("Peak Ampl", 684, 22, 70, kLabelText);
    label("Ch A", 440, 40, 36, kCoral);
    label("Ch B", 440, 64, 36, kLightBlue);

    Chan1Probe.SetBounds(48, 40, 46, kListHeight);
    Scale1.SetBounds(100, 40, 80, kListHeight);
    Chan2Probe.SetBounds(48, 64, 46, kListHeight);
    Scale2.SetBounds(100, 64, 80, kListHeight);
    HoldBox.SetBounds(196, 3, 60, 16);
    Scope1CheckBox.SetBounds(200, 40, 18, kListHeight);
    Fft1CheckBox.SetBounds(232, 40, 18, kListHeight);
    Scope2CheckBox.SetBounds(200, 64, 18, kListHeight);
    Fft2CheckBox.SetBounds(232, 64, 18, kListHeight);

    SweepSpeed.SetBounds(290, 40, 110, kListHeight);
    SyncSrcBox.SetBounds(326, 64, 36, kListHeight);
    SyncPolBox.SetBounds(366, 64, 40, kListHeight);

    SigGenUpdate.SetBounds(562, 7, 8, 8);
    Waveform1.SetBounds(482, 40, 116, kListHeight);
    Freq1.SetBounds(606, 39, 70, 19);
    Ampl1.SetBounds(684, 39, 60, 19);
    UpdSigGen1.SetBounds(752, 38, 60, 21);
    Waveform2.SetBounds(482, 64, 116, kListHeight);
    Freq2.SetBounds(606, 63, 70, 19);
    Ampl2.SetBounds(684, 63, 60, 19);
    UpdSigGen2.SetBounds(752, 62, 60, 21);

    RefreshComm.SetBounds(840, 4, 170, 24);
    ComPort.SetBounds(840, 36, 170, kListHeight);
    Defaults.SetBounds(840, 62, 170, 26);

    PlaceControls();
}

// Keeps the bars along their edges, the strip along the bottom and the memo and
// its button in the trace area as the window's size changes.
void TForm2::PlaceControls() {
    const int w = ClientWidth();
    const int h = ClientHeight();
    SyncPosBar.SetBounds(0, h - kPositionBarHeight, w, kPositionBarHeight);
    Controls.SetBounds(0, h - kPositionBarHeight - kStripHeight, w, kStripHeight);
    const int traceBottom = h - kPositionBarHeight - kStripHeight;
    SyncVoltBar.SetBounds(0, 3, kLevelBarWidth, traceBottom - 6);
    Display.SetBounds(w - 561 - 30, 30, 561, 419);
    Button1.SetBounds(w - 17 - 8, traceBottom - 17 - 8, 17, 17);
}

void TForm2::WireEvents() {
    OnClick = [this] { ScreenClick(); };
    OnRightClick = [this](int x, int y) { TraceContextMenu(x, y); };
    TraceMenu.Add("Save screen as PNG\u2026", "Ctrl+S", [this] { SaveScreenClick(); });
    TraceMenu.Add("Export frame as CSV\u2026", "Ctrl+E", [this] { ExportCsvClick(); });
    TraceMenu.Add("Copy screen", "Ctrl+C", [this] { CopyScreenClick(); });
    OnClose = [this] { FormClose(); };
    OnResize = [this] { PlaceControls(); };
    SyncVoltBar.OnChange = [this] { SyncVoltBarChange(); };
    SyncPosBar.OnChange = [this] { SyncPosBarChange(); };
    Chan1Probe.OnClick = [this] { Chan1ProbeClick(); };
    Chan2Probe.OnClick = [this] { Chan2ProbeClick(); };
    Scale1.OnClick = [this] { Scale1Click(); };
    Scale2.OnClick = [this] { Scale2Click(); };
    SweepSpeed.OnClick = [this] { SweepSpeedClick(); };
    SyncSrcBox.OnClick = [this] { SyncSrcBoxClick(); };
    SyncPolBox.OnClick = [this] { SyncPolBoxClick(); };
    UpdSigGen1.OnClick = [this] { SigGenUpdateClick1(); };
    UpdSigGen2.OnClick = [this] { SigGenUpdateClick2(); };
    SigGenUpdate.OnClick = [this] { SigGenUpdateClick2(); };
    Waveform2.OnDblClick = [this] { SigGenUpdateClick2(); };
    Defaults.OnClick = [this] { DefaultsClick(); };
    RefreshComm.OnClick = [this] { RefreshCommClick(); };
    ComPort.OnClick = [this] { ComPortClick(); };
    Button1.OnClick = [this] { Button1Click(); };
    HoldBox.OnChange = [this] { link_.SetHold(HoldBox.Checked()); };
    Timer1.OnTimer = [this] { Timer1Timer(); };
}

// The monitor's descriptor in the message loop: whatever changed, the list is read
// again from the device tree, which is in place when the change is announced.
void TForm2::WatchDevices() {
    serial::DeviceMonitor* monitor = environment_.deviceMonitor;
    if (monitor == nullptr || monitor->Descriptor() < 0)
        return;
    deviceWatcher_ =
        std::make_unique<tk::DescriptorWatcher>(monitor->Descriptor(), [this, monitor] {
            if (!monitor->TakeEvents().empty())
                tk::Dispatch([this] { PortsChanged(); });
        });
}

void TForm2::Button1Click() {
    Display.SetVisible(!Display.Visible());
}

void CheckListSelection(tk::ListBox& list) {
    CheckListSelection(list, list.Count() - 1);
}

void CheckListSelection(tk::ListBox& list, int fallbackRow) {
    if (list.ItemIndex() < 0 || list.ItemIndex() >= list.Count())
        list.SetItemIndex(fallbackRow);
    if (list.ItemIndex() >= 0)
        list.SetTopIndex(list.ItemIndex());
}

} // namespace duruz
