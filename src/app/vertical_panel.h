#pragma once

#include "app/panel_edit.h"
#include "app/strip_labels.h"

#include <array>

namespace duruz {

// The vertical group: per channel a probe list, a range list labelled for the probe,
// and the boxes that show its time trace and its spectrum; and Hold.
class VerticalPanel {
public:
    explicit VerticalPanel(tk::Panel& strip);

    // Shows the probes, the ranges (labelled for their probes), the boxes and Hold.
    void Show(const ScopeSettings& settings);

    // The controls in the order they take the focus.
    tk::ListBox probe1;
    tk::ListBox probe2;
    tk::ListBox range1;
    tk::ListBox range2;
    tk::CheckBox shown1;
    tk::CheckBox shown2;
    tk::CheckBox spectrum1;
    tk::CheckBox spectrum2;
    tk::CheckBox hold;

    EditHandler OnEdit;

private:
    void Report(PanelEdit::Kind kind, int channel, int number);

    std::array<tk::ListBox*, 2> probes_{&probe1, &probe2};
    std::array<tk::ListBox*, 2> ranges_{&range1, &range2};
    std::array<tk::CheckBox*, 2> shown_{&shown1, &shown2};
    std::array<tk::CheckBox*, 2> spectrum_{&spectrum1, &spectrum2};
    StripLabels labels_;
};

} // namespace duruz
