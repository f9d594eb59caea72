#include "serial/device_monitor.h"

#include <windows.h>

#include <dbt.h>
#include <fcntl.h>
#include <io.h>

#include <utility>

namespace serial {

namespace {

// The serial ports' device interface class: adapters that come and go announce
// themselves under it.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

constexpr const wchar_t* kWindowClass = L"DuruzDeviceMonitor";

std::string Narrow(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back(); // the terminating zero
    return narrow;
}

// Windows announces device changes as WM_DEVICECHANGE messages to a window: a
// message-only window of the thread that makes the monitor receives them from
// that thread's message loop, queues each as an event and puts a byte into a
// pipe, whose read end is the descriptor the loop watches.
class WindowDeviceMonitor : public DeviceMonitor {
public:
    static std::unique_ptr<DeviceMonitor> Make() {
        std::unique_ptr<WindowDeviceMonitor> monitor(new WindowDeviceMonitor);
        if (_pipe(monitor->pipe_, 256, _O_BINARY) != 0)
            return nullptr;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &WindowDeviceMonitor::Receive;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        RegisterClassW(&windowClass); // fails harmlessly when registered already
        monitor->window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, windowClass.hInstance, nullptr);
        if (monitor->window_ == nullptr)
            return nullptr;
        SetWindowLongPtrW(monitor->window_, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(monitor.get()));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kComPortInterface;
        monitor->notification_ =
            RegisterDeviceNotificationW(monitor->window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        return monitor;
    }

    ~WindowDeviceMonitor() override {
        if (notification_ != nullptr)
            UnregisterDeviceNotification(notification_);
        if (window_ != nullptr)
            DestroyWindow(window_);
        for (const int end : pipe_)
            if (end >= 0)
                _close(end);
    }

    int Descriptor() const override { return pipe_[0]; }

    std::vector<DeviceEvent> TakeEvents() override {
        DWORD waiting = 0;
        const HANDLE readEnd = reinterpret_cast<HANDLE>(_get_osfhandle(pipe_[0]));
        char bytes[64];
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0)
            if (_read(pipe_[0], bytes, waiting < sizeof bytes ? waiting : sizeof bytes) <= 0)
                break;
        return std::exchange(events_, {});
    }

private:
    WindowDeviceMonitor() = default;

    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* monitor =
            reinterpret_cast<WindowDeviceMonitor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_DEVICECHANGE && monitor != nullptr &&
            (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam != 0) {
            monitor->Note(wParam == DBT_DEVICEARRIVAL ? DeviceChange::Added : DeviceChange::Removed,
                          *reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // A port ("COM7") or a device interface (its path) that came or went.
    void Note(DeviceChange change, const DEV_BROADCAST_HDR& header) {
        std::string name;
        if (header.dbch_devicetype == DBT_DEVTYP_PORT)
            name = Narrow(reinterpret_cast<const DEV_BROADCAST_PORT_W&>(header).dbcp_name);
        else if (header.dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE)
            name =
                Narrow(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W&>(header).dbcc_name);
        else
            return;
        events_.push_back({change, std::move(name)});
        const char byte = 1;
        [[maybe_unused]] const int written = _write(pipe_[1], &byte, 1);
    }

    int pipe_[2] = {-1, -1};
    HWND window_ = nullptr;
    HDEVNOTIFY notification_ = nullptr;
    std::vector<DeviceEvent> events_;
};

} // namespace

std::unique_ptr<DeviceMonitor> MakeDeviceMonitor() {
    return WindowDeviceMonitor::Make();
}

// Neither exists on Windows.
std::unique_ptr<DeviceMonitor> MakeUdevMonitor() {
    return nullptr;
}

std::unique_ptr<DeviceMonitor> MakeFolderMonitor(const std::string&) {
    return nullptr;
}

} // namespace serial
