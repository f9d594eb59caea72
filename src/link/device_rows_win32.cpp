#include "link/device_rows.h"

#include "serial/com_port_names.h"
#include "serial/port_enumeration_win32.h"

#include <map>

namespace duruz {

std::vector<DeviceRow> ListDeviceRows(const PortSources&) {
    std::vector<DeviceRow> rows;
    const std::map<std::uint32_t, std::string> friendlyNames = serial::ComPortFriendlyNames();
    for (std::uint32_t number : serial::ListComPorts()) {
        DeviceRow row;
        row.name = serial::ComPortName(number);
        row.path = serial::ComPortDevicePath(number);
        if (auto found = friendlyNames.find(number); found != friendlyNames.end())
            row.description = found->second;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace duruz
