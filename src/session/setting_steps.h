#pragma once

#include "link/commands.h"
#include "link/trigger_state.h"
#include "session/scope_settings.h"
#include "view/export_csv.h"
#include "view/redraw_screen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace duruz {

// One thing a front end does to put a setting on the instrument, in the order a
// sequence lists them.
enum class StepKind : std::uint8_t {
    MemoLine,   // a line of the front end's own for the memo: "SweepSpeed 1", "ProbeType1 0"
    ChoosePort, // open the port at `row`, closing the one open
    Range,      // "Range <row>" in the memo, then the channel's range command
    Trigger,    // the trigger command of `trigger`, which is also recorded for the screen
    Generator,  // the generator command of the channel, then a capture request
};

struct SettingStep {
    StepKind kind = StepKind::MemoLine;
    std::string memoLine;  // MemoLine
    int channel = 0;       // Range, Generator: 0 or 1
    int row = -1;          // Range: range row; Generator: waveform row; ChoosePort: port row
    TriggerState trigger;  // Trigger
    std::string frequency; // Generator: the texts as typed, turned into numbers when sent
    std::string amplitude;

    bool operator==(const SettingStep&) const = default;
};

// The settings after a sequence's normalisations, and the steps that send them.
struct SettingSequence {
    ScopeSettings settings;
    std::vector<SettingStep> steps;
};

// The trigger the settings ask for (panel/sync_controls): source, polarity, the
// position bar, and minus the level bar, pinned in XY mode.
TriggerState TriggerOf(const ScopeSettings& settings);
// The trigger command as sent: the level field is minus TriggerState::SyncLevel.
CommandText TriggerCommand(const TriggerState& trigger);
// The memo lines of a sweep and of a probe choice.
std::string SweepLine(int sweepRow);              // "SweepSpeed 1"
std::string ProbeLine(int channel, int probeRow); // "ProbeType1 0" for channel 0
// The range row a probe choice leaves its range list at (panel/probe_ranges): the
// row stays, or the narrowest when none or an invalid one was selected.
int RangeRowAfterProbe(int probeRow, int rangeRow);

// Every command of the settings, in start-up order: the sweep (an invalid row becomes
// the last), the trigger (source and polarity made valid the same way) sent twice,
// then per channel the probe (made valid) with its range relabel and the range, then
// both generator channels. No port step: the port is chosen before.
SettingSequence CompleteSetting(const ScopeSettings& settings);

// The factory reset from `before`: the lists and bars to their factory values
// (settings_defaults.h), each bar that moved sending the trigger as it moves, then
// the default port chosen, the ranges, the sweep, the probes, the trigger and both
// generator channels.
SettingSequence FactoryReset(const ScopeSettings& before, int defaultPortRow);

// The screen's size and the widths of what borders the trace area.
struct ScreenGeometry {
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    std::int32_t levelBarWidth = 0;
    std::int32_t positionBarHeight = 0;
    std::int32_t controlsHeight = 0;
};

// What the screen is drawn from: the probes and the shown traces and spectra from
// the live settings (they only scale and choose what is drawn), the sweep, ranges and
// trigger from the settings the frame was captured under.
ScreenInputs ScreenInputsOf(const ScopeSettings& live, const ScopeSettings& captured,
                            const ScreenGeometry& geometry);

// The export's header: the date and port path given, the probes from the live
// settings, the rest from the settings the frame was captured under, with the lists'
// row texts ("2 mSec/div", "Ch1 Rise"; an empty text for no row).
CsvExportInfo CsvExportInfoOf(const ScopeSettings& live, const ScopeSettings& captured,
                              std::string date, std::string portPath);

} // namespace duruz
