// The Windows device monitor: device-change messages as Windows sends them, fed to
// its message-only window (Wine announces no USB arrivals of its own).

#include "serial/device_monitor.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>
#include <io.h>

#include <cstring>

namespace {

using serial::DeviceChange;
using serial::DeviceEvent;

bool Readable(int descriptor) {
    DWORD waiting = 0;
    return PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), nullptr, 0, nullptr,
                         &waiting, nullptr) &&
           waiting > 0;
}

TEST(DeviceMonitorWin32, PortArrivalsAndRemovalsBecomeEventsOnTheDescriptor) {
    const std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeDeviceMonitor();
    ASSERT_NE(monitor, nullptr);
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"DuruzDeviceMonitor", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(Readable(monitor->Descriptor()));

    DEV_BROADCAST_PORT_W port{};
    port.dbcp_size = sizeof port;
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    std::wcscpy(port.dbcp_name, L"COM7");
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(&port));
    // Other notices and other kinds of device are no events.
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    DEV_BROADCAST_HDR volume{};
    volume.dbch_size = sizeof volume;
    volume.dbch_devicetype = DBT_DEVTYP_VOLUME;
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));

    EXPECT_TRUE(Readable(monitor->Descriptor()));
    EXPECT_EQ(monitor->TakeEvents(), (std::vector<DeviceEvent>{{DeviceChange::Added, "COM7"},
                                                               {DeviceChange::Removed, "COM7"}}));
    EXPECT_FALSE(Readable(monitor->Descriptor()));
    EXPECT_TRUE(monitor->TakeEvents().empty());
}

} // namespace
