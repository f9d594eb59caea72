// The window's sweep and trigger controls. Every change ends in UpdateSyncClick,
// which records the trigger for the screen and the dump and sends it.
#include "app/tform2.h"

#include "link/commands.h"
#include "panel/sync_controls.h"

#include <cstdio>

namespace duruz {

void TForm2::SweepSpeedClick() {
    char line[32];
    std::snprintf(line, sizeof line, "SweepSpeed %d", SweepSpeed.ItemIndex());
    link_.AddLine(line);
    UpdateSyncClick();
}

void TForm2::SyncSrcBoxClick() {
    UpdateSyncClick();
}

void TForm2::SyncPolBoxClick() {
    UpdateSyncClick();
}

void TForm2::SyncVoltBarChange() {
    UpdateSyncClick();
}

void TForm2::SyncPosBarChange() {
    UpdateSyncClick();
}

void TForm2::UpdateSyncClick() {
    Trigger = TriggerFromControls({.sweepRow = SweepSpeed.ItemIndex(),
                                   .sourceRow = SyncSrcBox.ItemIndex(),
                                   .polarityRow = SyncPolBox.ItemIndex(),
                                   .levelBarPosition = SyncVoltBar.Position(),
                                   .positionBarPosition = SyncPosBar.Position()});
    Send(SyncCommand(Trigger.SyncSource, Trigger.SyncPolarity, Trigger.SyncPosition,
                     -Trigger.SyncLevel));
}

} // namespace duruz
