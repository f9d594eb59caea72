#include "serial/device_monitor.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using serial::DeviceChange;
using serial::DeviceEvent;
using Events = std::vector<DeviceEvent>;

bool Readable(int descriptor, int milliseconds) {
    pollfd watched{descriptor, POLLIN, 0};
    return ::poll(&watched, 1, milliseconds) == 1;
}

TEST(FolderMonitor, ReportsEntriesCreatedAndDeletedButNotFolders) {
    auto temp = std::make_unique<testing_support::TempFolder>();
    const fs::path folder = temp->Path();
    std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeFolderMonitor(folder.string());
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(Readable(monitor->Descriptor(), 0));
    EXPECT_TRUE(monitor->TakeEvents().empty()); // nothing waits: returns at once

    std::ofstream(folder / "ttyUSB0").put('x');
    fs::create_directory(folder / "pts");
    fs::rename(folder / "ttyUSB0", folder / "ttyUSB1");
    fs::remove(folder / "ttyUSB1");
    ASSERT_TRUE(Readable(monitor->Descriptor(), 1000));
    EXPECT_EQ(monitor->TakeEvents(), (Events{{DeviceChange::Added, "ttyUSB0"},
                                             {DeviceChange::Removed, "ttyUSB0"},
                                             {DeviceChange::Added, "ttyUSB1"},
                                             {DeviceChange::Removed, "ttyUSB1"}}));
    EXPECT_FALSE(Readable(monitor->Descriptor(), 0));
    temp.reset();
    EXPECT_EQ(serial::MakeFolderMonitor((folder / "gone").string()), nullptr);
    EXPECT_NE(serial::MakeDeviceMonitor(), nullptr); // udev's, or /dev's without it
}

TEST(UdevMonitor, StartsOnThisMachinesUdev) {
    std::unique_ptr<serial::DeviceMonitor> monitor = serial::MakeUdevMonitor();
    if (monitor == nullptr)
        GTEST_SKIP() << "libudev's monitor cannot be set up here (no netlink access)";
    EXPECT_GE(monitor->Descriptor(), 0);
    // Without a device being plugged in meanwhile nothing waits, and taking the
    // events must not block.
    if (Readable(monitor->Descriptor(), 0))
        GTEST_SKIP() << "devices are changing on this machine; nothing to compare";
    EXPECT_TRUE(monitor->TakeEvents().empty());
    if (::access("/run/udev/control", F_OK) != 0)
        std::cout << "[ NOTE     ] no udev daemon runs here: its monitor starts but stays "
                     "silent, and the program watches /dev instead\n";
}

} // namespace
