#include "link/device_rows.h"

#include "serial/port_enumeration.h"

namespace duruz {

std::vector<DeviceRow> ListDeviceRows(const PortSources& sources) {
    std::vector<DeviceRow> rows;
    for (std::string& name : serial::ListSerialDevices(sources.sysfsRoot)) {
        std::string path = "/dev/" + name;
        rows.push_back({std::move(name), std::move(path)});
    }
    return rows;
}

} // namespace duruz
