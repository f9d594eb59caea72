#include "serial/device_monitor.h"

#include <libudev.h>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace serial {

namespace {

class UdevMonitor : public DeviceMonitor {
public:
    UdevMonitor(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
    ~UdevMonitor() override {
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

    std::vector<DeviceEvent> TakeEvents() override {
        std::vector<DeviceEvent> events;
        // The monitor's socket does not block: a null device means nothing waits.
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(device);
            const char* name = udev_device_get_sysname(device);
            if (action != nullptr && name != nullptr) {
                if (std::strcmp(action, "add") == 0)
                    events.push_back({DeviceChange::Added, name});
                else if (std::strcmp(action, "remove") == 0)
                    events.push_back({DeviceChange::Removed, name});
            }
            udev_device_unref(device);
        }
        return events;
    }

private:
    udev* udev_;
    udev_monitor* monitor_;
};

class FolderMonitor : public DeviceMonitor {
public:
    explicit FolderMonitor(int descriptor) : descriptor_(descriptor) {}
    ~FolderMonitor() override { ::close(descriptor_); }
    FolderMonitor(const FolderMonitor&) = delete;
    FolderMonitor& operator=(const FolderMonitor&) = delete;

    int Descriptor() const override { return descriptor_; }

    std::vector<DeviceEvent> TakeEvents() override {
        std::vector<DeviceEvent> events;
        // Room for many events at once; each is a header and its padded name.
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(descriptor_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // EAGAIN: nothing more waits
            for (ssize_t at = 0; at < n;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                at += static_cast<ssize_t>(sizeof event + event.len);
                if (event.len == 0 || (event.mask & IN_ISDIR) != 0)
                    continue;
                if ((event.mask & (IN_CREATE | IN_MOVED_TO)) != 0)
                    events.push_back({DeviceChange::Added, name});
                else if ((event.mask & (IN_DELETE | IN_MOVED_FROM)) != 0)
                    events.push_back({DeviceChange::Removed, name});
            }
        }
        return events;
    }

private:
    int descriptor_;
};

} // namespace

std::unique_ptr<DeviceMonitor> MakeUdevMonitor() {
    udev* context = udev_new();
    if (context == nullptr)
        return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr) {
        udev_unref(context);
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevMonitor>(context, monitor);
}

std::unique_ptr<DeviceMonitor> MakeFolderMonitor(const std::string& folder) {
    const int descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    if (::inotify_add_watch(descriptor, folder.c_str(),
                            IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<FolderMonitor>(descriptor);
}

std::unique_ptr<DeviceMonitor> MakeDeviceMonitor() {
    // The daemon's control socket: without a running udev (a container, say) its
    // monitor would stay silent, while /dev still changes.
    if (::access("/run/udev/control", F_OK) == 0) {
        if (auto monitor = MakeUdevMonitor())
            return monitor;
    }
    return MakeFolderMonitor("/dev");
}

} // namespace serial
