#include "link/port_list.h"

#include "link/device_rows.h"

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

// The row text of an extra path: the path when it fits, else its last component.
std::string_view ExtraPathName(std::string_view path, const PortEntry& entry) {
    if (Fits(path, entry.name))
        return path;
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string_view::npos && slash + 1 < path.size())
        return path.substr(slash + 1);
    return path;
}

} // namespace

bool PortPathFits(std::string_view path) {
    return Fits(path, PortEntry{}.path);
}

void EnumeratePorts(SerialLink& link, const PortSources& sources) {
    const std::vector<DeviceRow> devices = ListDeviceRows(sources);
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
