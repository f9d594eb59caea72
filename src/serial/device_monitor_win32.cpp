#include "serial/device_monitor.h"

namespace serial {

// Windows announces device changes as window messages, not on a descriptor; the
// port list there changes on Refresh Comm Ports only.
std::unique_ptr<DeviceMonitor> MakeDeviceMonitor() {
    return nullptr;
}

std::unique_ptr<DeviceMonitor> MakeUdevMonitor() {
    return nullptr;
}

std::unique_ptr<DeviceMonitor> MakeFolderMonitor(const std::string&) {
    return nullptr;
}

} // namespace serial
