#include "serial/serial_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using serial::OpenStatus;
using serial::Win32SerialPort;

// A COM number that no machine here maps to a device.
constexpr const char* kMissingPort = "\\\\.\\COM250";

std::filesystem::path TempFile(const char* name) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string(name) + std::to_string(GetCurrentProcessId()));
    std::ofstream(path, std::ios::binary) << "not a port";
    return path;
}

TEST(Win32SerialPort, MissingPortIsNotFoundAndEveryCallFailsQuietly) {
    Win32SerialPort port;
    const serial::OpenResult result = port.Open(kMissingPort);
    EXPECT_EQ(result.status, OpenStatus::NotFound);
    EXPECT_EQ(result.errorCode, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(port.IsOpen());

    serial::LineSettings settings;
    settings.baudRate = 1234;
    EXPECT_FALSE(port.GetSettings(settings));
    EXPECT_EQ(settings.baudRate, 1234u);
    EXPECT_FALSE(port.SetSettings(settings));
    EXPECT_FALSE(port.SetTimeouts(serial::Timeouts{1, 1, 1, 0, 0}));
    char buffer[8] = {};
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write("%z\r\n", 4), 0u);
    port.ClearErrors();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(Win32SerialPort, OnlyFileNotFoundCountsAsMissing) {
    // A missing folder is error 3, path not found: another error, with its code.
    Win32SerialPort port;
    const std::string inMissingFolder =
        (std::filesystem::temp_directory_path() / "duruz-no-such-folder" / "COM3").string();
    const serial::OpenResult result = port.Open(inMissingFolder.c_str());
    EXPECT_EQ(result.status, OpenStatus::OtherError);
    EXPECT_EQ(result.errorCode, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(port.IsOpen());
}

TEST(Win32SerialPort, ExclusiveOpenTurnsAwayASecondOpener) {
    const auto path = TempFile("duruz-held-");
    Win32SerialPort first;
    ASSERT_EQ(first.Open(path.string().c_str()).status, OpenStatus::Opened);

    Win32SerialPort second;
    const serial::OpenResult result = second.Open(path.string().c_str());
    EXPECT_EQ(result.status, OpenStatus::OtherError);
    EXPECT_EQ(result.errorCode, ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(second.IsOpen());

    // Closing lets the next opener in, the same object too.
    first.Close();
    EXPECT_EQ(second.Open(path.string().c_str()).status, OpenStatus::Opened);
    EXPECT_EQ(second.Open(path.string().c_str()).status, OpenStatus::Opened); // reopens
    second.Close();
    std::filesystem::remove(path);
}

TEST(Win32SerialPort, FileThatIsNoPortOpensButHasNoState) {
    const auto path = TempFile("duruz-plain-");
    Win32SerialPort port;
    ASSERT_EQ(port.Open(path.string().c_str()).status, OpenStatus::Opened);
    EXPECT_TRUE(port.IsOpen());
    serial::LineSettings settings;
    EXPECT_FALSE(port.GetSettings(settings));
    EXPECT_FALSE(port.SetSettings(settings));
    EXPECT_FALSE(port.SetTimeouts(serial::Timeouts{1, 1, 1, 0, 0}));
    EXPECT_TRUE(port.IsOpen()); // open and unconfigured, as after a failed GetCommState
    port.Close();
    std::filesystem::remove(path);
}

} // namespace
