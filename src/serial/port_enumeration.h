#pragma once

#include <string>
#include <vector>

namespace serial {

// The names of the machine's serial devices under <sysfsRoot>/class/tty ("ttyUSB0"):
// those bound to a driver, without the active system console, and on-board ttyS
// ports only when a UART was detected behind them. Sorted in natural order, so
// ttyS2 comes before ttyS10. A missing or unreadable tree gives an empty list.
std::vector<std::string> ListSerialDevices(const std::string& sysfsRoot);

// What the device tree tells about one serial device.
struct SerialDeviceInfo {
    // "FTDI FT232R USB UART (A50285BI)": the USB manufacturer and product strings, or
    // the vendor and product IDs ("USB 0403:6001") without them, and the serial number
    // in brackets. Printable ASCII only; empty for a device that is not on USB.
    std::string description;
    std::string serialNumber; // the USB serial number, empty without one
    std::string vendorId;     // the USB vendor and product IDs, "0403" and "6001";
    std::string productId;    // empty for a device that is not on USB
    // Where the device sits in the device tree, which stays the same when it is
    // plugged into the same socket again: the USB device for a USB port, else the
    // device itself. Empty when the tree has no such entry.
    std::string sysfsPath;
};

// Reads <sysfsRoot>/class/tty/<name>/device and the USB device above it, if any.
SerialDeviceInfo DescribeSerialDevice(const std::string& sysfsRoot, const std::string& name);

} // namespace serial
