#include "app/panel_edit.h"

namespace duruz {

void ApplyEdit(ScopeSettings& settings, const PanelEdit& edit) {
    using enum PanelEdit::Kind;
    const auto channel = static_cast<std::size_t>(edit.channel & 1);
    ChannelSettings& input = settings.channels[channel];
    GeneratorChannelSettings& generator = settings.generator[channel];
    switch (edit.kind) {
    case Probe:
        input.probeRow = edit.number;
        break;
    case Range:
        input.rangeRow = edit.number;
        break;
    case Shown:
        input.shown = edit.number != 0;
        break;
    case Spectrum:
        input.spectrum = edit.number != 0;
        break;
    case Hold:
        settings.hold = edit.number != 0;
        break;
    case Sweep:
        settings.sweepRow = edit.number;
        break;
    case TriggerSource:
        settings.trigger.sourceRow = edit.number;
        break;
    case TriggerPolarity:
        settings.trigger.polarityRow = edit.number;
        break;
    case TriggerLevel:
        settings.trigger.levelBar = edit.number;
        break;
    case TriggerPosition:
        settings.trigger.positionBar = edit.number;
        break;
    case Waveform:
        generator.waveformRow = edit.number;
        break;
    case Frequency:
        generator.frequency = edit.text;
        break;
    case Amplitude:
        generator.amplitude = edit.text;
        break;
    case PortRow:
        settings.port.row = edit.number;
        break;
    case SendGenerator:
    case RefreshPorts:
    case FactoryReset:
        break;
    }
}

} // namespace duruz
