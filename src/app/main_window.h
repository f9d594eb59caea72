#pragma once

#include "app/frame_trace.h"
#include "app/generator_panel.h"
#include "app/port_panel.h"
#include "app/recording_control.h"
#include "app/recording_view.h"
#include "app/status_panel.h"
#include "app/trigger_panel.h"
#include "app/vertical_panel.h"
#include "link/frame_rate_meter.h"
#include "serial/device_monitor.h"
#include "session/frame_averager.h"
#include "session/instrument_session.h"
#include "session/reference_store.h"
#include "toolkit/descriptor_watcher.h"
#include "toolkit/form.h"
#include "toolkit/popup_menu.h"
#include "view/measure.h"
#include "view/plot_area.h"
#include "view/redraw_screen.h"
#include "view/trace_cursors.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace duruz {

class FrequencyResponseWindow;
class ReferencesWindow;

// Where the window finds what lies outside it. The defaults are the program's own;
// tests point them at fakes and temporary folders.
struct WindowEnvironment {
    PortProvider* ports = nullptr;       // required: the objects behind the port rows
    std::string sysfsRoot = "/sys";      // where serial devices are listed
    std::vector<std::string> extraPorts; // --port paths, listed before the simulator
    bool offerSimulator = true;          // the "Simulator" row, always the last row
    // When set, lists the devices in place of the machine's own source (tests).
    std::function<std::vector<DeviceRow>()> listDevices;
    std::string configPath = "./Config.Ini";
    std::string diagnosticLogPath; // empty: no dump is written
    std::string frameTracePath;    // empty: no trace of the frames drawn (FrameTrace)
    bool startTimer = true;        // tests drive CaptureTick themselves
    bool linkThread = true;        // false: link jobs run at once, on the window's thread
    // Tells when serial devices come and go; nullptr: the list changes on Refresh
    // Comm Ports only.
    serial::DeviceMonitor* deviceMonitor = nullptr;
    // Left empty, the program's own: the file dialog, a message box, a monotonic
    // clock. Tests script them.
    std::function<std::string(const std::string& title, const std::string& suggested)> askSavePath;
    std::function<std::string(const std::string& title)> askOpenPath;
    std::function<void(const std::string& message)> showError;
    std::function<std::int64_t()> clockMs;
};

// What the screen holds between frames: the area it drew, the spectrum's scratch, and
// the measurements of the frame drawn last.
struct DrawnScreen {
    PlotArea plot;
    SpectrumWorkArea spectrumWork{};
    std::array<ChannelMeasurements, 2> measured{};
    std::array<SpectrumPeak, 2> peaks{};
    MeasureScratch scratch;
    bool redrawDue = false; // the next capture tick draws the frame held
};

// The main window: the panels on its control strip, the screen, and the capture
// timer, wired to the instrument session, which holds the settings. A panel's edit
// goes to the session; what the session delivers is shown on the panels, the
// screen and the status strip.
class MainWindow : public tk::Form {
public:
    explicit MainWindow(WindowEnvironment environment);
    ~MainWindow() override;

    // Start-up: the session's defaults, the port list, Config.Ini line by line, then
    // the port opened and the complete setting sent.
    void StartUp();
    // Saves Config.Ini, then stops the link, cutting short whatever port call it is in.
    void SaveSettingsAndStop();
    // The capture timer's tick, every 250 ms.
    void CaptureTick();
    // Takes what the session delivers: memo lines, port rows, a frame, the tick's end.
    void TakeSessionOutput();
    // The list follows the machine's devices (the device monitor, Refresh Comm Ports).
    void PortsChanged();

    void RedrawScreen();
    // Three lines across the window, a dump of the frame held, then a fresh request;
    // the next tick draws the frame held over the lines.
    void ScreenClick();
    void UpdateStatusStrip();
    void TraceContextMenu(int x, int y);
    void SaveScreenClick();
    void ExportCsvClick();
    void CopyScreenClick();
    // Starts a recording to a file the user picks, or stops the one running.
    void RecordClick();

    // A recording or frame export shown off line (recording_view.cpp): while it is,
    // the port is left alone and each frame is drawn with its own settings.
    void OpenRecordingClick();
    void ReturnToLiveView();
    // Left and Right step a frame, Home and End go to the ends, Space plays and
    // pauses, Escape returns to the live view.
    void RecordingKey(tk::Key key);
    // Playing's timer: shows the next frame once it is due.
    void PlaybackTick();
    const ShownRecording& Playback() const { return shown_; }

    const WindowEnvironment& Environment() const { return environment_; }
    InstrumentSession& Session() { return session_; }
    const DrawnScreen& Screen() const { return screen_; }
    const RecordingControl& Recording() const { return recording_; }
    const tk::PopupMenu& TraceMenu() const { return traceMenu_; }
    tk::PopupMenu& TraceMenu() { return traceMenu_; }
    // Averaging of the live frames (window_averaging.cpp): the user's choice, kept
    // while the window is open; a new choice starts a new average.
    void ChooseAveraging(AveragingChoice choice);
    const FrameAverager& Averaging() const { return averager_; }
    // Cursors over the trace area (window_cursors.cpp): switched from the trace menu,
    // dragged with the mouse, and moved with the keys in cursor mode, which only the
    // menu or its shortcut enters.
    const CursorSettings& Cursors() const { return cursors_; }
    bool InCursorMode() const { return cursorMode_; }
    CursorId SelectedCursor() const { return selectedCursor_; }

    // The frequency response window (window_response.cpp), made at its first opening
    // and brought to the front at the next ones. While its sweep runs, the session's
    // deliveries go to the sweep, which alone changes the instrument's setting: the
    // screen, the recording and the averaging take none of its frames, and the edits
    // that would change the setting are refused.
    void OpenResponseWindow();
    FrequencyResponseWindow* ResponseWindow() { return responseWindow_.get(); }
    bool SweepRunning() const { return sweepRunning_; }
    // Why a sweep cannot start now; empty when it can.
    std::string SweepRefusal() const;
    void SweepStarting();
    // The sweep's restore is sent: the panels show the user's setting again.
    void SweepEnded();

    // Reference traces (window_references.cpp): frames kept in the References folder
    // beside Config.Ini, drawn dimmed under the live trace while shown. Which are
    // shown is kept in that folder too, so they are shown again at the next start.
    // Keeps the frame on screen (the average, or a recording's frame while one is
    // shown) under an unused name "Reference N", and shows it.
    void SaveReferenceClick();
    // Keeps a frame CSV export (a frame's counts or an average's volts) as a
    // reference named after the file.
    void LoadReferenceCsvClick();
    void OpenReferencesWindow();
    ReferencesWindow* ReferencesWindowOpen() { return referencesWindow_.get(); }
    const std::vector<ListedReference>& References() const { return references_; }
    bool ReferenceShown(const std::string& path) const { return shownReferences_.contains(path); }
    void ShowReference(const std::string& path, bool shown);
    Status RenameReferenceTo(std::size_t index, const std::string& newName);
    Status DeleteReference(std::size_t index);
    // Reads the folder again: the window's list and, when asked, the screen follow it.
    void ListReferencesAgain(bool redraw = true);
    // Why the References folder could not be read at the last listing, else empty.
    const std::string& ReferenceFolderProblem() const { return referenceFolderProblem_; }

    tk::Panel controlStrip;
    VerticalPanel vertical;
    TriggerPanel trigger;
    GeneratorPanel generator;
    PortPanel ports;
    StatusPanel status;

private:
    void PlaceControls();
    void WireEvents();
    void WatchDevices();
    // What a panel's edit does: the session takes it and sends what it changed.
    void TakeEdit(const PanelEdit& edit);
    // Shows the session's settings on every panel, and the port rows.
    void ShowSettings();
    void ShowWindowPlace();
    // The window's place as it stands now, taken into the settings.
    void TakeWindowPlace();
    void LoadConfig();
    void SaveConfig();
    void MeasureDrawnFrame();
    std::int64_t NowMs() const;
    std::string AskSavePath(const std::string& title, const std::string& suggested);
    void WirePlayback();
    FrameOnScreen FrameShown() const;
    void ShowRecordedFrame(std::size_t frame);
    void SetPlaying(bool playing);
    void ShowRecordingStrip();
    std::string AskOpenPath(const std::string& title);
    void ShowError(const std::string& message);
    void AddRecordItem();
    void RecordSessionOutput(const SessionOutput& output, bool newAverage);
    void EndRecording();
    void AddAveragingItems();
    void ShowAveragingChoice();
    void AddCursorItems();
    void ChangeCursors(const std::function<void(CursorSettings&)>& change);
    void ShowCursorCaptions();
    void TraceAreaKey(tk::Key key, bool shift);
    bool MoveCursorWithKey(tk::Key key, bool shift);
    bool CursorPress(int x, int y);
    void CursorDrag(int x, int y);
    CursorScreen CursorScreenNow() const;
    void DrawCursorsAndReadouts();
    void LoadCursors();
    void SaveCursors();
    void LoadShownReferences();
    void KeepShownReferences();
    void AddResponseItem();
    void AddReferenceItems();
    // Writes the reference, shows it and tells the user where it went.
    void KeepReference(ReferenceTrace reference, const std::string& source);
    // Turns the panels' setting edits off while a sweep runs, and on again.
    void EnableSettingControls(bool enabled);
    // Refuses an edit during a sweep; true when refused.
    bool RefusedDuringSweep(const PanelEdit& edit);
    void ShowPanels(const ScopeSettings& settings);

    tk::Timer captureTimer_;
    tk::PopupMenu traceMenu_;
    WindowEnvironment environment_;
    InstrumentSession session_;
    DrawnScreen screen_;
    FrameRateMeter frameRate_;
    std::string configReadError_; // why Config.Ini was there but unreadable, else empty
    std::unique_ptr<tk::DescriptorWatcher> deviceWatcher_;
    FrameTrace trace_;
    tk::Timer traceProbe_{*this, FrameTrace::kProbeMs};
    ShownRecording shown_;
    tk::Timer playbackTimer_{*this, kPlaybackTickMs};
    int returnItem_ = -1; // the trace menu's "Return to live view"
    RecordingControl recording_;
    int recordItem_ = -1; // the trace menu's "Record…"
    FrameAverager averager_;
    int averagingItem_ = -1; // the trace menu's first averaging choice, "Off"
    CursorSettings cursors_;
    bool cursorMode_ = false;
    CursorId selectedCursor_ = CursorId::None;
    CursorId draggedCursor_ = CursorId::None;
    std::string cursorReadouts_;    // of the frame drawn last
    std::string cursorFileProblem_; // why Cursors.ini was there but not read, else empty
    int cursorItems_ = -1;          // the trace menu's first cursor item
    std::unique_ptr<FrequencyResponseWindow> responseWindow_;
    bool sweepRunning_ = false;
    ScopeSettings sweepUserSetting_; // what the panels show while a sweep runs
    std::vector<ListedReference> references_;
    std::set<std::string> shownReferences_; // their paths
    std::string referenceFolderProblem_;    // said in the memo once
    std::string shownFileProblem_;          // why the shown list was there but not read, else empty
    bool shownFileWarned_ = false;
    std::vector<ReferenceDrawing> referenceDrawings_; // of the shown ones, into references_
    std::unique_ptr<ReferencesWindow> referencesWindow_;
};

PortSources PortSourcesOf(const WindowEnvironment& environment);

} // namespace duruz
