#pragma once

#include "serial/serial_port.h"

#include <windows.h>

namespace serial {

// The one translation between the neutral line description and the Win32 device
// control block. SettingsFromDcb reads what the driver reported; SettingsToDcb
// writes the neutral fields into a block read from the driver and leaves every
// other field (fBinary, fOutX, fInX, fErrorChar, fNull, EofChar, EvtChar, ...) as
// the driver had it.
LineSettings SettingsFromDcb(const DCB& dcb);
void SettingsToDcb(const LineSettings& settings, DCB& dcb);

} // namespace serial
