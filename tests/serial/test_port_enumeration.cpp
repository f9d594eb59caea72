#include "serial/port_enumeration.h"
#include "support/fake_sysfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// Ports without a driver, UARTs of no known type and the console's ports are left
// out; numbers within names sort as numbers.
TEST(ListSerialDevices, DriverBoundUartsInNaturalOrderWithoutTheConsole) {
    testing_support::FakeSysfs sysfs;
    const char* const devices[][2] = {
        {"ttyUSB10", nullptr}, {"ttyUSB2", nullptr},   {"ttyACM0", nullptr}, {"ttyS10", "4"},
        {"ttyS2", "4"},        {"ttyS1", "4"},         {"ttyS3", "0"},       {"ttyS4", nullptr},
        {"ttyS5", "x"},        {"ttyUSB100", nullptr}, {"ttyUSB9", nullptr}, {"ttyUSB", nullptr},
        {"ttyUSB09", nullptr}, {"rfcomm1", nullptr}};
    for (const auto& [name, type] : devices)
        sysfs.AddDevice(name, type);
    sysfs.AddVirtual("tty0");
    sysfs.AddVirtual("ptmx");
    sysfs.SetActiveConsole("tty0 ttyS1");
    EXPECT_EQ(serial::ListSerialDevices(sysfs.Root()),
              (Names{"rfcomm1", "ttyACM0", "ttyS2", "ttyS10", "ttyUSB", "ttyUSB2", "ttyUSB09",
                     "ttyUSB9", "ttyUSB10", "ttyUSB100"}));
    EXPECT_TRUE(serial::ListSerialDevices("/nonexistent-duruz-sysfs").empty());
}

// Description, serial number and place of each port: the USB strings or IDs and
// the serial number of the nearest USB device; a port with no USB device above it
// is described by nothing but its place, and an unknown port by nothing.
TEST(DescribeSerialDevice, UsbStringsOrIdsAndTheSerialNumberOfTheNearestUsbDevice) {
    testing_support::FakeSysfs sysfs;
    const std::string root = std::filesystem::canonical(sysfs.Root()).string();
    const testing_support::UsbParent usb[] = {
        {"1-1", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"},
        {"1-2", "2341", "0043", nullptr, "Arduino Uno", nullptr},
        {"1-3", "1a86", "7523", "QinHeng", nullptr, "\xb5\tX"},
        {"1-4", "1a86", "7523", nullptr, nullptr, nullptr},
        {"1-5", "10c4", "ea60", "", "", "0001"}};
    for (int i = 0; i < 5; ++i)
        sysfs.AddUsbDevice("ttyUSB" + std::to_string(i), usb[i]);
    sysfs.AddDevice("ttyS4", "4");
    Names described;
    for (const char* name :
         {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3", "ttyUSB4", "ttyS4", "ttyUSB99"}) {
        const serial::SerialDeviceInfo info = serial::DescribeSerialDevice(sysfs.Root(), name);
        described.push_back(info.description + "|" + info.serialNumber + "|" + info.sysfsPath);
    }
    const std::string usb1 = root + "/devices/usb1/";
    EXPECT_EQ(described,
              (Names{"FTDI FT232R USB UART (A50285BI)|A50285BI|" + usb1 + "1-1",
                     "Arduino Uno||" + usb1 + "1-2", "QinHeng (??X)|??X|" + usb1 + "1-3",
                     "USB 1a86:7523||" + usb1 + "1-4", "USB 10c4:ea60 (0001)|0001|" + usb1 + "1-5",
                     "||" + root + "/class/tty/ttyS4/device", "||"}));
}

} // namespace
