#pragma once

#include "link/serial_link.h"

#include <string>
#include <string_view>
#include <vector>

namespace duruz {

// Where the port list comes from.
struct PortSources {
    std::string sysfsRoot = "/sys";      // serial devices are listed under <root>/class/tty
    std::vector<std::string> extraPaths; // device paths given on the command line
    bool offerSimulator = true;          // the "Simulator" row, always last
};

// Whether a device path fits a row's path field with its terminator; a longer one
// would be cut and open some other file.
bool PortPathFits(std::string_view path);

// Fills PortTable and PortCount: the machine's serial devices sorted by name, then
// the extra paths, then the simulator row; at most kPortTableSize rows in all.
void EnumeratePorts(SerialLink& link, const PortSources& sources);

// The row start-up and the factory reset select: the last row before the
// simulator, or the simulator when it is the only row; -1 with no rows.
int DefaultPortRow(const SerialLink& link);

} // namespace duruz
