#pragma once

#include "link/link_counters.h"
#include "toolkit/form.h"
#include "toolkit/status_strip.h"
#include "view/measure.h"
#include "view/status_texts.h"

#include <array>
#include <string>

namespace duruz {

// What the status strip shows: the port's state, the link's counts, and the
// measurements of the last frame drawn with the settings it was drawn under.
struct StripView {
    LinkStatus link;
    double framesPerSecond = 0;
    LinkCounters counters; // stale counts every frame not shown
    bool xyMode = false;
    std::array<bool, 2> shown{};
    std::array<bool, 2> spectrum{};
    std::array<ChannelMeasurements, 2> measured{};
    std::array<SpectrumPeak, 2> peaks{};
    std::string recording;     // the recording indicator; empty when none runs
    std::string recordingPath; // its tooltip
    std::string averaging;     // "avg 3/16"; empty when averaging is off
    std::string cursors;       // the cursors' readouts, a line each; empty when none is shown
};

// The status group: the strip below the window's content, and the memo over the
// trace area with the small button that shows and hides it.
class StatusPanel {
public:
    explicit StatusPanel(tk::Form& form);

    void Show(const StripView& view);
    // Keeps the memo and its button in the trace area's top and bottom right corners.
    void Place(int clientWidth, int traceBottom);

    tk::Memo memo; // the link's and the window's lines, hidden until asked for
    tk::Button memoToggle;
    // Sections: link, frame rate, line faults, channel 1, channel 2, the recording
    // (shown only while one runs), averaging (shown only while on), the cursors'
    // readouts (shown only while a cursor is), spectrum.
    tk::StatusStrip strip;
};

} // namespace duruz
