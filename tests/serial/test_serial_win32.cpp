#include "serial/serial_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using serial::OpenStatus;

TEST(Win32SerialPort, OpenTellsMissingFromOtherErrorsAndIsExclusive) {
    serial::Win32SerialPort port;
    EXPECT_EQ(port.Open("\\\\.\\COM250").status, OpenStatus::NotFound);
    const auto folder = std::filesystem::temp_directory_path() / "duruz-no-such-folder";
    EXPECT_EQ(port.Open((folder / "COM3").string().c_str()).errorCode, ERROR_PATH_NOT_FOUND);
    char buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write("%z\r\n", 4), 0u);

    const auto path = std::filesystem::temp_directory_path() /
                      ("duruz-held-" + std::to_string(GetCurrentProcessId()));
    std::ofstream(path) << "not a port";
    ASSERT_EQ(port.Open(path.string().c_str()).status, OpenStatus::Opened);
    serial::Win32SerialPort second;
    EXPECT_EQ(second.Open(path.string().c_str()).errorCode, ERROR_SHARING_VIOLATION);
    port.Close();
    EXPECT_EQ(second.Open(path.string().c_str()).status, OpenStatus::Opened);
    second.Close();
    std::filesystem::remove(path);
}

} // namespace
