#include "link/device_rows.h"

#include "serial/com_port_names.h"
#include "serial/port_enumeration_win32.h"

namespace duruz {

std::vector<DeviceRow> ListDeviceRows(const PortSources&) {
    std::vector<DeviceRow> rows;
    for (std::uint32_t number : serial::ListComPorts())
        rows.push_back({serial::ComPortName(number), serial::ComPortDevicePath(number)});
    return rows;
}

} // namespace duruz
