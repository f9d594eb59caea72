#include "link/port_list.h"

#include "link/device_rows.h"
#include "link/same_device.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace duruz {

namespace {

constexpr std::string_view kSimulatorName = "Simulator";

template <std::size_t N> bool Fits(std::string_view text, const std::array<char, N>&) {
    return text.size() < N;
}

// Copies as much as fits and always terminates.
template <std::size_t N> void CopyText(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// The row text of an extra path: the path when it fits, else its last component. A
// path in Windows' device namespace, "\\.\COM12" (the only way to open COM10 and
// above), is named by its device.
std::string_view ExtraPathName(std::string_view path, const PortEntry& entry) {
    constexpr std::string_view kDeviceNamespace = "\\\\.\\";
    if (path.starts_with(kDeviceNamespace) && path.size() > kDeviceNamespace.size())
        path.remove_prefix(kDeviceNamespace.size());
    if (Fits(path, entry.name))
        return path;
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string_view::npos && slash + 1 < path.size())
        return path.substr(slash + 1);
    return path;
}

// The row of path; a row marked disconnected first, since another device may
// have taken the same name meanwhile.
int RowOfPath(const SerialLink& link, const char* path) {
    int row = -1;
    for (std::uint32_t i = 0; i < link.PortCount && i < kPortTableSize; ++i) {
        const PortEntry& entry = link.PortTable[i];
        if (std::strcmp(entry.path.data(), path) != 0)
            continue;
        if (entry.disconnected)
            return static_cast<int>(i);
        if (row < 0)
            row = static_cast<int>(i);
    }
    return row;
}

// The row listed at path that is not marked disconnected, or -1.
int ListedRow(const SerialLink& link, const char* path) {
    for (std::uint32_t i = 0; i < link.PortCount && i < kPortTableSize; ++i) {
        const PortEntry& entry = link.PortTable[i];
        if (!entry.disconnected && std::strcmp(entry.path.data(), path) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// Puts the open port's row back at row (at most just before the simulator row),
// marked disconnected; in a full table it takes the place of the last row before
// the simulator.
int KeepRow(SerialLink& link, PortEntry entry, int row) {
    std::size_t count = link.PortCount;
    const std::size_t fixedRows =
        count > 0 && link.PortTable[count - 1].kind == PortKind::Simulator ? 1 : 0;
    if (count == kPortTableSize) {
        if (count == fixedRows)
            return -1;
        std::copy(link.PortTable.begin() + (count - fixedRows), link.PortTable.begin() + count,
                  link.PortTable.begin() + (count - fixedRows - 1));
        --count;
    }
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(row), count - fixedRows);
    std::copy_backward(link.PortTable.begin() + at, link.PortTable.begin() + count,
                       link.PortTable.begin() + count + 1);
    entry.disconnected = true;
    link.PortTable[at] = entry;
    link.PortCount = static_cast<std::uint32_t>(count + 1);
    return static_cast<int>(at);
}

} // namespace

PortListUpdate RelistPorts(SerialLink& link, const PortSources& sources) {
    const int openRow = RowOfPath(link, link.PortPath.data());
    const bool tracked = openRow >= 0 && (link.PortOpen || link.PortTable[openRow].disconnected);
    const PortEntry open = tracked ? link.PortTable[openRow] : PortEntry{};
    const bool listedBefore = ListedRow(link, open.path.data()) >= 0;

    EnumeratePorts(link, sources);
    if (!tracked)
        return {RowOfPath(link, link.PortPath.data()), OpenPortChange::None};

    const bool wentAway = !open.disconnected;
    const int atPath = ListedRow(link, open.path.data());
    const DeviceIdentity known = IdentityOf(open);
    if (!Identified(known)) {
        // Only its path tells the port: while the path is listed the row is the
        // port's, still marked when it was lost, and nothing is reopened by itself.
        if (atPath >= 0) {
            link.PortTable[atPath].disconnected = open.disconnected;
            return {atPath, OpenPortChange::None, false};
        }
        return {KeepRow(link, open, openRow),
                wentAway ? OpenPortChange::Vanished : OpenPortChange::None, wentAway};
    }

    int found = -1;
    for (std::uint32_t i = 0; i < link.PortCount && found < 0; ++i)
        if (SameDevice(known, IdentityOf(link.PortTable[i])))
            found = static_cast<int>(i);
    // An open port is only still there under its own path: a device that took
    // another name, having gone and come back, is not the one the handle reaches.
    if (found >= 0 && !open.disconnected &&
        std::strcmp(link.PortTable[found].path.data(), open.path.data()) == 0)
        return {found, OpenPortChange::None, false};
    if (found >= 0)
        return {found, OpenPortChange::Returned, wentAway};
    // Another device listed at the port's path since the last listing: told once.
    const bool taken = atPath >= 0 && (wentAway || !listedBefore);
    return {KeepRow(link, open, openRow),
            taken ? OpenPortChange::OtherDevice
                  : (wentAway ? OpenPortChange::Vanished : OpenPortChange::None),
            wentAway};
}

bool PortPathFits(std::string_view path) {
    return Fits(path, PortEntry{}.path);
}

void EnumeratePorts(SerialLink& link, const PortSources& sources) {
    const std::vector<DeviceRow> devices =
        sources.listDevices ? sources.listDevices() : ListDeviceRows(sources);
    const std::size_t simulatorRows = sources.offerSimulator ? 1 : 0;

    // A path that does not fit in the path field would open some other file; the
    // command line refuses such paths before the window exists.
    std::vector<std::string_view> extras;
    for (const std::string& path : sources.extraPaths) {
        if (PortPathFits(path))
            extras.push_back(path);
    }
    const std::size_t extraRows = std::min(extras.size(), kPortTableSize - simulatorRows);
    // More ports than rows: the devices give way, the first of them are listed.
    const std::size_t deviceRoom = kPortTableSize - simulatorRows - extraRows;

    std::size_t count = 0;
    for (const DeviceRow& device : devices) {
        if (count == deviceRoom)
            break;
        if (!Fits(device.name, PortEntry{}.name) || !Fits(device.path, PortEntry{}.path))
            continue;
        PortEntry& entry = link.PortTable[count++];
        entry = PortEntry{};
        CopyText(entry.name, device.name);
        CopyText(entry.path, device.path);
        CopyText(entry.description, device.description);
        // A truncated identity could match another device: better none.
        if (Fits(device.serialNumber, entry.serialNumber))
            CopyText(entry.serialNumber, device.serialNumber);
        if (Fits(device.sysfsPath, entry.sysfsPath))
            CopyText(entry.sysfsPath, device.sysfsPath);
        if (Fits(device.vendorId, entry.vendorId) && Fits(device.productId, entry.productId)) {
            CopyText(entry.vendorId, device.vendorId);
            CopyText(entry.productId, device.productId);
        }
        entry.kind = PortKind::Device;
    }
    for (std::size_t i = 0; i < extraRows; ++i) {
        PortEntry& entry = link.PortTable[count++];
        entry = PortEntry{};
        CopyText(entry.name, ExtraPathName(extras[i], entry));
        CopyText(entry.path, extras[i]);
        entry.kind = PortKind::Device;
    }
    if (sources.offerSimulator) {
        PortEntry& entry = link.PortTable[count++];
        entry = PortEntry{};
        CopyText(entry.name, kSimulatorName);
        CopyText(entry.path, kSimulatorName);
        entry.kind = PortKind::Simulator;
    }

    link.PortCount = static_cast<std::uint32_t>(count);
    for (std::size_t i = count; i < kPortTableSize; ++i)
        link.PortTable[i] = PortEntry{};
}

int DefaultPortRow(const SerialLink& link) {
    const std::size_t count = std::min<std::size_t>(link.PortCount, kPortTableSize);
    if (count == 0)
        return -1;
    const int last = static_cast<int>(count) - 1;
    if (link.PortTable[last].kind == PortKind::Simulator && last > 0)
        return last - 1;
    return last;
}

} // namespace duruz
