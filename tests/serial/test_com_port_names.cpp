#include "serial/com_port_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(ComPortNames, NamesPathsAndParsing) {
    // Two backslashes, a dot, a backslash: below 10 as well.
    for (std::uint32_t n : {3u, 10u, 4294967295u})
        EXPECT_EQ(serial::ComPortName(n) + " " + serial::ComPortDevicePath(n),
                  "COM" + std::to_string(n) + " \\\\.\\COM" + std::to_string(n));

    std::uint32_t n = 0;
    EXPECT_TRUE(serial::ParseComPortName("com12", n) && n == 12u);
    EXPECT_TRUE(serial::ParseComPortName("COM4294967295", n) && n == 4294967295u);
    n = 77;
    for (const char* other : {"", "COM", "COM0", "COM00", "COM1 ", " COM1", "COM+1", "CNCA0",
                              "XCOM1", "COM4294967296", "COM99999999999999999999"})
        EXPECT_FALSE(serial::ParseComPortName(other, n)) << other;
    EXPECT_EQ(n, 77u); // untouched by a name that is none

    EXPECT_EQ(serial::ComPortNumbers({"COM10", "COM3", "CNCA0", "COM3", "com1", "COM2x", "COM256"}),
              (std::vector<std::uint32_t>{1, 3, 10, 256}));
}

} // namespace
