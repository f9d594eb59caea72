#include "link/same_device.h"

#include <cstring>

namespace duruz {

namespace {

template <std::size_t N> std::string_view View(const std::array<char, N>& text) {
    return {text.data(), strnlen(text.data(), N)};
}

} // namespace

DeviceIdentity IdentityOf(const PortEntry& entry) {
    return {View(entry.serialNumber), View(entry.sysfsPath), View(entry.vendorId),
            View(entry.productId)};
}

bool Identified(const DeviceIdentity& identity) {
    return !identity.serialNumber.empty() ||
           (!identity.sysfsPath.empty() && !identity.vendorId.empty() &&
            !identity.productId.empty());
}

bool SameDevice(const DeviceIdentity& known, const DeviceIdentity& candidate) {
    if (!Identified(known))
        return false;
    // A device reports a serial number every time or never.
    if (!known.serialNumber.empty() || !candidate.serialNumber.empty())
        return known.serialNumber == candidate.serialNumber;
    return known.sysfsPath == candidate.sysfsPath && known.vendorId == candidate.vendorId &&
           known.productId == candidate.productId;
}

} // namespace duruz
