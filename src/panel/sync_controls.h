#pragma once

#include "link/trigger_state.h"

namespace duruz {

// The level recorded in XY mode, where the level bar has no meaning.
constexpr std::int32_t kXyModeLevel = 2000;

// The sweep and trigger settings: list rows and the two bars' positions.
struct SyncControls {
    int sweepRow = 0;
    int sourceRow = 0;
    int polarityRow = 0;
    int levelBarPosition = 0;
    int positionBarPosition = 0;
};

// The trigger the controls ask for. Positive levels point upward on screen, so the
// level is minus the bar's position; XY mode pins it to kXyModeLevel.
TriggerState TriggerFromControls(const SyncControls& controls);

} // namespace duruz
