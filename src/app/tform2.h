#pragma once

#include "app/config_file.h"
#include "app/frame_trace.h"
#include "link/capture_store.h"
#include "link/commands.h"
#include "link/frame_rate_meter.h"
#include "link/link_thread.h"
#include "link/lost_port.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "link/serial_link.h"
#include "link/trigger_state.h"
#include "serial/device_monitor.h"
#include "toolkit/descriptor_watcher.h"
#include "toolkit/form.h"
#include "toolkit/popup_menu.h"
#include "toolkit/status_strip.h"
#include "view/measure.h"
#include "view/plot_area.h"
#include "view/spectrum_transform.h"
#include "view/status_texts.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace duruz {

// Where the window finds what lies outside it. The defaults are the program's own;
// tests point them at fakes and temporary folders.
struct FormEnvironment {
    PortProvider* ports = nullptr;       // required: the objects behind the port rows
    std::string sysfsRoot = "/sys";      // where serial devices are listed
    std::vector<std::string> extraPorts; // --port paths, listed before the simulator
    bool offerSimulator = true;          // the "Simulator" row, always the last row
    std::string configPath = "./Config.Ini";
    std::string diagnosticLogPath; // empty: no dump is written
    std::string frameTracePath;    // empty: no trace of the frames drawn (FrameTrace)
    bool startTimer = true;        // tests drive Timer1Timer themselves
    bool linkThread = true;        // false: link jobs run at once, on the window's thread
    // Tells when serial devices come and go; nullptr: the list changes on Refresh
    // Comm Ports only.
    serial::DeviceMonitor* deviceMonitor = nullptr;
    // Left empty, the program's own: the file dialog, a message box, a monotonic
    // clock. Tests script them.
    std::function<std::string(const std::string& title, const std::string& suggested)> askSavePath;
    std::function<void(const std::string& message)> showError;
    std::function<std::int64_t()> clockMs;
};

// The settings a frame was captured under, kept with the frame the window holds so
// that drawing, exporting or dumping it again never takes a later setting.
struct FrameSettings {
    std::array<int, 2> rangeRow{};
    int sweepRow = 0;
    int syncSourceRow = 0;
    int syncPolarityRow = 0;
    TriggerState trigger;
};

// The main window. Its controls hold the live settings; its handlers are spread
// over the folders of the subsystems that own them.
class TForm2 : public tk::Form {
public:
    explicit TForm2(FormEnvironment environment);
    ~TForm2() override;

    // Window events.
    void FormCreate();
    void FormClose();
    void ScreenClick();
    void Button1Click();
    void Timer1Timer();

    // Serial link.
    void ComPortClick();
    void RefreshCommClick();
    // The list follows the machine's devices: rows come and go, the open port's row
    // stays marked disconnected, and when the same device returns it is opened again
    // and sent the whole setting.
    void PortsChanged();
    // The link let go of the port at path because its device went away.
    void PortLost(const std::string& path);
    // The command of every control in start-up order, after the port is open.
    void SendCompleteSetting();

    // Vertical controls.
    void Chan1ProbeClick();
    void Chan2ProbeClick();
    void Scale1Click();
    void Scale2Click();

    // Horizontal and trigger controls.
    void SweepSpeedClick();
    void SyncSrcBoxClick();
    void SyncPolBoxClick();
    void SyncVoltBarChange();
    void SyncPosBarChange();
    void UpdateSyncClick();

    // Signal generator.
    void UpdateSigGen(int channel);
    void SigGenUpdateClick1();
    void SigGenUpdateClick2();

    // Settings.
    void LoadConfig();
    void SaveConfig();
    void DefaultsClick();

    void RedrawScreen();
    void RequestCapture();
    // Takes the link's status lines and finished frame, and ends its tick: the
    // cursor from the pending request, and the drawing of a frame that waits.
    void DeliverLinkOutput();

    // The status strip and the trace area's context menu.
    void UpdateStatusStrip();
    void TraceContextMenu(int x, int y);
    void SaveScreenClick();
    void ExportCsvClick();
    void CopyScreenClick();

    // The controls, in the order of the window's layout.
    tk::ScrollBar SyncVoltBar;
    tk::ScrollBar SyncPosBar;
    tk::Panel Controls;
    tk::ListBox Chan1Probe;
    tk::ListBox Chan2Probe;
    tk::ListBox Scale1;
    tk::ListBox Scale2;
    tk::CheckBox Scope1CheckBox;
    tk::CheckBox Scope2CheckBox;
    tk::CheckBox Fft1CheckBox;
    tk::CheckBox Fft2CheckBox;
    tk::CheckBox HoldBox;
    tk::ListBox SweepSpeed;
    tk::ListBox SyncSrcBox;
    tk::ListBox SyncPolBox;
    tk::ListBox Waveform1;
    tk::ListBox Waveform2;
    tk::EditBox Freq1;
    tk::EditBox Freq2;
    tk::EditBox Ampl1;
    tk::EditBox Ampl2;
    tk::Button UpdSigGen1;
    tk::Button UpdSigGen2;
    tk::Button SigGenUpdate;
    tk::Button Defaults;
    tk::Button RefreshComm;
    tk::ListBox ComPort;
    tk::Memo Display;
    tk::Button Button1;
    tk::Timer Timer1;
    // Sections: link, frame rate, line faults, channel 1, channel 2, spectrum.
    tk::StatusStrip Strip;
    tk::PopupMenu TraceMenu;

    // State that is not a control. Link is the window's side of the link: the port
    // rows, the path of the port chosen, and whether a request is pending; the port
    // itself lives on the link thread. Capture holds the last frame known to be
    // captured under the window's setting, CaptureSettings that setting.
    SerialLink Link;
    CaptureStore Capture;
    FrameSettings CaptureSettings;
    TriggerState Trigger;
    PlotArea Plot;
    std::array<ComplexFloat, 1024> SpectrumWorkArea{};
    // What the strip shows, kept between frames.
    LinkStatus PortStatus;
    FrameRateMeter FrameRate;
    std::array<ChannelMeasurements, 2> Measured{};
    std::array<SpectrumPeak, 2> SpectrumPeaks{};

    const FormEnvironment& Environment() const { return environment_; }
    // The settings Config.Ini would be given now, read from the controls.
    ScopeSettings CurrentSettings() const;
    LinkThread& LinkWorker() { return link_; }

private:
    void BuildLayout();
    void PlaceControls();
    void WireEvents();
    // Rebuilds the port list's rows from the port table; the selected row stays selected.
    void FillPortRows();
    void WatchDevices();
    // Marks the open port's row disconnected and says so, once.
    void MarkOpenPortDisconnected();
    // The memo's two lines for the open port's device going away.
    void LogDisconnected();
    // Opens the lost port's row again and sends it the complete setting.
    void ReopenLostPort();
    // The lost port's path holds something again: reopens it when it is the same device.
    void LostPathBack();
    // Tells the memo that the lost port's path is back but not reopened, and why.
    void SayNotReopened(const char* why);

    // How a port is opened: chosen (by the user, start-up or the reset), reopened by
    // itself, or tried again quietly while a returned node still refuses permission.
    enum class OpenKind { Chosen, Reopen, Retry };
    // Opens the selected row's port on the link.
    void OpenSelectedPort(OpenKind kind);
    // A reopen's answer: the whole setting once open, or another try on the next tick.
    void ReopenEnded(std::uint32_t choice, bool opened, serial::OpenFailure refusal);

    // Posts the job that writes a setting command (range, sync, generator): the
    // window's settings generation moves on now, the link's when the job runs.
    void PostSetting(LinkJob send);
    // Sends a setting command from a handler: the text is built now, written by the link.
    void Send(const CommandText& command);
    // Keeps a delivered frame, or counts it as stale.
    void TakeDeliveredFrame(const FrameOrigin& origin);
    FrameSettings SettingsOfControls() const;
    // The link's answer to opening the row that read `port` when it was clicked.
    void PortOpened(const std::string& port, const Result<OpenedPort>& opened);
    void MeasureDrawnFrame();
    std::int64_t NowMs() const;
    std::string AskSavePath(const std::string& title, const std::string& suggested);
    void ShowError(const std::string& message);

    FormEnvironment environment_;
    LinkThread link_;
    std::unique_ptr<tk::DescriptorWatcher> deviceWatcher_;
    LostPort lostPort_;
    serial::LinkIdentity openedLink_; // the link the open port was reached through, if any
    std::uint32_t portChoice_ = 0;    // counts the ports chosen; a late answer is ignored
    int reopenTries_ = 0;             // ticks left to try a reopen refused permission
    bool retryReopen_ = false;        // try the reopen again on the next tick
    std::vector<std::unique_ptr<tk::EditBox>> labels_; // the strip's titles, untouched by code
    std::uint32_t framesSeen_ = 0;                     // frames already given to FrameRate
    // Setting commands posted; a frame is kept only when captured under the last one.
    std::uint32_t settingsGeneration_ = 0;
    // Frames the link knew to be certain but captured under an earlier setting of the
    // window's; the strip adds them to the link's own stale count.
    std::uint32_t staleSkips_ = 0;
    // Open and close decisions posted; a delivery from before the last one says
    // nothing about the port.
    std::uint32_t portDecision_ = 0;
    CaptureStore delivered_;      // the frame last delivered, before it is judged
    std::string configReadError_; // why Config.Ini was there but unreadable, else empty
    MeasureScratch measureScratch_;
    // The generator codes last sent, for the trace of the frames drawn.
    std::array<int, 2> sentWaveformCodes_{};
    FrameTrace trace_;
    tk::Timer traceProbe_{*this, FrameTrace::kProbeMs};
};

PortSources PortSourcesOf(const FormEnvironment& environment);

// Makes a list's selection valid (the last row when it is out of range) and shows it.
void CheckListSelection(tk::ListBox& list);
// The same with another row than the last one for an invalid selection.
void CheckListSelection(tk::ListBox& list, int fallbackRow);

} // namespace duruz
