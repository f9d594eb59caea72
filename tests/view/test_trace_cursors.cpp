#include "view/trace_cursors.h"

#include "view/screen_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace duruz;

namespace {

const PlotArea kArea{10, 1501, 788}; // the window's default trace area
const CursorScreen kTimeScreen{kArea, false, false};

} // namespace

// The first and last sample, the top and bottom of the graticule and the last bin map
// to the pixels the traces are drawn at and back; a pixel past an edge keeps the end.
TEST(TraceCursors, PixelMappingAtTheEdges) {
    CursorSettings c;
    c.timeOn = c.voltOn = c.frequencyOn = true;
    c.time = {0, 2047};
    c.volt = {-2047, 2047};
    c.bin = 1023;
    const CursorScreen spectrum{kArea, false, true};
    EXPECT_EQ(std::vector<int>({CursorPixel(c, spectrum, CursorId::Time1),
                                CursorPixel(c, spectrum, CursorId::Time2),
                                CursorPixel(c, spectrum, CursorId::Volt1),
                                CursorPixel(c, spectrum, CursorId::Volt2),
                                CursorPixel(c, spectrum, CursorId::Frequency)}),
              std::vector<int>({10, 1510, 0, 788, SweepX(kArea, 2046)}));
    EXPECT_EQ(std::vector<int>({SampleAtX(kArea, 10), SampleAtX(kArea, 1510), SampleAtX(kArea, 9),
                                SampleAtX(kArea, 1511), CountAtY(kArea, 0), CountAtY(kArea, 788),
                                CountAtY(kArea, 394), CountAtY(kArea, 800), BinAtX(kArea, 1510),
                                XyCountAtX(kArea, 10)}),
              std::vector<int>({0, 2047, 0, 2047, -2047, 2047, 0, 2047, 1023, -2000}));
}

// A press picks the nearest shown line within the tolerance and nothing one pixel past
// it; in XY mode the time cursors are hidden and the X axis has its own pair.
TEST(TraceCursors, PickingAndXyMode) {
    CursorSettings c;
    c.timeOn = c.voltOn = true;
    const int t1 = CursorPixel(c, kTimeScreen, CursorId::Time1);
    const int v2 = CursorPixel(c, kTimeScreen, CursorId::Volt2);
    EXPECT_EQ(PickCursor(c, kTimeScreen, t1 + kCursorPickPixels, 5), CursorId::Time1);
    EXPECT_EQ(PickCursor(c, kTimeScreen, t1 - kCursorPickPixels - 1, 5), CursorId::None);
    EXPECT_EQ(PickCursor(c, kTimeScreen, t1 + 1, v2 + 2), CursorId::Time1);
    EXPECT_EQ(PickCursor(c, kTimeScreen, 700, v2 - kCursorPickPixels), CursorId::Volt2);
    const CursorScreen xy{kArea, true, true};
    EXPECT_EQ(PickCursor(c, xy, t1, 300), CursorId::XVolt1); // X count -1000 lies at x = 385 too
    EXPECT_EQ(NextCursor(c, xy, CursorId::Volt2), CursorId::XVolt1);
    PlaceCursor(c, xy, CursorId::XVolt1, 10 + 1501 / 4, 0); // 375 x 4000 / 1501 - 2000 = -1000.7
    StepCursor(c, CursorId::Volt1, 1, true); // up a division: towards negative counts
    StepCursor(c, CursorId::Time2, 5, true);
    EXPECT_EQ(std::tuple(c.xVolt[0], c.volt[0], c.time[1]), std::tuple(-1001, -1433, 2047));
}

// V1, V2 and ΔV in the chosen channel's volts, worked by hand: a count is
// -count x full scale / 2047 volts, full scale the range times the probe.
TEST(TraceCursors, ReadoutsInTheChannelsVolts) {
    CursorSettings c;
    c.timeOn = c.voltOn = c.frequencyOn = true;
    c.voltChannel = 1;
    c.volt = {-1000, 600};
    c.time = {100, 2047};
    c.bin = 20;
    CaptureStore frame;
    frame.CaptureBuffer[2 * 100] = -2047; // channel 1 at t1: +24 V at x1
    frame.CaptureBuffer[2 * 2047 + 1] = 300;
    CursorReadoutInputs in;
    in.probeRow = {1, 1};
    in.rangeRow = {0, 7}; // 24 V, 1 V
    in.shown = {true, false};
    MeasureScratch scratch;
    // 1000 / 2047 V = 0.48852 V; -600 / 2047 = -0.29311 V.
    EXPECT_EQ(CursorReadouts(c, {kArea, false, true}, in, frame, scratch),
              "t1 976.6 \u00b5s  t2 19.99 ms  \u0394t 19.01 ms  1/\u0394t 52.59 Hz\n"
              "Ch1 at t1 24.0 V  at t2 0.00 V\n"
              "Ch2 V1 489 mV  V2 -293 mV  \u0394V -782 mV\n"
              "f 1.000 kHz");
    // x10 on the 8 V range: 80 V full scale; 1000 x 80 / 2047 = 39.082 V. Channel 2's
    // sine of 1000 counts at bin 20 reads 39.1 V peak there.
    for (int i = 0; i < 2048; ++i)
        frame.CaptureBuffer[2 * i + 1] =
            std::int16_t(std::lround(1000 * std::sin(i * std::numbers::pi / 51.2)));
    in.probeRow = {1, 0};
    in.rangeRow = {0, 4};
    in.spectrum = {false, true};
    c.timeOn = false;
    EXPECT_EQ(CursorReadouts(c, {kArea, false, true}, in, frame, scratch),
              "Ch2 V1 39.1 V  V2 -23.4 V  \u0394V -62.5 V\nf 1.000 kHz  FFT2 39.1 Vpk");
}
