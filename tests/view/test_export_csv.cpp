#include "view/export_csv.h"

#include "support/decimal_comma_locale.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

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
    const std::string head =
        "# RORU-Duruz frame\n# date: 2026-12-07 14:03:21\n# port: Simulator\n"
        "# ch1: range +/-1.0 V, probe x1\n# ch2: range +/-240.0 V, probe x10\n"
        "# sweep: 2 mSec/div\n# sync: Ch1 Rise, level -123, position 1024\n"
        "index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\n0,0.000000000,1.000000,0.000000,-2047,0\n"
        "1,0.000009766,-0.488520,144.680020,1000,-1234\n2,0.000019531,0.000000,0.000000,0,0\n";
    const std::string tail = "2047,0.019990234,-1.000000,-480.000000,2047,4094\n";
    EXPECT_EQ(csv.substr(0, head.size()) + csv.substr(csv.size() - tail.size()), head + tail);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 8 + 2048);
}

// The export replaces its file whole and leaves the user's own files beside it,
// whatever their names, as they are; a failure says why.
TEST(WriteFrameCsv, ReplacesTheFileAndNothingBesideIt) {
    const testing_support::TempFolder folder;
    const std::string path = folder.File("frame.csv");
    std::ofstream(path + ".part", std::ios::binary) << "the user's own";
    const CaptureStore store;
    EXPECT_TRUE(WriteFrameCsv(path, store, {}).Ok());
    EXPECT_EQ(std::tuple(testing_support::ReadFile(path), testing_support::ReadFile(path + ".part"),
                         std::distance(std::filesystem::directory_iterator(folder.Path()), {}),
                         WriteFrameCsv(folder.File("no/frame.csv"), store, {}).Reason().empty()),
              std::tuple(FrameCsv(store, {}), "the user's own", 2, false));
}
