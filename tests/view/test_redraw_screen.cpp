#include "view/redraw_screen.h"
#include "view/screen_geometry.h"

#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using duruz::CaptureStore;
using duruz::ScreenInputs;
using tk::RecordingCanvas;
using Op = RecordingCanvas::Op;

namespace {

constexpr tk::Color kGrey = 0x808080, kRed = 0x0000FF, kBlue = 0xFF0000, kLime = 0x00FF00,
                    kGreen = 0x008000, kTeal = 0x808000, kMaroon = 0x000080;
constexpr int kGridX[9] = {160, 310, 460, 610, 760, 910, 1060, 1210, 1360};
constexpr int kGridY[9] = {78, 157, 236, 315, 394, 472, 551, 630, 709};

// The window's layout (client area, level bar width, position bar and control strip
// heights) in time mode; channel 1 at x1 and +-24 V, channel 2 at x10 and +-240 V.
ScreenInputs WindowInputs() {
    return {1511, 899, 10, 11, 99, 1, {1, 0}, {0, 0}};
}

RecordingCanvas Redraw(const ScreenInputs& in, const CaptureStore& store,
                       duruz::PlotArea* area = nullptr) {
    RecordingCanvas canvas;
    duruz::SpectrumWorkArea work{};
    const duruz::PlotArea drawn = duruz::RedrawScreen(canvas, in, store, work);
    if (area != nullptr)
        *area = drawn;
    return canvas;
}

std::string Point(char op, int x, int y) {
    return op + std::to_string(x) + "," + std::to_string(y) + "\n";
}

// The first `limit` moves and lines made in one pen colour, as "Mx,y" and "Lx,y" lines.
std::string Drawn(const RecordingCanvas& canvas, tk::Color color, int limit = 1 << 30) {
    std::string out;
    for (const auto& c : canvas.Calls())
        if ((c.op == Op::MoveTo || c.op == Op::LineTo) && c.color == color && limit-- > 0)
            out += Point(c.op == Op::MoveTo ? 'M' : 'L', c.x, c.y);
    return out;
}

std::string Label(const std::string& text, tk::Color color, int x, int y) {
    return text + " in " + std::to_string(color) + Point(' ', x, y);
}

// The texts, then the pen colours, in the order they were drawn.
std::string TextsAndPens(const RecordingCanvas& canvas) {
    std::string texts, pens = "pens";
    for (const auto& c : canvas.Calls())
        if (c.op == Op::Text)
            texts += Label(c.text, c.color, c.x, c.y);
        else if (c.op == Op::PenColor)
            pens += " " + std::to_string(c.color);
    return texts + pens;
}

std::string Expected(bool time, bool frequency, const std::vector<tk::Color>& pens) {
    const char* x1[9] = {"  19.2 V", "  14.4 V", "   9.6 V", "   4.8 V", "   0.0 V",
                         "-  4.8 V", "-  9.6 V", "- 14.4 V", "- 19.2 V"};
    const char* x10[9] = {" 192.0 V", " 144.0 V", "  96.0 V", "  48.0 V", "   0.0 V",
                          "- 48.0 V", "- 96.0 V", "-144.0 V", "-192.0 V"};
    std::string out;
    for (int g = 0; g < 9; ++g) {
        out += Label(x1[g], kRed, 20, kGridY[g] + 4) + Label(x10[g], kBlue, 1451, kGridY[g] + 4);
        if (time)
            out += Label(std::to_string(2 * g + 2) + " mSec", kBlue, kGridX[g] - 20, 10);
        if (frequency)
            out += Label(std::to_string(5 * g + 5) + " KHz", kBlue, kGridX[g] - 20, 788 - 16);
    }
    out += "pens";
    for (tk::Color pen : pens)
        out += " " + std::to_string(pen);
    return out;
}

} // namespace

TEST(RedrawScreen, TimeModeGeometryLabelsAndSamples) {
    auto store = std::make_unique<CaptureStore>();
    store->CaptureBuffer[0] = -2047;
    store->CaptureBuffer[4] = 2047;
    store->CaptureBuffer[2 * 2047] = 2047;
    ScreenInputs in = WindowInputs();
    in.scope[1] = false;
    duruz::PlotArea area;
    const RecordingCanvas canvas = Redraw(in, *store, &area);
    EXPECT_EQ(std::tie(area.left, area.width, area.height), std::make_tuple(10, 1501, 788));
    const auto& clear = canvas.Calls().at(0);
    EXPECT_EQ(std::tie(clear.op, clear.x, clear.y, clear.x2, clear.y2),
              std::make_tuple(Op::Fill, 0, 0, 1511, 899));
    // Per line a horizontal one ending at x = width, then a vertical one.
    std::string grid;
    for (int g = 0; g < 9; ++g)
        grid += Point('M', 10, kGridY[g]) + Point('L', 1501, kGridY[g]) + Point('M', kGridX[g], 0) +
                Point('L', kGridX[g], 788);
    EXPECT_EQ(Drawn(canvas, kGrey), grid);
    EXPECT_EQ(TextsAndPens(canvas), Expected(true, false, {kGrey, kLime, kRed}));
    // The line along the top edge, the move to the first sample, then samples -2047,
    // 0, +2047 and 0 at x = left + width * i / 2048; the last at the far right.
    EXPECT_EQ(Drawn(canvas, kRed, 7), "M0,0\nL1501,0\nM10,0\nL10,0\nL10,394\nL11,788\nL12,394\n");
    const auto trace = canvas.LinesIn(kRed);
    ASSERT_EQ(trace.size(), 1u + 2048u);
    EXPECT_EQ(Point('L', trace.back().x, trace.back().y), "L1510,788\n");
}

// The move to X(-2000) = left, Y(2047) = height, then lines to X(-2000 + i), Y(2047 -
// i); the spectra are ignored in XY mode, but their KHz labels stay.
TEST(RedrawScreen, XyModeDrawsOnlyTheFigureAfterTheFrame) {
    auto store = std::make_unique<CaptureStore>();
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        store->CaptureBuffer[2 * i] = static_cast<std::int16_t>(int(i % 4001) - 2000);
        store->CaptureBuffer[2 * i + 1] = static_cast<std::int16_t>(2047 - int(i % 4095));
    }
    ScreenInputs in = WindowInputs();
    in.sweepRow = 0;
    in.fft[0] = in.fft[1] = true;
    const char* start = "M10,788\nL10,787\nL10,787\nL11,787\nL11,787\n";
    const std::tuple<std::uint32_t, std::size_t, const char*> cases[] = {
        {0, 0, "M10,788\n"}, {1, 0, "M10,788\n"},       {5, 4, start},
        {5000, 2047, start}, {0xFFFFFFFF, 2047, start},
    };
    for (const auto& [count, lines, figure] : cases) {
        SCOPED_TRACE(count);
        std::memcpy(store->RxBuffer.data() + 4, &count, 4);
        const RecordingCanvas canvas = Redraw(in, *store);
        EXPECT_EQ(Drawn(canvas, kGreen, 5), figure);
        const auto green = canvas.LinesIn(kGreen);
        ASSERT_EQ(green.size(), lines);
        if (lines == 2047) {
            EXPECT_EQ(green.back().x, 2047 * 1501 / 4000 + 10);
        }
        // Graticule, markers and figure, in that order, and nothing else.
        EXPECT_EQ(TextsAndPens(canvas), Expected(true, true, {kGrey, kLime, kGreen}));
        EXPECT_EQ(canvas.Of(Op::LineTo).size(), 18u + 2u + lines);
    }
}

// Channel 1's trace and spectrum come before channel 2's, each only when checked. The
// trigger level 0 lies where a sample of 0 is drawn, XY mode's 2000 near the top,
// where a sample of -2000 lies.
TEST(RedrawScreen, CheckBoxesChooseLabelsTracesAndSpectraAndTriggerMarkers) {
    auto store = std::make_unique<CaptureStore>();
    const std::pair<tk::Color, std::size_t> plots[] = {
        {kRed, 2049}, {kTeal, 1024}, {kBlue, 2049}, {kMaroon, 1024}};
    const char* atZero = "M10,0\nL10,788\nM10,394\nL1511,394\n";
    // Scope 1, spectrum 1, scope 2, spectrum 2; SyncPosition, SyncLevel.
    const std::tuple<std::string, int, int, const char*> rows[] = {
        {"0000", 0, 0, atZero},
        {"1000", 1024, 0, "M760,0\nL760,788\nM10,394\nL1511,394\n"},
        {"0010", 2048, 0, "M1511,0\nL1511,788\nM10,394\nL1511,394\n"},
        {"0001", 0, 2000, "M10,0\nL10,788\nM10,9\nL1511,9\n"},
        {"0100", 0, 0, atZero},
        {"1111", 0, 0, atZero}};
    for (const auto& [boxes, position, level, markers] : rows) {
        SCOPED_TRACE(boxes);
        ScreenInputs in = WindowInputs();
        std::tie(in.syncPosition, in.syncLevel) = std::tie(position, level);
        for (int c = 0; c < 2; ++c)
            std::tie(in.scope[c], in.fft[c]) =
                std::pair(boxes[2 * c] == '1', boxes[2 * c + 1] == '1');
        const RecordingCanvas canvas = Redraw(in, *store);
        EXPECT_EQ(Drawn(canvas, kLime), markers);
        std::vector<tk::Color> pens = {kGrey, kLime};
        for (int p = 0; p < 4; ++p) {
            if (boxes[p] == '1')
                pens.push_back(plots[p].first);
            EXPECT_EQ(canvas.LinesIn(plots[p].first).size(),
                      boxes[p] == '1' ? plots[p].second : 0u);
        }
        EXPECT_EQ(TextsAndPens(canvas),
                  Expected(in.scope[0] || in.scope[1], in.fft[0] || in.fft[1], pens));
    }
}

// The mapping's ends: the extreme samples on the area's edges, the last sample one
// step short of the right edge, a magnitude of the whole span at the top, and a
// width whose product with a sample index only fits unsigned.
TEST(ScreenGeometry, MapsTheEndsOfEachAxisToTheEdges) {
    using namespace duruz;
    const PlotArea area{10, 1501, 788}, wide{0, 2'000'000, 788};
    EXPECT_EQ(
        (std::vector<int>{SampleY(-2047, 788), SampleY(2047, 788), SampleY(0, 788), SweepX(area, 0),
                          SweepX(area, 2047), SweepX(area, 2048), XyX(-2000, area), XyX(2000, area),
                          BinX(area, 1023), MagnitudeY(4094, 788), MagnitudeY(0, 788),
                          SweepX(wide, 2047), GraticuleX(5, area), GraticuleY(9, 788)}),
        (std::vector<int>{0, 788, 394, 10, 1510, 1511, 10, 1511, 1509, -394, 394, 1'999'023, 760,
                          709}));
}
