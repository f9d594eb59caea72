#include "serial/device_monitor.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>

namespace {

namespace fs = std::filesystem;
using enum serial::DeviceChange;

bool Readable(int descriptor, int milliseconds) {
    pollfd watched{descriptor, POLLIN, 0};
    return ::poll(&watched, 1, milliseconds) == 1;
}

// Entries made, renamed and deleted come as added and removed names, a folder not
// at all; a monitor with nothing waiting is not readable and returns no events at
// once. A folder that is not there cannot be watched.
TEST(DeviceMonitor, FolderEntriesButNotFoldersAndTheMachinesMonitorDoesNotBlock) {
    auto temp = std::make_unique<testing_support::TempFolder>();
    const fs::path folder = temp->Path();
    std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeFolderMonitor(folder.string());
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(!Readable(monitor->Descriptor(), 0) && monitor->TakeEvents().empty());
    std::ofstream(folder / "ttyUSB0").put('x');
    fs::create_directory(folder / "pts");
    fs::rename(folder / "ttyUSB0", folder / "ttyUSB1");
    fs::remove(folder / "ttyUSB1");
    ASSERT_TRUE(Readable(monitor->Descriptor(), 1000));
    EXPECT_EQ(
        monitor->TakeEvents(),
        (std::vector<serial::DeviceEvent>{
            {Added, "ttyUSB0"}, {Removed, "ttyUSB0"}, {Added, "ttyUSB1"}, {Removed, "ttyUSB1"}}));
    EXPECT_FALSE(Readable(monitor->Descriptor(), 0));
    temp.reset();
    EXPECT_EQ(serial::MakeFolderMonitor((folder / "gone").string()), nullptr);
    // The program's own: udev's where it can be set up, else /dev's. Taking its
    // events must not block when nothing waits.
    const std::unique_ptr<serial::DeviceMonitor> device = serial::MakeDeviceMonitor();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->Descriptor() >= 0 &&
                (Readable(device->Descriptor(), 0) || device->TakeEvents().empty()));
}

} // namespace
