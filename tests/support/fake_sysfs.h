#pragma once

#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace testing_support {

// The USB device above a serial port: its IDs and the strings it reports (nullptr
// for a string the device does not have), plugged into socket port ("1-1").
struct UsbParent {
    std::string port = "1-1";
    std::string vendorId = "0403";
    std::string productId = "6001";
    const char* manufacturer = nullptr;
    const char* product = nullptr;
    const char* serial = nullptr;
};

// A throw-away sysfs tree in a temp directory: <root>/class/tty/<name>/... as the
// kernel lays it out, with plain directories in place of the driver symlinks.
class FakeSysfs {
public:
    FakeSysfs() { std::filesystem::create_directories(TtyClass()); }

    const std::string& Root() const { return folder_.Path(); }

    // A device bound to a driver; uartType, when given, goes into its "type" file.
    void AddDevice(const std::string& name, const char* uartType = nullptr) {
        std::filesystem::create_directories(TtyClass() / name / "device" / "driver");
        if (uartType != nullptr)
            std::ofstream(TtyClass() / name / "type") << uartType << '\n';
    }
    // A port behind a USB adapter: <root>/devices/usb1/<port> holds the USB device,
    // its interface holds the tty, and class/tty/<name>/device links to that tty.
    void AddUsbDevice(const std::string& name, const UsbParent& usb) {
        const std::filesystem::path device =
            std::filesystem::path(Root()) / "devices" / "usb1" / usb.port;
        const std::filesystem::path tty = device / (usb.port + ":1.0") / name;
        std::filesystem::create_directories(tty / "driver");
        std::ofstream(device / "idVendor") << usb.vendorId << '\n';
        std::ofstream(device / "idProduct") << usb.productId << '\n';
        const std::pair<const char*, const char*> strings[] = {
            {"manufacturer", usb.manufacturer}, {"product", usb.product}, {"serial", usb.serial}};
        for (const auto& [file, text] : strings) {
            std::filesystem::remove(device / file);
            if (text != nullptr)
                std::ofstream(device / file) << text << '\n';
        }
        std::filesystem::create_directories(TtyClass() / name);
        std::filesystem::create_directory_symlink(tty, TtyClass() / name / "device");
    }
    // The device is unplugged: its class entry goes.
    void RemoveDevice(const std::string& name) { std::filesystem::remove_all(TtyClass() / name); }
    // A virtual terminal: listed by the kernel, but with no driver behind it.
    void AddVirtual(const std::string& name) {
        std::filesystem::create_directories(TtyClass() / name);
    }
    void SetActiveConsole(const std::string& names) {
        std::filesystem::create_directories(TtyClass() / "console");
        std::ofstream(TtyClass() / "console" / "active") << names << '\n';
    }

private:
    std::filesystem::path TtyClass() const {
        return std::filesystem::path(Root()) / "class" / "tty";
    }

    TempFolder folder_{"duruz-sysfs"};
};

} // namespace testing_support
