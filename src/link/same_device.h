#pragma once

#include "link/serial_link.h"

#include <string_view>

namespace duruz {

// What tells one device from another, strongest first. Empty views are unknown.
struct DeviceIdentity {
    std::string_view serialNumber; // the USB serial number
    std::string_view sysfsPath;    // the socket it is plugged into
    std::string_view devicePath;   // "/dev/ttyUSB0"
};

DeviceIdentity IdentityOf(const PortEntry& entry);

// Whether candidate is the device known as known, perhaps under another name: by
// the USB serial number when both have one, else by the place in the device tree
// when both have one, else by the device path.
bool SameDevice(const DeviceIdentity& known, const DeviceIdentity& candidate);

} // namespace duruz
