#pragma once

#include <cstdint>

namespace duruz {

// The trigger as last sent to the instrument, for the screen's markers and the
// diagnostic dump. Kept here, below both the view and the panel, because the panel
// computes it and the view shows it.
struct TriggerState {
    std::int32_t SyncSource = 0;   // 0 Ch1, 1 Ch2
    std::int32_t SyncPolarity = 0; // 0 Fall, 1 Rise
    std::int32_t SyncPosition = 0; // 0..2048, the sample under the position marker
    std::int32_t SyncLevel = 0;    // minus the level bar's position; 2000 in XY mode

    bool operator==(const TriggerState&) const = default;
};

} // namespace duruz
