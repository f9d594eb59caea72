// The response plot's axes and curves, on a canvas that keeps every call.

#include "view/recorded_drawing.h"
#include "view/response_plot.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace duruz;
using namespace view_test;

// 100 Hz at 0 dB and 1 kHz at -20 dB on a 600 x 400 plot from 100 Hz to 10 kHz: the
// panels start 52 pixels in, 534 wide, each 173 high, the gain panel 16 down.
TEST(ResponsePlot, PointsLandOnTheLogAxisAndTheFittedScalesAndGapsAreNotDrawnAsValues) {
    const std::vector<ResponsePlotPoint> points{
        {100, 0, 0, true}, {1000, -20, -90, true}, {10000, 0, 0, false}};
    const ResponsePlotLayout layout({0, 0, 600, 400}, points, {}, 100, 10000);
    EXPECT_EQ(std::vector<int>({layout.LowDecade(), layout.HighDecade(), layout.X(100),
                                layout.X(1000), layout.X(10000)}),
              std::vector<int>({2, 4, 52, 319, 585}));
    EXPECT_EQ(std::vector<double>({layout.GainScale().low, layout.GainScale().high,
                                   layout.GainScale().step, layout.PhaseScale().low,
                                   layout.PhaseScale().step}),
              std::vector<double>({-20, 0, 5, -90, 15}));
    EXPECT_EQ(std::vector<int>({layout.GainY(0), layout.GainY(-20), layout.PhaseY(-90)}),
              std::vector<int>({16, 188, 381}));

    RecordingCanvas canvas;
    DrawResponsePlot(canvas, layout, points, {});
    // Each measured point marked, the two joined; nothing drawn toward the unmeasured one,
    // which gets a cross on the gain panel's lower edge.
    EXPECT_EQ(Drawn(canvas, kGainColor), "M49,16\nL56,16\nM52,13\nL52,20\nM52,16\nL319,188\n"
                                         "M316,188\nL323,188\nM319,185\nL319,192\n");
    EXPECT_EQ(Drawn(canvas, kUnmeasuredColor), "M582,182\nL589,189\nM582,188\nL589,181\n");
    std::string texts;
    for (const auto& call : canvas.Of(Op::Text))
        texts += call.text + "|";
    EXPECT_EQ(texts, "Gain|-20 dB|-15 dB|-10 dB|-5 dB|0 dB|Phase|-90\xB0|-75\xB0|-60\xB0|-45\xB0|"
                     "-30\xB0|-15\xB0|0\xB0|100 Hz|1 kHz|10 kHz|");

    // A reference reaching 50 Hz and +3 dB widens the axis and the scale, and is drawn
    // in its own colour.
    const std::vector<ResponsePlotPoint> reference{{50, 3, 0, true}, {500, -10, -45, true}};
    const ResponsePlotLayout wider({0, 0, 600, 400}, points, reference, 100, 10000);
    EXPECT_EQ(std::pair(wider.LowDecade(), wider.GainScale().high), std::pair(1, 5.0));
    canvas.Clear();
    DrawResponsePlot(canvas, wider, points, reference);
    EXPECT_EQ(canvas.LinesIn(kReferenceColor).size(), 2u);
}

} // namespace
