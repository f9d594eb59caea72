#pragma once

#include "session/scope_settings.h"

namespace duruz {

// The values start-up gives the instrument's lists and bars before Config.Ini is
// read: the last row of the sweep, probe and range lists, the level bar at 0, the
// position bar at mid-range (1024), and the default port row. Everything else keeps
// the value the window starts with (ScopeSettings' initialisers).
void ApplyStartupDefaults(ScopeSettings& settings, int defaultPortRow);

// The factory reset: row 0 of the sweep, trigger, probe and range lists, both bars
// at 0 and the default port row. The window's place, the check boxes, hold and the
// generator stay as they are.
void ApplyFactoryReset(ScopeSettings& settings, int defaultPortRow);

} // namespace duruz
