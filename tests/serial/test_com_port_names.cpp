#include "serial/com_port_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using serial::ComPortDevicePath;
using serial::ComPortName;
using serial::ComPortNumbers;
using serial::ParseComPortName;

TEST(ComPortNames, RowTextAndDevicePathForEveryNumber) {
    EXPECT_EQ(ComPortName(3), "COM3");
    EXPECT_EQ(ComPortName(10), "COM10");
    EXPECT_EQ(ComPortName(256), "COM256");
    EXPECT_EQ(ComPortName(4294967295u), "COM4294967295");

    // Two backslashes, a dot, a backslash: below 10 as well.
    EXPECT_EQ(ComPortDevicePath(3), std::string("\\\\.\\COM3"));
    EXPECT_EQ(ComPortDevicePath(3).size(), 8u);
    EXPECT_EQ(ComPortDevicePath(3)[0], '\\');
    EXPECT_EQ(ComPortDevicePath(3)[2], '.');
    EXPECT_EQ(ComPortDevicePath(10), "\\\\.\\COM10");
    EXPECT_EQ(ComPortDevicePath(256), "\\\\.\\COM256");
    EXPECT_EQ(ComPortDevicePath(4294967295u), "\\\\.\\COM4294967295");
}

TEST(ComPortNames, ParsesComNamesOnly) {
    std::uint32_t n = 0;
    EXPECT_TRUE(ParseComPortName("COM1", n));
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(ParseComPortName("com12", n));
    EXPECT_EQ(n, 12u);
    EXPECT_TRUE(ParseComPortName("Com256", n));
    EXPECT_EQ(n, 256u);
    EXPECT_TRUE(ParseComPortName("COM4294967295", n));
    EXPECT_EQ(n, 4294967295u);

    n = 77;
    for (const char* other :
         {"", "COM", "COM0", "COM00", "COMx", "COM1 ", " COM1", "COM-1", "COM+1", "CNCA0", "LPT1",
          "XCOM1", "COM4294967296", "COM99999999999999999999", "C0M1",
          "CO\xCD"
          "1"}) {
        EXPECT_FALSE(ParseComPortName(other, n)) << other;
    }
    EXPECT_EQ(n, 77u); // untouched by a name that is none
}

TEST(ComPortNames, NumbersAscendingEachOnce) {
    EXPECT_EQ(ComPortNumbers({"COM10", "COM3", "CNCA0", "COM3", "com1", "COM2x", "COM256"}),
              (std::vector<std::uint32_t>{1, 3, 10, 256}));
    EXPECT_TRUE(ComPortNumbers({}).empty());
    EXPECT_TRUE(ComPortNumbers({"CNCA0", "CNCB0"}).empty());
}

} // namespace
