#pragma once

#include "session/scope_settings.h"

#include <functional>
#include <string>

namespace duruz {

// One change a user made on a panel, as the panel reports it: which setting, the
// channel it belongs to, and its new row, position or text. SendGenerator,
// RefreshPorts and FactoryReset are requests rather than settings.
struct PanelEdit {
    enum class Kind {
        Probe,           // channel, row
        Range,           // channel, row
        Shown,           // channel, 1 checked / 0 cleared
        Spectrum,        // channel, 1 / 0
        Hold,            // 1 / 0
        Sweep,           // row
        TriggerSource,   // row
        TriggerPolarity, // row
        TriggerLevel,    // the level bar's position
        TriggerPosition, // the position bar's position
        Waveform,        // channel, row
        Frequency,       // channel, text
        Amplitude,       // channel, text
        SendGenerator,   // channel: send its waveform, frequency and amplitude
        PortRow,         // row: open that row's port
        RefreshPorts,
        FactoryReset,
    };
    Kind kind;
    int channel = 0;
    int number = 0;
    std::string text;

    bool operator==(const PanelEdit&) const = default;
};

using EditHandler = std::function<void(const PanelEdit&)>;

} // namespace duruz
