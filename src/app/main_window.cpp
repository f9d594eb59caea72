#include "app/main_window.h"

#include "app/references_window.h"
#include "app/response_window.h"
#include "toolkit/application.h"

#include <utility>

namespace duruz {

namespace {

constexpr int kStripHeight = 99;
constexpr int kCaptureTickMs = 250;

SessionEnvironment SessionEnvironmentOf(const WindowEnvironment& environment,
                                        const PortPanel& ports) {
    SessionEnvironment session;
    session.ports = environment.ports;
    session.portSources = PortSourcesOf(environment);
    session.linkThread = environment.linkThread;
    // The user's locale, as the edit boxes show numbers.
    session.toNumber = [](const std::string& text) { return tk::StrToFloat(text); };
    // The row as the user saw it when clicking, description and all.
    session.portRowText = [&ports](int row) { return ports.portList.Item(row); };
    return session;
}

} // namespace

MainWindow::MainWindow(WindowEnvironment environment)
    : controlStrip(*this), vertical(controlStrip), trigger(*this, controlStrip),
      generator(controlStrip), ports(controlStrip), status(*this),
      captureTimer_(*this, kCaptureTickMs), traceMenu_(*this), environment_(std::move(environment)),
      session_(SessionEnvironmentOf(environment_, ports),
               [this] { RunOnWindowThread([this] { TakeSessionOutput(); }); }),
      trace_(environment_.frameTracePath) {
    SetCaption("RORU-Duruz");
    SetFont("Tahoma", 11);
    const WindowPlace& place = session_.Settings().window;
    SetClientSize(place.width, place.height);
    SetLeft(place.left);
    SetTop(place.top);
    PlaceControls();
    WireEvents();
    session_.Start();
    WatchDevices();
    if (environment_.startTimer)
        captureTimer_.SetEnabled(true);
    if (trace_.Enabled()) {
        traceProbe_.OnTimer = [this] { trace_.ProbeFired(); };
        traceProbe_.SetEnabled(true);
    }
    tk::Dispatch([this] { StartUp(); });
}

// A sweep still running gives the setting back first. Then the link thread goes,
// before the members: it may still wake the window it belongs to.
MainWindow::~MainWindow() {
    if (responseWindow_ != nullptr)
        responseWindow_->StopClick();
    responseWindow_.reset();
    session_.Stop();
}

// Keeps the bars along their edges, the strip along the bottom and the memo and
// its button in the trace area as the window's size changes.
void MainWindow::PlaceControls() {
    const int w = ClientWidth();
    const int h = ClientHeight();
    const int traceBottom = h - kPositionBarHeight - kStripHeight;
    trigger.Place(w, h, traceBottom);
    controlStrip.SetBounds(0, traceBottom, w, kStripHeight);
    status.Place(w, traceBottom);
}

void MainWindow::WireEvents() {
    OnClick = [this] { ScreenClick(); };
    OnRightClick = [this](int x, int y) { TraceContextMenu(x, y); };
    traceMenu_.Add("Save screen as PNG\u2026", "Ctrl+S", [this] { SaveScreenClick(); });
    traceMenu_.Add("Export frame as CSV\u2026", "Ctrl+E", [this] { ExportCsvClick(); });
    traceMenu_.Add("Copy screen", "Ctrl+C", [this] { CopyScreenClick(); });
    AddRecordItem();
    WirePlayback();
    AddAveragingItems();
    AddCursorItems();
    AddReferenceItems();
    AddResponseItem();
    OnClose = [this] { SaveSettingsAndStop(); };
    // The window's place is a setting like any other: kept as the window moves.
    OnResize = [this] {
        PlaceControls();
        TakeWindowPlace();
    };
    OnMove = [this] { TakeWindowPlace(); };
    const EditHandler edit = [this](const PanelEdit& change) { TakeEdit(change); };
    vertical.OnEdit = edit;
    trigger.OnEdit = edit;
    generator.OnEdit = edit;
    ports.OnEdit = edit;
    captureTimer_.OnTimer = [this] { CaptureTick(); };
}

// The monitor's descriptor in the message loop: whatever changed, the list is read
// again from the device tree, which is in place when the change is announced.
void MainWindow::WatchDevices() {
    serial::DeviceMonitor* monitor = environment_.deviceMonitor;
    if (monitor == nullptr || monitor->Descriptor() < 0)
        return;
    deviceWatcher_ =
        std::make_unique<tk::DescriptorWatcher>(monitor->Descriptor(), [this, monitor] {
            if (!monitor->TakeEvents().empty())
                tk::Dispatch([this] {
                    // A recording shown leaves the port alone, reopens included.
                    if (shown_.Active())
                        shown_.portsChanged = true;
                    else
                        PortsChanged();
                });
        });
}

void MainWindow::TakeEdit(const PanelEdit& edit) {
    if (RefusedDuringSweep(edit))
        return;
    using enum PanelEdit::Kind;
    const ScopeSettings& now = session_.Settings();
    const int c = edit.channel;
    switch (edit.kind) {
    case Probe:
        session_.SetProbe(c, edit.number);
        vertical.Show(session_.Settings()); // the range list relabelled for the probe
        break;
    case Range:
        session_.SetRange(c, edit.number);
        break;
    case Shown:
        session_.SetShown(c, edit.number != 0);
        break;
    case Spectrum:
        session_.SetSpectrum(c, edit.number != 0);
        break;
    case Hold:
        session_.SetHold(edit.number != 0);
        break;
    case Sweep:
        session_.SetSweep(edit.number);
        break;
    case TriggerSource:
        session_.SetTriggerSource(edit.number);
        break;
    case TriggerPolarity:
        session_.SetTriggerPolarity(edit.number);
        break;
    case TriggerLevel:
        session_.SetTriggerLevel(edit.number);
        break;
    case TriggerPosition:
        session_.SetTriggerPosition(edit.number);
        break;
    case Waveform:
        session_.SetWaveform(c, edit.number);
        break;
    case Frequency:
        session_.SetGeneratorTexts(c, edit.text, now.generator[c & 1].amplitude);
        break;
    case Amplitude:
        session_.SetGeneratorTexts(c, now.generator[c & 1].frequency, edit.text);
        break;
    case SendGenerator:
        // The next capture tick sets the cursor back from the capture state.
        SetCursor(tk::Cursor::Busy);
        session_.UpdateGenerator(c);
        break;
    case PortRow:
        session_.ChoosePort(edit.number);
        break;
    case RefreshPorts:
        PortsChanged();
        break;
    case FactoryReset:
        session_.FactoryReset();
        ShowSettings();
        break;
    }
}

void MainWindow::ShowSettings() {
    const ScopeSettings& settings = session_.Settings();
    ports.ShowPorts(session_.LinkSide(), settings.port.row);
    // While a sweep runs the session holds the sweep's setting, not the user's.
    ShowPanels(sweepRunning_ ? sweepUserSetting_ : settings);
}

void MainWindow::ShowPanels(const ScopeSettings& settings) {
    vertical.Show(settings);
    trigger.Show(settings);
    generator.Show(settings);
    ports.Show(settings);
}

void MainWindow::TakeWindowPlace() {
    session_.SetWindowPlace({FormLeft(), FormTop(), FormWidth(), FormHeight()});
}

void MainWindow::ShowWindowPlace() {
    const WindowPlace& place = session_.Settings().window;
    SetLeft(place.left);
    SetTop(place.top);
    SetWidth(place.width);
    SetHeight(place.height);
}

// Lists the ports again and rebuilds the rows, keeping the row of the port in use
// selected; an open port that is still there is left alone.
void MainWindow::PortsChanged() {
    session_.RefreshPorts();
    ShowSettings();
}

// The main loop: the session keeps a frame requested and takes in what arrived;
// TakeSessionOutput draws each complete frame.
void MainWindow::CaptureTick() {
    if (shown_.Active()) {
        // A recording is shown: no request, no reopen; a click's lines are drawn over.
        if (std::exchange(screen_.redrawDue, false))
            RedrawScreen();
        return;
    }
    session_.Tick();
}

void MainWindow::TakeSessionOutput() {
    const SessionOutput output = session_.Collect();
    for (const std::string& line : output.lines)
        status.memo.Add(line);
    // The sweep's frames and settings are its own: the panels keep the user's setting.
    const bool sweeping = sweepRunning_;
    const bool newAverage =
        output.frameKept && !sweeping &&
        averager_.Add(session_.Frame(), session_.CapturedUnder(), session_.CapturedGeneration());
    if (sweeping)
        responseWindow_->Collected(output);
    else
        RecordSessionOutput(output, newAverage);
    if ((output.portRowsChanged || output.settingsChanged) && !sweeping)
        ShowSettings();
    if (output.portAnswered) {
        frameRate_.Reset(NowMs(), session_.LinkSide().Counters.framesReceived);
        UpdateStatusStrip();
    }
    if (output.frameKept && !sweeping) {
        screen_.redrawDue = true;
        const ScopeSettings& captured = session_.CapturedUnder();
        const TriggerState sync = session_.Trigger();
        const std::array<int, 2>& codes = session_.SentWaveformCodes();
        trace_.FrameDrawn(session_.Frame(),
                          {captured.channels[0].rangeRow, captured.channels[1].rangeRow,
                           sync.SyncPosition, -sync.SyncLevel,
                           sync.SyncSource * 2 + sync.SyncPolarity, codes[0] * 16 + codes[1]});
    }
    if (!output.tickDone)
        return;
    // The window stays usable while it waits for a frame.
    SetCursor(output.waitCursor ? tk::Cursor::Busy : tk::Cursor::Default);
    if (screen_.redrawDue) {
        screen_.redrawDue = false;
        RedrawScreen();
    } else {
        UpdateStatusStrip();
    }
}

PortSources PortSourcesOf(const WindowEnvironment& environment) {
    PortSources sources;
    sources.sysfsRoot = environment.sysfsRoot;
    sources.extraPaths = environment.extraPorts;
    sources.offerSimulator = environment.offerSimulator;
    sources.listDevices = environment.listDevices;
    return sources;
}

} // namespace duruz
