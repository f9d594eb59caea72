#pragma once

#include "link/serial_link.h"

#include <string_view>

namespace duruz {

// What tells one USB device from another. Empty views are unknown.
struct DeviceIdentity {
    std::string_view serialNumber; // the USB serial number
    std::string_view sysfsPath;    // the socket it is plugged into
    std::string_view vendorId;     // the USB vendor and product IDs
    std::string_view productId;
};

DeviceIdentity IdentityOf(const PortEntry& entry);

// Whether the identity can tell the device again: a serial number, or a USB socket
// with the vendor and product IDs. A pseudo-terminal, an on-board port or a path
// given on the command line has none: whatever appears at its path may be another.
bool Identified(const DeviceIdentity& identity);

// Whether candidate is the device known as known, perhaps under another name: the
// same serial number, or, with none on either side, the same socket and the same
// vendor and product IDs. Never for a known device that cannot be identified.
bool SameDevice(const DeviceIdentity& known, const DeviceIdentity& candidate);

} // namespace duruz
