#include "view/export_csv.h"

#include "support/decimal_comma_locale.h"
#include "support/temp_folder.h"
#include "view/sample_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Both kinds of export read back: a frame's counts exactly, with every pair an XY
// figure joins; an average's volts as counts to within their printed digits, and 0
// on a channel without a range. A bad count of frames is refused at its line.
TEST_F(ExportCsv, ReadsBackAFrameAndAnAverage) {
    CaptureStore store;
    store.CaptureBuffer[2 * 2047] = -2047;
    const CsvExportInfo info = {"2026-12-07 14:03:21", "COM3",     {0, 1}, {3, -1},
                                "2 mSec/div",          "Ch1 Rise", 5,      6};
    FrameSamples read;
    CsvExportInfo back;
    ASSERT_TRUE(ReadFrameCsv(FrameCsv(store, info), read, back).Ok());
    EXPECT_EQ(std::tuple(read.averaged, read.counts.Sample(2047, 0), FramePoints(read.counts),
                         back.rangeRow[1], back.syncPosition),
              std::tuple(false, -2047, 2048u, -1, 6));

    FloatFrame average;
    average.frames = 16;
    for (std::size_t i = 0; i < average.samples.size(); ++i)
        average.samples[i] = float(i % 4095) * 0.37f - 757.3f;
    const std::string text = FrameCsv(average, info);
    ASSERT_TRUE(ReadFrameCsv(text, read, back).Ok());
    ASSERT_TRUE(read.averaged);
    const double countsPerMicrovolt = 1e-6 / std::abs(VoltsPerCount(0, 3));
    double worst = 0;
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        worst = std::max(worst, std::abs(double(read.average.Sample(i, 0)) - average.Sample(i, 0)));
        ASSERT_EQ(read.average.Sample(i, 1), 0.0f) << i;
    }
    EXPECT_LE(worst, 0.5 * countsPerMicrovolt + 1e-3);
    EXPECT_GT(read.average.Sample(1, 0), read.average.Sample(0, 0));
    EXPECT_EQ(std::tuple(read.average.frames, read.average.pointCount), std::tuple(16, 2048u));

    std::string none = text;
    none.replace(none.find("averaged 16"), 11, "averaged -1");
    std::string raw = text;
    raw.replace(raw.find("index,time_s,ch1_V,ch2_V\n"), 24, "index,time_s,ch1_V,ch2_V,ch1_raw");
    EXPECT_EQ(
        std::tuple(ReadFrameCsv(none, read, back).Reason(), ReadFrameCsv(raw, read, back).Reason()),
        std::tuple("line 8 is not \"# averaged <n> frames\"",
                   "line 9 is not the column line \"index,time_s,ch1_V,ch2_V\""));
}
