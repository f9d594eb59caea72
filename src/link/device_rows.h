#pragma once

#include "link/port_list.h"

#include <string>
#include <vector>

namespace duruz {

// The machine's serial ports in list order. Each platform has its own source: the
// tty devices under sources.sysfsRoot on Linux, the COM ports on Windows.
std::vector<DeviceRow> ListDeviceRows(const PortSources& sources);

} // namespace duruz
