#include "serial/fake_sysfs.h"
#include "serial/port_enumeration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using serial::ListSerialDevices;
using testing_support::FakeSysfs;
using Names = std::vector<std::string>;

TEST(ListSerialDevices, ListsDriverBoundDevicesInNaturalOrder) {
    FakeSysfs sysfs;
    sysfs.AddDevice("ttyUSB10");
    sysfs.AddDevice("ttyUSB2");
    sysfs.AddDevice("ttyACM0");
    sysfs.AddDevice("ttyS10", "4");
    sysfs.AddDevice("ttyS2", "4");
    sysfs.AddDevice("ttyS1", "4"); // the console
    sysfs.AddDevice("ttyS3", "0"); // no UART behind it
    sysfs.AddDevice("ttyS4");      // no type at all
    sysfs.AddDevice("ttyS5", "x"); // unreadable type
    sysfs.AddVirtual("tty0");      // no driver
    sysfs.AddVirtual("ptmx");
    sysfs.SetActiveConsole("tty0 ttyS1");

    EXPECT_EQ(ListSerialDevices(sysfs.Root()),
              (Names{"ttyACM0", "ttyS2", "ttyS10", "ttyUSB2", "ttyUSB10"}));
}

TEST(ListSerialDevices, OrdersLongNumbersAndPlainPrefixes) {
    FakeSysfs sysfs;
    for (const char* name : {"ttyUSB100", "ttyUSB9", "ttyUSB", "ttyUSB09", "ttyAMA0", "rfcomm1"})
        sysfs.AddDevice(name);
    // Without a console file every driver-bound device counts.
    EXPECT_EQ(ListSerialDevices(sysfs.Root()),
              (Names{"rfcomm1", "ttyAMA0", "ttyUSB", "ttyUSB09", "ttyUSB9", "ttyUSB100"}));
}

TEST(ListSerialDevices, MissingTreeGivesNothing) {
    EXPECT_TRUE(ListSerialDevices("/nonexistent-duruz-sysfs").empty());
    FakeSysfs empty;
    EXPECT_TRUE(ListSerialDevices(empty.Root()).empty());
}

} // namespace
