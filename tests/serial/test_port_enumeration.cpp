#include "serial/port_enumeration.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Ports without a driver, UARTs of no known type and the console's ports are left
// out; numbers within names sort as numbers.
TEST(ListSerialDevices, DriverBoundUartsInNaturalOrderWithoutTheConsole) {
    testing_support::FakeSysfs uarts, usb;
    for (const auto& [name, type] :
         std::initializer_list<std::pair<const char*, const char*>>{{"ttyUSB10", nullptr},
                                                                    {"ttyUSB2", nullptr},
                                                                    {"ttyACM0", nullptr},
                                                                    {"ttyS10", "4"},
                                                                    {"ttyS2", "4"},
                                                                    {"ttyS1", "4"},
                                                                    {"ttyS3", "0"},
                                                                    {"ttyS4", nullptr},
                                                                    {"ttyS5", "x"}})
        uarts.AddDevice(name, type);
    uarts.AddVirtual("tty0");
    uarts.AddVirtual("ptmx");
    uarts.SetActiveConsole("tty0 ttyS1");
    EXPECT_EQ(serial::ListSerialDevices(uarts.Root()),
              (Names{"ttyACM0", "ttyS2", "ttyS10", "ttyUSB2", "ttyUSB10"}));
    for (const char* name : {"ttyUSB100", "ttyUSB9", "ttyUSB", "ttyUSB09", "rfcomm1"})
        usb.AddDevice(name);
    EXPECT_EQ(serial::ListSerialDevices(usb.Root()),
              (Names{"rfcomm1", "ttyUSB", "ttyUSB09", "ttyUSB9", "ttyUSB100"}));
    EXPECT_TRUE(serial::ListSerialDevices("/nonexistent-duruz-sysfs").empty());
}

TEST(DescribeSerialDevice, UsbStringsOrIdsAndTheSerialNumberOfTheNearestUsbDevice) {
    testing_support::FakeSysfs sysfs;
    struct Case {
        testing_support::UsbParent usb;
        const char* description;
        const char* serial;
    };
    const Case cases[] = {
        {{"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"},
         "FTDI FT232R USB UART (A50285BI)",
         "A50285BI"},
        {{"1-2", "2341", "0043", nullptr, "Arduino Uno", nullptr}, "Arduino Uno", ""},
        {{"1-3", "1a86", "7523", "QinHeng", nullptr, "\xb5\tX"}, "QinHeng (??X)", "??X"},
        {{"1-4", "1a86", "7523", nullptr, nullptr, nullptr}, "USB 1a86:7523", ""},
        {{"1-5", "10c4", "ea60", "", "", "0001"}, "USB 10c4:ea60 (0001)", "0001"},
    };
    const std::string root = fs::canonical(sysfs.Root()).string();
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "ttyUSB" + std::to_string(index++);
        sysfs.AddUsbDevice(name, c.usb);
        const serial::SerialDeviceInfo info = serial::DescribeSerialDevice(sysfs.Root(), name);
        EXPECT_EQ(info.description, c.description) << name;
        EXPECT_EQ(info.serialNumber, c.serial) << name;
        EXPECT_EQ(info.sysfsPath, root + "/devices/usb1/" + c.usb.port) << name;
    }
    // A port with no USB device above it is described by nothing but its place.
    sysfs.AddDevice("ttyS4", "4");
    const serial::SerialDeviceInfo onBoard = serial::DescribeSerialDevice(sysfs.Root(), "ttyS4");
    EXPECT_EQ(onBoard.description, "");
    EXPECT_EQ(onBoard.serialNumber, "");
    EXPECT_EQ(onBoard.sysfsPath, root + "/class/tty/ttyS4/device");
    EXPECT_EQ(serial::DescribeSerialDevice(sysfs.Root(), "ttyUSB99").sysfsPath, "");
}

} // namespace
