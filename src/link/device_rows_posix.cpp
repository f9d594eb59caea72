#include "link/device_rows.h"

#include "serial/port_enumeration.h"

namespace duruz {

std::vector<DeviceRow> ListDeviceRows(const PortSources& sources) {
    std::vector<DeviceRow> rows;
    for (std::string& name : serial::ListSerialDevices(sources.sysfsRoot)) {
        serial::SerialDeviceInfo info = serial::DescribeSerialDevice(sources.sysfsRoot, name);
        std::string path = "/dev/" + name;
        rows.push_back({std::move(name), std::move(path), std::move(info.description),
                        std::move(info.serialNumber), std::move(info.sysfsPath),
                        std::move(info.vendorId), std::move(info.productId)});
    }
    return rows;
}

} // namespace duruz
