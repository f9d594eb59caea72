#include "panel/sync_controls.h"

namespace duruz {

TriggerState TriggerFromControls(const SyncControls& controls) {
    TriggerState trigger;
    trigger.SyncLevel = controls.sweepRow != 0 ? -controls.levelBarPosition : kXyModeLevel;
    trigger.SyncSource = controls.sourceRow;
    trigger.SyncPolarity = controls.polarityRow;
    trigger.SyncPosition = controls.positionBarPosition;
    return trigger;
}

} // namespace duruz
