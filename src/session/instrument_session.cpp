// The session's settings: each edit updates the value and posts its command to the
// link, numbered with the settings generation that the frame bookkeeping checks.
#include "session/instrument_session.h"

#include "link/capture_stream.h"
#include "link/commands.h"
#include "link/input_ranges.h"
#include "session/config_table.h"
#include "session/list_texts.h"
#include "session/settings_defaults.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace duruz {

namespace {

bool ValidRow(int row, int rows) {
    return row >= 0 && row < rows;
}

// A generator text as a number in the C locale: the whole text, white space around it
// allowed, or a raise.
double PlainNumber(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data() + begin, text.data() + end, value);
    if (begin == end || error != std::errc() || stop != text.data() + end)
        throw std::invalid_argument("'" + text + "' is not a valid floating point value");
    return value;
}

} // namespace

InstrumentSession::InstrumentSession(SessionEnvironment environment, std::function<void()> wake)
    : environment_(std::move(environment)), link_(*environment_.ports, std::move(wake)) {
    settings_.port.path = linkSide_.PortPath.data();
}

InstrumentSession::~InstrumentSession() {
    link_.Stop();
}

void InstrumentSession::Start() {
    if (environment_.linkThread)
        link_.Start();
}

void InstrumentSession::Stop() {
    link_.Stop();
}

void InstrumentSession::BeginStartUp(int tickIntervalMs) {
    link_.Post([tickIntervalMs](LinkContext& link) { link.link.TimerInterval = tickIntervalMs; });
    ScopeSettings defaults = settings_;
    ApplyStartupDefaults(defaults, -1);
    settings_.sweepRow = defaults.sweepRow;
    settings_.channels = defaults.channels;
    // The bars move as a user's move would, each sending the trigger when it moved.
    SetTriggerLevel(defaults.trigger.levelBar);
    SetTriggerPosition(defaults.trigger.positionBar);
    EnumeratePorts(linkSide_, environment_.portSources);
    settings_.port.row = DefaultPortRow();
}

void InstrumentSession::LoadConfigLine(int index, const char* value) {
    const ConfigLineChange change =
        ApplyConfigLine(settings_, index, value, static_cast<int>(linkSide_.PortCount));
    if (change.movesTrigger)
        SendTrigger();
    if (change.changed && change.group == SettingGroup::Hold)
        link_.SetHold(settings_.hold);
}

void InstrumentSession::FinishStartUp() {
    link_.SetHold(settings_.hold);
    if (!ValidRow(settings_.port.row, static_cast<int>(linkSide_.PortCount)))
        settings_.port.row = DefaultPortRow();
    ChoosePort(settings_.port.row);
    SendCompleteSetting();
    capturedUnder_ = settings_;
}

void InstrumentSession::SetSweep(int row) {
    if (!ValidRow(row, static_cast<int>(kSweepRowTexts.size())))
        return;
    settings_.sweepRow = row;
    link_.AddLine(SweepLine(row));
    SendTrigger();
}

void InstrumentSession::SetTriggerSource(int row) {
    if (!ValidRow(row, static_cast<int>(kSourceRowTexts.size())))
        return;
    settings_.trigger.sourceRow = row;
    SendTrigger();
}

void InstrumentSession::SetTriggerPolarity(int row) {
    if (!ValidRow(row, static_cast<int>(kPolarityRowTexts.size())))
        return;
    settings_.trigger.polarityRow = row;
    SendTrigger();
}

void InstrumentSession::SetTriggerLevel(int levelBar) {
    const int clamped = std::clamp(levelBar, -2000, 2000);
    if (clamped == settings_.trigger.levelBar)
        return;
    settings_.trigger.levelBar = clamped;
    SendTrigger();
}

void InstrumentSession::SetTriggerPosition(int positionBar) {
    const int clamped = std::clamp(positionBar, 0, 2048);
    if (clamped == settings_.trigger.positionBar)
        return;
    settings_.trigger.positionBar = clamped;
    SendTrigger();
}

void InstrumentSession::SetTrigger(int sourceRow, int polarityRow, int levelBar) {
    TriggerSettings& trigger = settings_.trigger;
    if (ValidRow(sourceRow, static_cast<int>(kSourceRowTexts.size())))
        trigger.sourceRow = sourceRow;
    if (ValidRow(polarityRow, static_cast<int>(kPolarityRowTexts.size())))
        trigger.polarityRow = polarityRow;
    trigger.levelBar = std::clamp(levelBar, -2000, 2000);
    SendTrigger();
}

void InstrumentSession::SetProbe(int channel, int row) {
    if ((channel != 0 && channel != 1) || !ValidRow(row, kProbeRows))
        return;
    ChannelSettings& vertical = settings_.channels[static_cast<std::size_t>(channel)];
    vertical.probeRow = row;
    link_.AddLine(ProbeLine(channel, row));
    vertical.rangeRow = RangeRowAfterProbe(row, vertical.rangeRow);
}

void InstrumentSession::SetRange(int channel, int row) {
    if ((channel != 0 && channel != 1) || !ValidRow(row, kRangeRows))
        return;
    settings_.channels[static_cast<std::size_t>(channel)].rangeRow = row;
    PostSetting(
        [channel, row](LinkContext& link) { SendRange(link.link, link.log, channel, row); });
}

void InstrumentSession::SetShown(int channel, bool shown) {
    settings_.channels[static_cast<std::size_t>(channel & 1)].shown = shown;
}

void InstrumentSession::SetSpectrum(int channel, bool spectrum) {
    settings_.channels[static_cast<std::size_t>(channel & 1)].spectrum = spectrum;
}

void InstrumentSession::SetHold(bool hold) {
    settings_.hold = hold;
    link_.SetHold(hold);
}

void InstrumentSession::SetWaveform(int channel, int row) {
    if ((channel != 0 && channel != 1) || !ValidRow(row, WaveformRowCount(channel)))
        return;
    settings_.generator[static_cast<std::size_t>(channel)].waveformRow = row;
}

void InstrumentSession::SetGeneratorTexts(int channel, std::string frequency,
                                          std::string amplitude) {
    GeneratorChannelSettings& generator =
        settings_.generator[static_cast<std::size_t>(channel & 1)];
    generator.frequency = std::move(frequency);
    generator.amplitude = std::move(amplitude);
}

void InstrumentSession::SetGenerator(int channel, GeneratorChannelSettings generator) {
    settings_.generator[static_cast<std::size_t>(channel & 1)] = std::move(generator);
}

void InstrumentSession::UpdateGenerator(int channel, bool requestFrame) {
    const GeneratorChannelSettings& generator =
        settings_.generator[static_cast<std::size_t>(channel & 1)];
    SendGenerator(channel & 1, generator.frequency, generator.amplitude);
    if (requestFrame)
        RequestCapture();
}

void InstrumentSession::SetWindowPlace(const WindowPlace& place) {
    settings_.window = place;
}

void InstrumentSession::SendCompleteSetting() {
    const SettingSequence sequence = CompleteSetting(settings_);
    settings_ = sequence.settings;
    RunSteps(sequence);
}

void InstrumentSession::OpenWithCompleteSetting(int row) {
    if (!ValidRow(row, static_cast<int>(linkSide_.PortCount)))
        return;
    settings_.port.row = row;
    lostPort_ = {};
    reopenTries_ = 0;
    OpenSelectedPort(OpenKind::Chosen, false);
    const SettingSequence sequence = CompleteSetting(settings_);
    settings_ = sequence.settings;
    RunSteps(sequence, false);
    capturedUnder_ = settings_;
    RequestCapture();
}

void InstrumentSession::FactoryReset() {
    const SettingSequence sequence = duruz::FactoryReset(settings_, DefaultPortRow());
    settings_ = sequence.settings;
    RunSteps(sequence);
}

void InstrumentSession::RunSteps(const SettingSequence& sequence, bool requestAfterGenerator) {
    for (const SettingStep& step : sequence.steps) {
        switch (step.kind) {
        case StepKind::MemoLine:
            link_.AddLine(step.memoLine);
            break;
        case StepKind::ChoosePort:
            ChoosePort(step.row);
            break;
        case StepKind::Range:
            PostSetting([channel = step.channel, row = step.row](LinkContext& link) {
                SendRange(link.link, link.log, channel, row);
            });
            break;
        case StepKind::Trigger:
            trigger_ = step.trigger;
            Send(TriggerCommand(trigger_));
            break;
        case StepKind::Generator:
            SendGenerator(step.channel, step.frequency, step.amplitude);
            if (requestAfterGenerator)
                RequestCapture();
            break;
        }
    }
}

void InstrumentSession::SendTrigger() {
    trigger_ = TriggerOf(settings_);
    Send(TriggerCommand(trigger_));
}

// Both texts are converted before anything of the channel is sent or logged.
void InstrumentSession::SendGenerator(int channel, const std::string& frequency,
                                      const std::string& amplitude) {
    const double hz = ToNumber(frequency);
    const double volts = ToNumber(amplitude);
    const int row = settings_.generator[static_cast<std::size_t>(channel)].waveformRow;
    const CommandText command = SigGenCommand(channel, row, hz, volts);
    sentWaveformCodes_[static_cast<std::size_t>(channel)] = command.bytes[3] - '0';
    PostSetting(
        [command](LinkContext& link) { SendGeneratorCommand(link.link, link.log, command); });
}

void InstrumentSession::RequestCapture() {
    link_.Post([](LinkContext& link) { duruz::RequestCapture(link.link, link.capture, link.log); });
}

void InstrumentSession::AddLine(std::string_view line) {
    link_.AddLine(line);
}

// The link's settings generation moves on when the job runs, the session's now, so
// a frame delivered before the command is written is already known to be stale.
void InstrumentSession::PostSetting(LinkJob send) {
    link_.Post([generation = ++settingsGeneration_, send = std::move(send)](LinkContext& link) {
        link.link.SettingsGeneration = generation;
        send(link);
    });
}

void InstrumentSession::Send(const CommandText& command) {
    PostSetting([command](LinkContext& link) { SendCommand(link.link, link.log, command); });
}

int InstrumentSession::DefaultPortRow() const {
    return duruz::DefaultPortRow(linkSide_);
}

LinkStatus InstrumentSession::Status() const {
    LinkStatus status = portStatus_;
    status.state = PortState();
    return status;
}

LinkStatus::State InstrumentSession::PortState() const {
    const LinkStatus::State state = portStatus_.state;
    const bool opened =
        state == LinkStatus::State::Open || state == LinkStatus::State::Unconfigured;
    return opened && !linkSide_.PortOpen ? LinkStatus::State::Disconnected : state;
}

LinkCounters InstrumentSession::Counters() const {
    LinkCounters counters = linkSide_.Counters;
    counters.stale += staleSkips_;
    return counters;
}

std::string InstrumentSession::PortRowText(int row) const {
    if (environment_.portRowText)
        return environment_.portRowText(row);
    if (row < 0 || static_cast<std::uint32_t>(row) >= linkSide_.PortCount)
        return {};
    return linkSide_.PortTable[static_cast<std::size_t>(row)].name.data();
}

double InstrumentSession::ToNumber(const std::string& text) const {
    return environment_.toNumber ? environment_.toNumber(text) : PlainNumber(text);
}

SessionOutput InstrumentSession::Collect() {
    LinkDelivery delivery;
    link_.Collect(delivery, delivered_);
    pending_.lines.insert(pending_.lines.end(), delivery.lines.begin(), delivery.lines.end());
    linkSide_.RequestPending = delivery.requestPending;
    // The port's state from before the session's last open or close would undo it.
    if (delivery.portDecision == portDecision_)
        linkSide_.PortOpen = delivery.portOpen;
    linkSide_.Counters = delivery.counters;
    for (const std::function<void()>& task : delivery.replies)
        task();
    if (!delivery.lostPath.empty())
        PortLost(delivery.lostPath);
    if (delivery.frameNew)
        TakeDeliveredFrame(delivery.frameOrigin, delivery.frameArrival);
    pending_.tickDone = delivery.tickDone;
    pending_.waitCursor = delivery.waitCursor;
    return std::exchange(pending_, SessionOutput{});
}

// A frame is kept only when the link knows which setting it was captured under and
// that setting is the session's latest, including commands the link has not written
// yet. The link counts the frames it cannot attribute; the session counts the rest
// it skips.
void InstrumentSession::TakeDeliveredFrame(const FrameOrigin& origin, const FrameArrival& arrival) {
    if (!origin.certain)
        return;
    if (origin.generation != settingsGeneration_) {
        ++staleSkips_;
        return;
    }
    capture_ = delivered_;
    arrival_ = arrival;
    capturedUnder_ = settings_;
    capturedGeneration_ = settingsGeneration_;
    pending_.frameKept = true;
}

} // namespace duruz
