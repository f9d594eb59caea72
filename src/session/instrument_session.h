#pragma once

#include "link/capture_store.h"
#include "link/link_counters.h"
#include "link/link_thread.h"
#include "link/lost_port.h"
#include "link/open_port.h"
#include "link/port_list.h"
#include "link/serial_link.h"
#include "link/trigger_state.h"
#include "session/scope_settings.h"
#include "session/setting_steps.h"
#include "view/status_texts.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace duruz {

// What the session finds outside it. The defaults are the program's own; tests
// point them at fakes.
struct SessionEnvironment {
    PortProvider* ports = nullptr; // required: the objects behind the port rows
    PortSources portSources;       // where the port list comes from
    bool linkThread = true;        // false: link jobs run at once, on the caller's thread
    // Turns a generator text into a number, raising on a text that is not one. It is
    // called before anything of that channel is sent or logged, so a raise leaves the
    // memo and the wire untouched. Left empty: the C locale's strtod, whole text.
    std::function<double(const std::string& text)> toNumber;
    // The text a port row shows, for the link's state ("ttyUSB0 - FTDI ..."). Left
    // empty: the row's device name.
    std::function<std::string(int row)> portRowText;
};

// What one Collect hands the front end.
struct SessionOutput {
    std::vector<std::string> lines; // memo lines, oldest first
    bool tickDone = false;          // a capture tick ran: draw a kept frame now
    bool waitCursor = false;        // a request was pending when that tick began
    bool frameKept = false;         // a new frame is kept: Frame() and CapturedUnder() hold it
    bool portAnswered = false;      // a port choice was answered: the counters start again
    // The session changed the port rows or the settings by itself (a device came or
    // went, a reopen sent the complete setting): show them again.
    bool portRowsChanged = false;
    bool settingsChanged = false;
};

// The instrument as a front end drives it: the settings value, the link thread and
// the port it holds, the translation from settings to commands, and the bookkeeping
// of frames and of ports coming and going. A front end calls it on one thread; the
// link thread calls `wake`, from any thread, when output waits, and the front end
// answers by calling Collect on its own thread. No display and no toolkit needed.
class InstrumentSession {
public:
    InstrumentSession(SessionEnvironment environment, std::function<void()> wake);
    // Stops the link thread first: it may still wake the front end.
    ~InstrumentSession();
    InstrumentSession(const InstrumentSession&) = delete;
    InstrumentSession& operator=(const InstrumentSession&) = delete;

    // Starts the link thread (unless the environment says not to).
    void Start();
    // Runs no further link job, cuts a port call short and closes the port.
    void Stop();

    // Start-up, in three parts around reading Config.Ini: first the capture tick's
    // interval goes to the link, the ports are listed and the start-up defaults set
    // (settings_defaults.h); then each line read goes to LoadConfigLine, in file order;
    // last, hold goes to the link, an invalid port row becomes the default row, that
    // port is opened and the complete setting sent.
    void BeginStartUp(int tickIntervalMs);
    // Applies Config.Ini's line `index` as its control would (config_table.h); a
    // trigger bar that moved sends the trigger. The caller logs the line before.
    void LoadConfigLine(int index, const char* value);
    void FinishStartUp();

    // The user's edits. Each takes effect as its control's handler did: rows outside
    // the list change nothing, bars clamp.
    void SetSweep(int row);                   // "SweepSpeed <row>", then the trigger
    void SetTriggerSource(int row);           // the trigger
    void SetTriggerPolarity(int row);         // the trigger
    void SetTriggerLevel(int levelBar);       // the trigger, when the bar moved
    void SetTriggerPosition(int positionBar); // the trigger, when the bar moved
    // Source, polarity and level bar together, the trigger sent once: for a front end
    // that sets or gives back a whole trigger. Rows outside the lists stay as they are.
    void SetTrigger(int sourceRow, int polarityRow, int levelBar);
    void SetProbe(int channel, int row); // "ProbeType<n> <row>", the range relabelled
    void SetRange(int channel, int row); // "Range <row>", then the range command
    void SetShown(int channel, bool shown);
    void SetSpectrum(int channel, bool spectrum);
    void SetHold(bool hold);
    void SetWaveform(int channel, int row); // sent by UpdateGenerator
    void SetGeneratorTexts(int channel, std::string frequency, std::string amplitude);
    // The channel's waveform row and texts as one value, any row kept (-1 sends
    // "Off"), so that a setting taken earlier can be given back whole. Sent by
    // UpdateGenerator.
    void SetGenerator(int channel, GeneratorChannelSettings generator);
    // The channel's generator command, then a capture request unless told not to. A
    // text that is not a number raises before anything is sent or logged.
    void UpdateGenerator(int channel, bool requestFrame = true);
    void SetWindowPlace(const WindowPlace& place);
    // The user picked a port row: a lost port waited for is forgotten.
    void ChoosePort(int row);
    // Lists the ports again, keeping the open port's row; a device gone is marked,
    // one come back is reopened and sent the complete setting.
    void RefreshPorts();
    // Every command of the settings, in start-up order (CompleteSetting).
    void SendCompleteSetting();
    // Opens the port at `row` and sends the complete setting with no capture request
    // among it, not even the one an open sends, then a single capture request, which
    // the link holds back until the generator has settled: every frame asked for is
    // captured under the whole setting. For a front end that reads frames only once
    // everything is set. A row outside the list opens nothing and sends nothing.
    void OpenWithCompleteSetting(int row);
    // The factory reset (FactoryReset), its commands sent.
    void FactoryReset();
    // A fresh capture request.
    void RequestCapture();
    // A line of the front end's own for the memo, in order with the link's.
    void AddLine(std::string_view line);

    // The capture timer's tick: a refused reopen is tried again, a lost port's path
    // looked at, and the link's capture tick queued.
    void Tick();
    // Takes what the link left: lines, the link's state, answers to port choices, a
    // port lost, and the newest frame, kept only when certain and of the latest
    // setting (else counted as stale).
    SessionOutput Collect();

    // The live settings; the port's path is the one last chosen.
    const ScopeSettings& Settings() const { return settings_; }
    // The frame kept last and the settings it was captured under.
    const CaptureStore& Frame() const { return capture_; }
    const ScopeSettings& CapturedUnder() const { return capturedUnder_; }
    // The settings generation the kept frame was captured under: it moves on with
    // every setting sent, also one sent again unchanged.
    std::uint32_t CapturedGeneration() const { return capturedGeneration_; }
    // When the kept frame's last byte was taken from the port.
    const FrameArrival& Arrival() const { return arrival_; }
    // The trigger as last sent.
    const TriggerState& Trigger() const { return trigger_; }
    // The port rows, the chosen port's path, and the link's state as last collected.
    const SerialLink& LinkSide() const { return linkSide_; }
    int DefaultPortRow() const;
    // The port, its state (open, unconfigured, failed, or disconnected once a port
    // that opened is gone) and the reason of a failure.
    LinkStatus Status() const;
    // Status()'s state alone, with no text copied.
    LinkStatus::State PortState() const;
    // The link's counters, with the frames the session skipped as stale added.
    LinkCounters Counters() const;
    // The waveform codes last sent per channel, for the trace of frames drawn.
    const std::array<int, 2>& SentWaveformCodes() const { return sentWaveformCodes_; }
    LinkThread& Worker() { return link_; }

private:
    enum class OpenKind { Chosen, Reopen, Retry };
    // Without requestAfterGenerator the generator steps send their command alone.
    void RunSteps(const SettingSequence& sequence, bool requestAfterGenerator = true);
    void SendTrigger();
    void SendGenerator(int channel, const std::string& frequency, const std::string& amplitude);
    void PostSetting(LinkJob send);
    void Send(const CommandText& command);
    void OpenSelectedPort(OpenKind kind, bool requestAfterOpen = true);
    void PortOpened(const std::string& port, const Result<OpenedPort>& opened);
    void ReopenEnded(std::uint32_t choice, bool opened, serial::OpenFailure refusal);
    void PortLost(const std::string& path);
    void MarkOpenPortDisconnected();
    void LogDisconnected();
    void LostPathBack();
    void ReopenLostPort();
    void SayNotReopened(const char* why);
    void TakeDeliveredFrame(const FrameOrigin& origin, const FrameArrival& arrival);
    std::string PortRowText(int row) const;
    double ToNumber(const std::string& text) const;

    SessionEnvironment environment_;
    ScopeSettings settings_;
    ScopeSettings capturedUnder_;
    FrameArrival arrival_;
    TriggerState trigger_;
    SerialLink linkSide_;
    CaptureStore capture_;
    CaptureStore delivered_;
    LinkStatus portStatus_;
    LostPort lostPort_;
    serial::LinkIdentity openedLink_;
    std::uint32_t portChoice_ = 0;
    int reopenTries_ = 0;
    bool retryReopen_ = false;
    std::uint32_t settingsGeneration_ = 0;
    std::uint32_t capturedGeneration_ = 0;
    std::uint32_t staleSkips_ = 0;
    std::uint32_t portDecision_ = 0;
    std::array<int, 2> sentWaveformCodes_{};
    SessionOutput pending_;
    LinkThread link_;
};

} // namespace duruz
