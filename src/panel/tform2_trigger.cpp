// The window's sweep and trigger controls. Every change ends in UpdateSyncClick,
// which records the trigger for the screen and the dump and sends it.
#include "app/tform2.h"

#include "link/commands.h"

#include <cstdio>

namespace duruz {

namespace {

constexpr std::int32_t kXyModeLevel = 2000;

} // namespace

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
    // Positive levels point upward on screen; XY mode pins the level.
    Trigger.SyncLevel = SweepSpeed.ItemIndex() != 0 ? -SyncVoltBar.Position() : kXyModeLevel;
    Trigger.SyncSource = SyncSrcBox.ItemIndex();
    Trigger.SyncPolarity = SyncPolBox.ItemIndex();
    Trigger.SyncPosition = SyncPosBar.Position();
    Send(SyncCommand(Trigger.SyncSource, Trigger.SyncPolarity, Trigger.SyncPosition,
                     -Trigger.SyncLevel));
}

} // namespace duruz
