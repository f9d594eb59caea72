#pragma once

#include "link/port_list.h"

#include <string>
#include <vector>

namespace duruz {

// One of the machine's serial ports as the port list shows it.
struct DeviceRow {
    std::string name;         // the row text: "ttyUSB0", "COM3"
    std::string path;         // what opens it: "/dev/ttyUSB0", "\\.\COM3"
    std::string description;  // what the device is, "FTDI FT232R USB UART (A50285BI)"
    std::string serialNumber; // the USB serial number, if any
    std::string sysfsPath;    // its place in the Linux device tree, if any
    std::string vendorId;     // the USB vendor and product IDs, if any
    std::string productId;
};

// The machine's serial ports in list order. Each platform has its own source: the
// tty devices under sources.sysfsRoot on Linux, the COM ports on Windows.
std::vector<DeviceRow> ListDeviceRows(const PortSources& sources);

} // namespace duruz
