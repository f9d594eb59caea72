#include "view/redraw_screen.h"

#include "recorded_drawing.h"
#include "view/screen_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace duruz;
using namespace view_test;

namespace {

constexpr int kGridX[9] = {160, 310, 460, 610, 760, 910, 1060, 1210, 1360};
constexpr int kGridY[9] = {78, 157, 236, 315, 394, 472, 551, 630, 709};

// The window's layout (client area, level bar width, position bar and control strip
// heights) in time mode; channel 1 at x1 and +-24 V, channel 2 at x10 and +-240 V.
const ScreenInputs kWindow = {1511, 899, 10, 11, 99, 1, {1, 0}, {0, 0}};

// What the redraw draws, and the plot area it gives back.
std::pair<RecordingCanvas, PlotArea> Redraw(const ScreenInputs& in, const CaptureStore& store) {
    std::pair<RecordingCanvas, PlotArea> drawn;
    SpectrumWorkArea work{};
    drawn.second = RedrawScreen(drawn.first, in, store, work);
    return drawn;
}

std::string Label(const std::string& text, tk::Color color, int x, int y) {
    return text + " in " + std::to_string(color) + Point(' ', x, y);
}

std::string Texts(const RecordingCanvas& canvas) {
    std::string out;
    for (const auto& c : canvas.Of(Op::Text))
        out += Label(c.text, c.color, c.x, c.y);
    return out;
}

std::string ExpectedTexts(bool time, bool frequency) {
    const char* x1[9] = {"  19.2 V", "  14.4 V", "   9.6 V", "   4.8 V", "   0.0 V",
                         "-  4.8 V", "-  9.6 V", "- 14.4 V", "- 19.2 V"};
    const char* x10[9] = {" 192.0 V", " 144.0 V", "  96.0 V", "  48.0 V", "   0.0 V",
                          "- 48.0 V", "- 96.0 V", "-144.0 V", "-192.0 V"};
    std::string out;
    for (int g = 0; g < 9; ++g) {
        out +=
            Label(x1[g], kRed, 20, kGridY[g] + 4) + Label(x10[g], kBlue, 1451, kGridY[g] + 4) +
            (time ? Label(std::to_string(2 * g + 2) + " mSec", kBlue, kGridX[g] - 20, 10) : "") +
            (frequency ? Label(std::to_string(5 * g + 5) + " KHz", kBlue, kGridX[g] - 20, 788 - 16)
                       : "");
    }
    return out;
}

} // namespace

TEST(RedrawScreen, TimeModeGeometryLabelsAndSamples) {
    auto store = std::make_unique<CaptureStore>();
    store->CaptureBuffer[0] = -2047;
    store->CaptureBuffer[4] = 2047;
    store->CaptureBuffer[2 * 2047] = 2047;
    ScreenInputs in = kWindow;
    in.scope[1] = false;
    const auto [canvas, area] = Redraw(in, *store);
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
    EXPECT_EQ(Texts(canvas), ExpectedTexts(true, false));
    // The line along the top edge, the move to the first sample, then samples -2047,
    // 0, +2047 and 0 at x = left + width * i / 2048; the last at the far right.
    EXPECT_EQ(Drawn(canvas, kRed, 7), "M0,0\nL1501,0\nM10,0\nL10,0\nL10,394\nL11,788\nL12,394\n");
    const std::string trace = Drawn(canvas, kRed);
    EXPECT_EQ(trace.substr(trace.rfind('L')), "L1510,788\n");
    // XY mode's right edge, which no figure below reaches, and a width whose product
    // with a sample index only fits unsigned.
    EXPECT_EQ(std::pair(duruz::XyX(2000, area), duruz::SweepX({0, 2'000'000, 788}, 2047)),
              std::pair(1511, 1'999'023));
}

// Channel 1's trace and spectrum come before channel 2's, each only when checked. XY
// mode draws only the figure of the first `count` pairs (at most 2,048) after the
// frame: the move to X(-2000) = left, Y(2047) = height, then lines to X(-2000 + i),
// Y(2047 - i); the spectra are ignored there, but their KHz labels stay. The trigger
// level 0 lies where a sample of 0 is drawn, 2000 near the top, where -2000 lies.
TEST(RedrawScreen, ModeCheckBoxesAndTriggerChooseWhatIsDrawn) {
    auto store = std::make_unique<CaptureStore>();
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        store->CaptureBuffer[2 * i] = static_cast<std::int16_t>(int(i % 4001) - 2000);
        store->CaptureBuffer[2 * i + 1] = static_cast<std::int16_t>(2047 - int(i % 4095));
    }
    const char* atZero = "M10,0\nL10,788\nM10,394\nL1511,394\n";
    const char* start = "M10,788\nL10,787\nL10,787\nL11,787\nL11,787\n";
    // Sweep row, scope 1, spectrum 1, scope 2, spectrum 2, SyncPosition, SyncLevel, the
    // XY pair count; the trigger markers, the start of the XY figure and the pens.
    const std::tuple<int, std::string, int, int, std::uint32_t, const char*, const char*,
                     const char*>
        rows[] = {{1, "0000", 0, 0, 0, atZero, "", "grey 18, lime 2"},
                  {1, "1000", 1024, 0, 0, "M760,0\nL760,788\nM10,394\nL1511,394\n", "",
                   "grey 18, lime 2, red 2049"},
                  {1, "0010", 2048, 0, 0, "M1511,0\nL1511,788\nM10,394\nL1511,394\n", "",
                   "grey 18, lime 2, blue 2049"},
                  {1, "0001", 0, 2000, 0, "M10,0\nL10,788\nM10,9\nL1511,9\n", "",
                   "grey 18, lime 2, maroon 1024"},
                  {1, "0100", 0, 0, 0, atZero, "", "grey 18, lime 2, teal 1024"},
                  {1, "1111", 0, 0, 0, atZero, "",
                   "grey 18, lime 2, red 2049, teal 1024, blue 2049, maroon 1024"},
                  {0, "1111", 0, 0, 0, atZero, "M10,788\n", "grey 18, lime 2, green 0"},
                  {0, "1111", 0, 0, 1, atZero, "M10,788\n", "grey 18, lime 2, green 0"},
                  {0, "1111", 0, 0, 5, atZero, start, "grey 18, lime 2, green 4"},
                  {0, "1111", 0, 0, 5000, atZero, start, "grey 18, lime 2, green 2047"},
                  {0, "1111", 0, 0, 0xFFFFFFFF, atZero, start, "grey 18, lime 2, green 2047"}};
    for (const auto& [sweepRow, boxes, position, level, count, markers, figure, pens] : rows) {
        SCOPED_TRACE(boxes + " " + std::to_string(count));
        ScreenInputs in = kWindow;
        std::tie(in.sweepRow, in.syncPosition, in.syncLevel) = std::tie(sweepRow, position, level);
        for (int c = 0; c < 2; ++c)
            std::tie(in.scope[c], in.fft[c]) =
                std::pair(boxes[2 * c] == '1', boxes[2 * c + 1] == '1');
        std::memcpy(store->RxBuffer.data() + 4, &count, 4);
        const RecordingCanvas canvas = Redraw(in, *store).first;
        EXPECT_EQ(Pens(canvas), pens);
        EXPECT_EQ(Drawn(canvas, kLime) + Drawn(canvas, kGreen, 5), std::string(markers) + figure);
        EXPECT_EQ(Texts(canvas), ExpectedTexts(in.scope[0] || in.scope[1], in.fft[0] || in.fft[1]));
        if (count > 2048) {
            EXPECT_EQ(canvas.LinesIn(kGreen).back().x, 2047 * 1501 / 4000 + 10);
        }
    }
}

// A reference taken on x1 +-2 V (channel 1) and x10 +-20 V (channel 2), drawn on x1
// +-8 V: its -1000 counts land at -250 (row 345), its 400 at 1000 (row 586), dimmed
// and before the live traces. A screen with no range draws no reference.
TEST(RedrawScreen, ReferenceScaledIntoTheScreensRange) {
    FloatFrame frame;
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        frame.samples[2 * i] = -1000.0f;
        frame.samples[2 * i + 1] = 400.0f;
    }
    const ReferenceDrawing reference{&frame, {1, 0}, {6, 6}};
    ScreenInputs in = {1511, 899, 10, 11, 99, 1, {1, 1}, {4, 4}};
    in.references = {&reference, 1};
    const auto store = std::make_unique<CaptureStore>();
    auto [canvas, area] = Redraw(in, *store);
    for (const auto& [color, y] : {std::pair(0x000099, 345), std::pair(0x990000, 586)}) {
        std::string expected = Point('M', 10, y);
        for (int i = 1; i < int(kSamplePairs); ++i)
            expected += Point('L', SweepX(area, i), y);
        EXPECT_EQ(Drawn(canvas, tk::Color(color)), expected);
    }
    const auto& calls = canvas.Calls();
    const auto firstIn = [&](tk::Color color) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const auto& c) { return c.op == Op::LineTo && c.color == color; });
    };
    EXPECT_LT(firstIn(0x990000), firstIn(kRed));
    in.rangeRow[0] = -1;
    EXPECT_EQ(Drawn(Redraw(in, *store).first, 0x000099), "");
}
