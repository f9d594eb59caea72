#pragma once

#include "app/panel_edit.h"
#include "app/strip_labels.h"
#include "toolkit/form.h"

namespace duruz {

// The sweep and trigger group: the sweep, source and polarity lists on the strip, and
// the level and position bars along the trace area's left and bottom edges.
class TriggerPanel {
public:
    TriggerPanel(tk::Form& form, tk::Panel& strip);

    // Shows the sweep and the trigger. A bar that moves reports its new position, as
    // a user's move would.
    void Show(const ScopeSettings& settings);
    // Keeps the bars along their edges: the level bar beside the trace area, the
    // position bar along the window's bottom.
    void Place(int clientWidth, int clientHeight, int traceBottom);

    tk::ScrollBar levelBar;    // -2000..2000, upward negative
    tk::ScrollBar positionBar; // 0..2048
    tk::ListBox sweep;
    tk::ListBox source;
    tk::ListBox polarity;

    EditHandler OnEdit;

private:
    void Report(PanelEdit::Kind kind, int number);

    StripLabels labels_;
};

constexpr int kLevelBarWidth = 10;
constexpr int kPositionBarHeight = 11;

} // namespace duruz
