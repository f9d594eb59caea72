#pragma once

#include "app/panel_edit.h"
#include "app/strip_labels.h"

#include <array>

namespace duruz {

// The signal generator group: per channel (A, B) a waveform list, the frequency and
// amplitude as typed, and an Update button that sends them. A small unlabelled button
// and a double click on B's waveform list send channel B too.
class GeneratorPanel {
public:
    explicit GeneratorPanel(tk::Panel& strip);

    void Show(const ScopeSettings& settings);

    // The controls in the order they take the focus.
    tk::ListBox waveformA;
    tk::ListBox waveformB;
    tk::EditBox frequencyA;
    tk::EditBox frequencyB;
    tk::EditBox amplitudeA;
    tk::EditBox amplitudeB;
    tk::Button updateA;
    tk::Button updateB;
    tk::Button quickUpdateB; // 8 by 8 pixels, beside the group's title

    EditHandler OnEdit;

private:
    void Report(PanelEdit::Kind kind, int channel, int number = 0, std::string text = {});

    std::array<tk::ListBox*, 2> waveforms_{&waveformA, &waveformB};
    std::array<tk::EditBox*, 2> frequencies_{&frequencyA, &frequencyB};
    std::array<tk::EditBox*, 2> amplitudes_{&amplitudeA, &amplitudeB};
    StripLabels labels_;
};

} // namespace duruz
