#pragma once

#include <string>
#include <vector>

namespace serial {

// The names of the machine's serial devices under <sysfsRoot>/class/tty ("ttyUSB0"):
// those bound to a driver, without the active system console, and on-board ttyS
// ports only when a UART was detected behind them. Sorted in natural order, so
// ttyS2 comes before ttyS10. A missing or unreadable tree gives an empty list.
std::vector<std::string> ListSerialDevices(const std::string& sysfsRoot);

} // namespace serial
