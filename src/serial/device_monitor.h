#pragma once

#include <memory>
#include <string>
#include <vector>

namespace serial {

enum class DeviceChange { Added, Removed };

// A device node that came or went: "ttyUSB0".
struct DeviceEvent {
    DeviceChange change;
    std::string name;

    bool operator==(const DeviceEvent&) const = default;
};

// Tells when the machine's devices change. It owns a descriptor that becomes
// readable when events wait, so the caller's event loop can watch it; taking the
// events never blocks.
class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;
    virtual int Descriptor() const = 0;
    // The events that arrived since the last call, oldest first; empty when none.
    virtual std::vector<DeviceEvent> TakeEvents() = 0;
};

// The platform's device monitor: libudev's (tty devices) where the udev daemon runs,
// else the entries of /dev as they are created and deleted. nullptr where neither
// is available. On Windows, the serial ports' WM_DEVICECHANGE notices to a
// message-only window of the calling thread, whose message loop must run.
std::unique_ptr<DeviceMonitor> MakeDeviceMonitor();

// libudev's monitor of tty devices, events as the udev daemon sends them (after its
// rules ran, so the device's attributes and permissions are in place); nullptr when
// it cannot be set up.
std::unique_ptr<DeviceMonitor> MakeUdevMonitor();

// Entries created in and deleted from folder, through inotify; nullptr when the
// folder cannot be watched.
std::unique_ptr<DeviceMonitor> MakeFolderMonitor(const std::string& folder);

} // namespace serial
