// The sweep's CSV read back as a reference curve.

#include "analysis/response_csv.h"
#include "analysis/response_csv_reader.h"

#include <gtest/gtest.h>

namespace {

using namespace duruz;

TEST(ResponseCsvReader, ReadsBackWhatTheSweepWritesAndNamesTheLineOfADamagedFile) {
    std::vector<SweepPoint> points(3);
    points[0].hertz = 100;
    points[0].ratio = {1.0, -0.1};
    points[1].hertz = 1000;
    points[1].status = PointStatus::BelowNoise;
    points[1].channel = 1;
    points[2].hertz = 10000;
    points[2].ratio = {0.0, -0.1};
    const Result<std::vector<ResponsePlotPoint>> read =
        ParseResponseCsv(ResponseCsv(points, false));
    ASSERT_TRUE(read.Ok()) << read.Reason();
    const SweepReadouts readouts = ReadSweepPoints(points);
    ASSERT_EQ(read.Value().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const ResponsePlotPoint& p = read.Value()[i];
        EXPECT_EQ(p.hertz, points[i].hertz);
        EXPECT_EQ(p.measured, i != 1);
        EXPECT_NEAR(p.gainDb, readouts.points[i].measured ? readouts.points[i].gainDb : 0, 1e-4);
        EXPECT_NEAR(p.phaseDegrees,
                    readouts.points[i].measured ? readouts.points[i].phaseDegrees : 0, 1e-3);
    }

    const std::string head = "frequency_hz,gain_db,phase_deg,group_delay_s\n";
    const auto reason = [](const std::string& text) { return ParseResponseCsv(text).Reason(); };
    EXPECT_EQ(reason("time,ch1\n1,2\n"),
              "line 1: not a frequency response CSV (its columns are not "
              "frequency_hz,gain_db,phase_deg,...)");
    EXPECT_EQ(reason(head + "100,-1.5,\n"),
              "line 2: a gain without a phase or a phase without a gain");
    EXPECT_EQ(reason(head + "100,-1.5,3x\n"),
              "line 2: the gain or the phase is not a number in \"100,-1.5,3x\"");
    EXPECT_EQ(reason(head + "100,0,0\n# x\n100,0,0\n"), "line 4: the frequencies do not rise");
    EXPECT_EQ(reason(head + "0,0,0\n"), "line 2: no frequency in \"0,0,0\"");
    EXPECT_EQ(reason(head + "# no point measured\n"), "no frequency point in the file");
    EXPECT_TRUE(ParseResponseCsv(head + "100,0,0\r\n200,,\r\n").Ok());
    EXPECT_EQ(ReadResponseCsvFile("/nonexistent/r.csv").Reason(),
              "/nonexistent/r.csv: No such file or directory");
}

} // namespace
