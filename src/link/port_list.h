#pragma once

#include "link/serial_link.h"

#include <functional>
#include <string>
#include <string_view>
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

// Where the port list comes from.
struct PortSources {
    std::string sysfsRoot = "/sys";      // serial devices are listed under <root>/class/tty
    std::vector<std::string> extraPaths; // device paths given on the command line
    bool offerSimulator = true;          // the "Simulator" row, always last
    // When set, lists the devices in place of the machine's own source (tests on a
    // machine whose ports must stay untouched).
    std::function<std::vector<DeviceRow>()> listDevices = nullptr;
};

// Whether a device path fits a row's path field with its terminator; a longer one
// would be cut and open some other file.
bool PortPathFits(std::string_view path);

// Fills PortTable and PortCount: the machine's serial devices sorted by name, then
// the extra paths, then the simulator row; at most kPortTableSize rows in all.
void EnumeratePorts(SerialLink& link, const PortSources& sources);

// What listing the ports again did to the open port.
enum class OpenPortChange {
    None,     // still there, or still gone, or no port is open
    Vanished, // its device is no longer listed: its row stays, marked disconnected
    Returned, // its device, gone, is listed again at row, perhaps under another name
    // Another device is listed at its path, which the lost one's row keeps, marked.
    OtherDevice,
};

struct PortListUpdate {
    // The row to select: the open port's (the returned device's, for Returned), else
    // the row of PortPath; -1 with neither.
    int row = -1;
    OpenPortChange change = OpenPortChange::None;
    // The open port was connected before this listing and is not now (Vanished, or
    // Returned or OtherDevice when it went and something came between two listings).
    bool wentAway = false;
};

// EnumeratePorts, keeping track of the open port (the row of PortPath while a port
// is open, or its row marked disconnected). The open port's row stays in the list,
// marked, when its device is gone; a marked row gives way when the same device (see
// SameDevice) is listed again, perhaps under another name. A port without a USB
// identity is only followed by its path and never Returned. Nothing is opened or
// closed here.
PortListUpdate RelistPorts(SerialLink& link, const PortSources& sources);

// The row start-up and the factory reset select: the last row before the
// simulator, or the simulator when it is the only row; -1 with no rows.
int DefaultPortRow(const SerialLink& link);

} // namespace duruz
