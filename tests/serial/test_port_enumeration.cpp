#include "serial/port_enumeration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Builds <root>/class/tty as the kernel lays it out, plain directories in place of
// the driver links. A device is "name" (no driver), "name/" (a driver) or
// "name/type" (a driver and that UART type).
Names ListFromFakeSysfs(const Names& devices, const char* console) {
    std::string pattern = (fs::temp_directory_path() / "duruz-sysfs-XXXXXX").string();
    const fs::path root = mkdtemp(pattern.data());
    const fs::path tty = root / "class" / "tty";
    for (const std::string& device : devices) {
        const auto slash = device.find('/');
        fs::create_directories(tty / device.substr(0, slash));
        if (slash != std::string::npos)
            fs::create_directories(tty / device.substr(0, slash) / "device" / "driver");
        if (slash != std::string::npos && slash + 1 < device.size())
            std::ofstream(tty / device.substr(0, slash) / "type")
                << device.substr(slash + 1) << '\n';
    }
    if (console != nullptr) {
        fs::create_directories(tty / "console");
        std::ofstream(tty / "console" / "active") << console << '\n';
    }
    const Names listed = serial::ListSerialDevices(root.string());
    fs::remove_all(root);
    return listed;
}

TEST(ListSerialDevices, DriverBoundUartsInNaturalOrderWithoutTheConsole) {
    EXPECT_EQ(ListFromFakeSysfs({"ttyUSB10/", "ttyUSB2/", "ttyACM0/", "ttyS10/4", "ttyS2/4",
                                 "ttyS1/4", "ttyS3/0", "ttyS4/", "ttyS5/x", "tty0", "ptmx"},
                                "tty0 ttyS1"),
              (Names{"ttyACM0", "ttyS2", "ttyS10", "ttyUSB2", "ttyUSB10"}));
    EXPECT_EQ(
        ListFromFakeSysfs({"ttyUSB100/", "ttyUSB9/", "ttyUSB/", "ttyUSB09/", "rfcomm1/"}, nullptr),
        (Names{"rfcomm1", "ttyUSB", "ttyUSB09", "ttyUSB9", "ttyUSB100"}));
    EXPECT_TRUE(serial::ListSerialDevices("/nonexistent-duruz-sysfs").empty());
}

} // namespace
