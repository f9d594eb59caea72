#include "link/same_device.h"

#include <cstring>

namespace duruz {

namespace {

template <std::size_t N> std::string_view View(const std::array<char, N>& text) {
    return {text.data(), strnlen(text.data(), N)};
}

} // namespace

DeviceIdentity IdentityOf(const PortEntry& entry) {
    return {View(entry.serialNumber), View(entry.sysfsPath), View(entry.path)};
}

bool SameDevice(const DeviceIdentity& known, const DeviceIdentity& candidate) {
    if (!known.serialNumber.empty() && !candidate.serialNumber.empty())
        return known.serialNumber == candidate.serialNumber;
    if (!known.sysfsPath.empty() && !candidate.sysfsPath.empty())
        return known.sysfsPath == candidate.sysfsPath;
    return !known.devicePath.empty() && known.devicePath == candidate.devicePath;
}

} // namespace duruz
