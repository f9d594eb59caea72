#include "view/export_csv.h"

#include "support/decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace duruz;
// The numbers must come out the same in a decimal-comma locale.
using ExportCsv = testing_support::DecimalCommaLocale;

TEST_F(ExportCsv, HeaderAndScaledRows) {
    CaptureStore store;
    store.CaptureBuffer[0] = -2047; // sample 0: channel 1 at the top, channel 2 at 0
    store.CaptureBuffer[2] = 1000;
    store.CaptureBuffer[3] = -1234;
    store.CaptureBuffer[2 * 2047] = 2047; // the last sample
    store.CaptureBuffer[2 * 2047 + 1] = 4094;
    // Date, port, the probe and range rows (channel 1 at x1 +-1 V, channel 2 at x10
    // +-240 V), sweep, sync, level and position.
    const std::string csv = FrameCsv(
        store,
        {"2026-12-07 14:03:21", "Simulator", {1, 0}, {7, 0}, "2 mSec/div", "Ch1 Rise", -123, 1024});
    const std::string head = "# RORU-Duruz frame\n"
                             "# date: 2026-12-07 14:03:21\n"
                             "# port: Simulator\n"
                             "# ch1: range +/-1.0 V, probe x1\n"
                             "# ch2: range +/-240.0 V, probe x10\n"
                             "# sweep: 2 mSec/div\n"
                             "# sync: Ch1 Rise, level -123, position 1024\n"
                             "index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\n"
                             "0,0.000000000,1.000000,0.000000,-2047,0\n"
                             "1,0.000009766,-0.488520,144.680020,1000,-1234\n"
                             "2,0.000019531,0.000000,0.000000,0,0\n";
    const std::string tail = "2047,0.019990234,-1.000000,-480.000000,2047,4094\n";
    EXPECT_EQ(csv.substr(0, head.size()) + csv.substr(csv.size() - tail.size()), head + tail);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 8 + 2048);
}

// Built on Windows too, where the shared temporary folder helper is not.
TEST(WriteFileAtomically, ReplacesOrLeavesNothing) {
    const auto folder = std::filesystem::temp_directory_path() / "duruz-csv-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "frame.csv").string(),
                      missing = (folder / "no" / "frame.csv").string();
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "old", error));
    ASSERT_TRUE(WriteFileAtomically(path, "new bytes", error)) << error;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}),
              "new bytes"); // the stream is closed before the folder goes
    // Into a folder that does not exist: the reason comes back, and no file appears.
    EXPECT_FALSE(WriteFileAtomically(missing, "x", error));
    EXPECT_FALSE(error.empty());
    for (const std::string& left : {path + ".part", missing + ".part"})
        EXPECT_FALSE(std::filesystem::exists(left)) << left;
    std::filesystem::remove_all(folder);
}
