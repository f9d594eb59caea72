#include "panel/sync_controls.h"

#include "link/instrument_facts.h"

namespace duruz {

TriggerState TriggerFromControls(const SyncControls& controls) {
    TriggerState trigger;
    trigger.SyncLevel = IsXyMode(controls.sweepRow) ? kXyModeLevel : -controls.levelBarPosition;
    trigger.SyncSource = controls.sourceRow;
    trigger.SyncPolarity = controls.polarityRow;
    trigger.SyncPosition = controls.positionBarPosition;
    return trigger;
}

} // namespace duruz
