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
TEST(FolderMonitor, ReportsEntriesCreatedAndDeletedButNotFolders) {
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
    EXPECT_NE(serial::MakeDeviceMonitor(), nullptr); // udev's, or /dev's without it
}

// Without a device plugged in meanwhile nothing waits, and taking the events must
// not block. Without a udev daemon the monitor starts but stays silent, and the
// program watches /dev instead.
TEST(UdevMonitor, StartsOnThisMachinesUdev) {
    std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeUdevMonitor();
    if (monitor == nullptr || Readable(monitor->Descriptor(), 0))
        GTEST_SKIP() << "libudev's monitor cannot be set up here (no netlink access), or "
                        "devices are changing on this machine";
    EXPECT_GE(monitor->Descriptor(), 0);
    EXPECT_TRUE(monitor->TakeEvents().empty());
}

} // namespace
