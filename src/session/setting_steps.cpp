#include "session/setting_steps.h"

#include "panel/probe_ranges.h"
#include "panel/sync_controls.h"
#include "session/list_texts.h"
#include "session/settings_defaults.h"

#include <cstdio>
#include <utility>

namespace duruz {

namespace {

// A list's row made valid: the fallback row when it is none or outside the list.
int ValidRow(int row, int rows, int fallback) {
    return row < 0 || row >= rows ? fallback : row;
}

SettingStep Memo(std::string line) {
    SettingStep step;
    step.memoLine = std::move(line);
    return step;
}

SettingStep Trigger(const ScopeSettings& settings) {
    SettingStep step;
    step.kind = StepKind::Trigger;
    step.trigger = TriggerOf(settings);
    return step;
}

SettingStep Range(int channel, int row) {
    SettingStep step;
    step.kind = StepKind::Range;
    step.channel = channel;
    step.row = row;
    return step;
}

SettingStep Generator(const ScopeSettings& settings, int channel) {
    const GeneratorChannelSettings& generator =
        settings.generator[static_cast<std::size_t>(channel)];
    SettingStep step;
    step.kind = StepKind::Generator;
    step.channel = channel;
    step.row = generator.waveformRow;
    step.frequency = generator.frequency;
    step.amplitude = generator.amplitude;
    return step;
}

// The probe's memo line; its range list is relabelled and keeps a valid row.
void ChooseProbe(ScopeSettings& settings, int channel, std::vector<SettingStep>& steps) {
    ChannelSettings& vertical = settings.channels[static_cast<std::size_t>(channel)];
    steps.push_back(Memo(ProbeLine(channel, vertical.probeRow)));
    vertical.rangeRow = RangeRowAfterProbe(vertical.probeRow, vertical.rangeRow);
}

} // namespace

TriggerState TriggerOf(const ScopeSettings& settings) {
    return TriggerFromControls({.sweepRow = settings.sweepRow,
                                .sourceRow = settings.trigger.sourceRow,
                                .polarityRow = settings.trigger.polarityRow,
                                .levelBarPosition = settings.trigger.levelBar,
                                .positionBarPosition = settings.trigger.positionBar});
}

CommandText TriggerCommand(const TriggerState& trigger) {
    return SyncCommand(trigger.SyncSource, trigger.SyncPolarity, trigger.SyncPosition,
                       -trigger.SyncLevel);
}

std::string SweepLine(int sweepRow) {
    char line[32];
    std::snprintf(line, sizeof line, "SweepSpeed %d", sweepRow);
    return line;
}

std::string ProbeLine(int channel, int probeRow) {
    char line[32];
    std::snprintf(line, sizeof line, "ProbeType%d %d", channel + 1, probeRow);
    return line;
}

int RangeRowAfterProbe(int probeRow, int rangeRow) {
    return RangeRowsForProbe(probeRow, rangeRow).selected;
}

SettingSequence CompleteSetting(const ScopeSettings& settings) {
    SettingSequence out{settings, {}};
    ScopeSettings& s = out.settings;
    std::vector<SettingStep>& steps = out.steps;
    const int sweepRows = static_cast<int>(kSweepRowTexts.size());
    s.sweepRow = ValidRow(s.sweepRow, sweepRows, sweepRows - 1);
    steps.push_back(Memo(SweepLine(s.sweepRow)));
    steps.push_back(Trigger(s)); // the sweep's own
    const int sources = static_cast<int>(kSourceRowTexts.size());
    const int polarities = static_cast<int>(kPolarityRowTexts.size());
    s.trigger.sourceRow = ValidRow(s.trigger.sourceRow, sources, sources - 1);
    s.trigger.polarityRow = ValidRow(s.trigger.polarityRow, polarities, polarities - 1);
    steps.push_back(Trigger(s));
    for (int channel = 0; channel < 2; ++channel) {
        ChannelSettings& vertical = s.channels[static_cast<std::size_t>(channel)];
        vertical.probeRow = ValidRow(vertical.probeRow, kProbeRows, kProbeRows - 1);
        ChooseProbe(s, channel, steps);
        vertical.rangeRow = ValidRow(vertical.rangeRow, kRangeRows, kRangeRows - 1);
        steps.push_back(Range(channel, vertical.rangeRow));
    }
    steps.push_back(Generator(s, 0));
    steps.push_back(Generator(s, 1));
    return out;
}

SettingSequence FactoryReset(const ScopeSettings& before, int defaultPortRow) {
    ScopeSettings reset = before;
    ApplyFactoryReset(reset, defaultPortRow);
    SettingSequence out{before, {}};
    ScopeSettings& s = out.settings;
    std::vector<SettingStep>& steps = out.steps;
    // The lists take their rows silently; each bar that moves sends the trigger.
    s.sweepRow = reset.sweepRow;
    s.trigger.sourceRow = reset.trigger.sourceRow;
    s.trigger.polarityRow = reset.trigger.polarityRow;
    s.port.row = reset.port.row;
    s.channels = reset.channels;
    if (s.trigger.levelBar != reset.trigger.levelBar) {
        s.trigger.levelBar = reset.trigger.levelBar;
        steps.push_back(Trigger(s));
    }
    if (s.trigger.positionBar != reset.trigger.positionBar) {
        s.trigger.positionBar = reset.trigger.positionBar;
        steps.push_back(Trigger(s));
    }
    SettingStep port;
    port.kind = StepKind::ChoosePort;
    port.row = s.port.row;
    steps.push_back(port);
    steps.push_back(Range(0, s.channels[0].rangeRow));
    steps.push_back(Range(1, s.channels[1].rangeRow));
    steps.push_back(Memo(SweepLine(s.sweepRow)));
    steps.push_back(Trigger(s));
    ChooseProbe(s, 0, steps);
    ChooseProbe(s, 1, steps);
    steps.push_back(Trigger(s));
    steps.push_back(Generator(s, 0));
    steps.push_back(Generator(s, 1));
    return out;
}

ScreenInputs ScreenInputsOf(const ScopeSettings& live, const ScopeSettings& captured,
                            const ScreenGeometry& geometry) {
    ScreenInputs in;
    in.clientWidth = geometry.clientWidth;
    in.clientHeight = geometry.clientHeight;
    in.levelBarWidth = geometry.levelBarWidth;
    in.positionBarHeight = geometry.positionBarHeight;
    in.controlsHeight = geometry.controlsHeight;
    in.sweepRow = captured.sweepRow;
    const TriggerState trigger = TriggerOf(captured);
    for (std::size_t c = 0; c < 2; ++c) {
        in.probeRow[c] = live.channels[c].probeRow;
        in.rangeRow[c] = captured.channels[c].rangeRow;
        in.scope[c] = live.channels[c].shown;
        in.fft[c] = live.channels[c].spectrum;
    }
    in.syncPosition = trigger.SyncPosition;
    in.syncLevel = trigger.SyncLevel;
    return in;
}

CsvExportInfo CsvExportInfoOf(const ScopeSettings& live, const ScopeSettings& captured,
                              std::string date, std::string portPath) {
    CsvExportInfo info;
    info.date = std::move(date);
    info.port = std::move(portPath);
    for (std::size_t c = 0; c < 2; ++c) {
        info.probeRow[c] = live.channels[c].probeRow;
        info.rangeRow[c] = captured.channels[c].rangeRow;
    }
    info.sweep = RowText(kSweepRowTexts, captured.sweepRow);
    info.sync = std::string(RowText(kSourceRowTexts, captured.trigger.sourceRow)) + " " +
                RowText(kPolarityRowTexts, captured.trigger.polarityRow);
    const TriggerState trigger = TriggerOf(captured);
    info.syncLevel = trigger.SyncLevel;
    info.syncPosition = trigger.SyncPosition;
    return info;
}

} // namespace duruz
