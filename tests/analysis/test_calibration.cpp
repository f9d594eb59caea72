// The calibration's curves per range pair and its file.

#include "analysis/calibration.h"
#include "analysis/response_csv.h"
#include "session/measure_log.h"
#include "support/decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace duruz;

SweepPoint Point(double hertz, std::array<int, 2> ranges, std::complex<double> ratio,
                 PointStatus status = PointStatus::Measured) {
    SweepPoint point;
    point.hertz = hertz;
    point.rangeRows = ranges;
    point.ratio = ratio;
    point.status = status;
    return point;
}

TEST(Calibration, CurvesPerRangePairAndTheFirstForAPairNotMeasured) {
    const std::vector<SweepPoint> points{
        Point(100, {3, 3}, {1.02, 0.001}), Point(200, {3, 3}, {1.0, -0.1}, PointStatus::BelowNoise),
        Point(300, {3, 4}, {0.98, 0.002}), Point(150, {3, 3}, {0.1 + 1.0 / 3, -1e-17})};
    const Calibration calibration = CalibrationFromPoints(points);
    ASSERT_EQ(calibration.curves.size(), 2u);
    EXPECT_EQ(CurveFor(calibration, {3, 4}), &calibration.curves[1]);
    EXPECT_EQ(CurveFor(calibration, {3, 5}), &calibration.curves[0]);
    EXPECT_EQ(CurveFor(Calibration{}, {3, 3}), nullptr);
    const std::vector<CalibrationPoint>& first = calibration.curves[0].points;
    ASSERT_EQ(first.size(), 2u); // the point below the noise takes no part
    EXPECT_EQ(first[0].hertz, 100);
    EXPECT_EQ(first[1].hertz, 150);

    const std::string text = CalibrationText(calibration);
    EXPECT_EQ(text.substr(0, text.find("150,")), "duruz frequency response calibration 1\n"
                                                 "ranges,3,3,2\n100,1.02,0.001\n");
    const Result<Calibration> back = ParseCalibration(text);
    ASSERT_TRUE(back.Ok()) << back.Reason();
    ASSERT_EQ(back.Value().curves.size(), 2u);
    EXPECT_EQ(back.Value().curves[1].rangeRows, (std::array<int, 2>{3, 4}));
    const CalibrationPoint& exact = back.Value().curves[0].points[1];
    EXPECT_EQ(std::memcmp(&exact.ratio, &first[1].ratio, sizeof exact.ratio), 0);
}

TEST(Calibration, DamagedTextsSayWhichLine) {
    const std::string head = "duruz frequency response calibration 1\n";
    EXPECT_EQ(ParseCalibration("").Reason(),
              "not a frequency response calibration (its first line is not \"duruz frequency "
              "response calibration 1\")");
    EXPECT_EQ(ParseCalibration(head).Reason(), "the calibration holds no curve");
    EXPECT_TRUE(ParseCalibration(head + "ranges,1,2,1\r\n50,1,0\r\n").Ok());
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2,2\n50,1,0\n").Reason(),
              "line 2: the curve's 2 points are not all in the file");
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2\n50,1,0\n").Reason(),
              "line 2: expected \"ranges,ROW1,ROW2,POINTS\"");
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2,1\n50,1\n").Reason(),
              "line 3: expected \"HERTZ,REAL,IMAGINARY\"");
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2,2\n50,1,0\n50,1,0\n").Reason(),
              "line 4: frequencies must be positive and rising");
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2,1\n50,0,0\n").Reason(),
              "line 3: a ratio must be finite and not zero");
    EXPECT_EQ(ParseCalibration(head + "ranges,1,2,1\n50,nan,0\n").Reason(),
              "line 3: a ratio must be finite and not zero");
    EXPECT_EQ(CalibrationPathBeside("/home/a/Config.Ini"), "/home/a/FrequencyResponse.cal");
    EXPECT_EQ(CalibrationPathBeside("Config.Ini"), "FrequencyResponse.cal");
}

// The window runs in the user's locale: the sweep's CSV and the measurement log keep
// their '.' in it.
struct NumbersInADecimalCommaLocale : testing_support::DecimalCommaLocale {};

TEST_F(NumbersInADecimalCommaLocale, TheSweepCsvAndTheMeasurementLogKeepTheirDots) {
    SweepPoint point = Point(1000.5, {3, 3}, std::polar(0.5, -0.25));
    point.probeRows = {1, 1};
    const std::string csv = ResponseCsv(std::span(&point, 1), true);
    EXPECT_NE(csv.find("\n1000.5,-6.0206,-14.324,,"), std::string::npos) << csv;
    std::string rows;
    ScopeSettings settings;
    settings.channels[0] = {1, 3, true, false};
    CaptureStore frame;
    frame.CaptureBuffer[0] = 1;
    auto scratch = std::make_unique<MeasureScratch>();
    AppendMeasureCsvRows(rows, 7, 0, settings, frame, *scratch);
    EXPECT_EQ(rows.substr(0, rows.find('\n')),
              "7,1970-01-01T00:00:00.000Z,1,,,0.00586223742,-0.00586223742,-0,-2.86242062e-06,"
              "0.00012953837,,0");
}

} // namespace
