#include "view/redraw_screen.h"

#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using duruz::CaptureStore;
using duruz::ScreenInputs;
using tk::RecordingCanvas;
using Op = tk::RecordingCanvas::Op;

namespace {

constexpr tk::Color kGrey = 0x808080, kRed = 0x0000FF, kBlue = 0xFF0000, kLime = 0x00FF00,
                    kGreen = 0x008000, kTeal = 0x808000, kMaroon = 0x000080;

ScreenInputs WindowInputs() {
    ScreenInputs in;
    in.clientWidth = 1511;
    in.clientHeight = 899;
    in.levelBarWidth = 10;
    in.positionBarHeight = 11;
    in.controlsHeight = 99;
    in.sweepRow = 1;
    in.probeRow[0] = in.probeRow[1] = 1;
    in.rangeRow[0] = in.rangeRow[1] = 0;
    in.scope[0] = in.scope[1] = true;
    in.fft[0] = in.fft[1] = false;
    return in;
}

void SetPairCount(CaptureStore& store, std::uint32_t count) {
    std::memcpy(store.RxBuffer.data() + 4, &count, 4);
}

struct Redraw {
    RecordingCanvas canvas;
    duruz::PlotArea area;
};

std::unique_ptr<Redraw> Redrawn(const ScreenInputs& in, const CaptureStore& store) {
    auto result = std::make_unique<Redraw>();
    duruz::SpectrumWorkArea work{};
    result->area = duruz::RedrawScreen(result->canvas, in, store, work);
    return result;
}

std::vector<std::string> TextsIn(const RecordingCanvas& canvas, const std::string& suffix) {
    std::vector<std::string> out;
    for (const auto& c : canvas.Of(Op::Text))
        if (c.text.size() >= suffix.size() &&
            c.text.compare(c.text.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(c.text);
    return out;
}

constexpr int kGridY[9] = {78, 157, 236, 315, 394, 472, 551, 630, 709};
constexpr int kGridX[9] = {160, 310, 460, 610, 760, 910, 1060, 1210, 1360};

} // namespace

TEST(RedrawScreen, PlotAreaGraticuleAndClear) {
    auto store = std::make_unique<CaptureStore>();
    const auto r = Redrawn(WindowInputs(), *store);
    EXPECT_EQ(r->area.left, 10);
    EXPECT_EQ(r->area.width, 1501);
    EXPECT_EQ(r->area.height, 788);

    const auto& calls = r->canvas.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].op, Op::Fill);
    EXPECT_EQ(calls[0].x, 0);
    EXPECT_EQ(calls[0].y, 0);
    EXPECT_EQ(calls[0].x2, 1511);
    EXPECT_EQ(calls[0].y2, 899);

    // Grey lines: per g a horizontal one ending at x = width, then a vertical one.
    std::vector<RecordingCanvas::Call> grey;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].op == Op::LineTo && calls[i].color == kGrey)
            grey.push_back(calls[i - 1]), grey.push_back(calls[i]);
    ASSERT_EQ(grey.size(), 36u);
    for (int g = 0; g < 9; ++g) {
        const auto* h = &grey[4 * g];
        EXPECT_EQ(h[0].op, Op::MoveTo);
        EXPECT_EQ(h[0].x, 10);
        EXPECT_EQ(h[0].y, kGridY[g]);
        EXPECT_EQ(h[1].x, 1501);
        EXPECT_EQ(h[1].y, kGridY[g]);
        EXPECT_EQ(h[2].op, Op::MoveTo);
        EXPECT_EQ(h[2].x, kGridX[g]);
        EXPECT_EQ(h[2].y, 0);
        EXPECT_EQ(h[3].x, kGridX[g]);
        EXPECT_EQ(h[3].y, 788);
    }
}

TEST(RedrawScreen, LabelTextsColoursAndPositions) {
    auto store = std::make_unique<CaptureStore>();
    ScreenInputs in = WindowInputs();
    in.probeRow[1] = 0; // channel 2: x10, +-240 V
    in.fft[1] = true;
    const auto r = Redrawn(in, *store);

    const char* red[9] = {"  19.2 V", "  14.4 V", "   9.6 V", "   4.8 V", "   0.0 V",
                          "-  4.8 V", "-  9.6 V", "- 14.4 V", "- 19.2 V"};
    const auto texts = r->canvas.Of(Op::Text);
    ASSERT_EQ(texts.size(), 9u * 4u);
    for (int g = 0; g < 9; ++g) {
        const auto* t = &texts[4 * g];
        EXPECT_EQ(t[0].text, red[g]);
        EXPECT_EQ(t[0].color, kRed);
        EXPECT_EQ(t[0].x, 20);
        EXPECT_EQ(t[0].y, kGridY[g] + 4);
        EXPECT_EQ(t[1].color, kBlue);
        EXPECT_EQ(t[1].x, 1501 - 50);
        EXPECT_EQ(t[1].y, kGridY[g] + 4);
        EXPECT_EQ(t[2].text, std::to_string(2 * (g + 1)) + " mSec");
        EXPECT_EQ(t[2].color, kBlue);
        EXPECT_EQ(t[2].x, kGridX[g] - 20);
        EXPECT_EQ(t[2].y, 10);
        EXPECT_EQ(t[3].text, std::to_string(5 * (g + 1)) + " KHz");
        EXPECT_EQ(t[3].color, kBlue);
        EXPECT_EQ(t[3].x, kGridX[g] - 20);
        EXPECT_EQ(t[3].y, 788 - 16);
    }
    EXPECT_EQ(texts[1].text, " 192.0 V");
    EXPECT_EQ(texts[4 * 4 + 1].text, "   0.0 V");
    EXPECT_EQ(texts[4 * 8 + 1].text, "-192.0 V");
}

TEST(RedrawScreen, SamplesMapToTheFullHeight) {
    auto store = std::make_unique<CaptureStore>();
    store->CaptureBuffer[0] = -2047;
    store->CaptureBuffer[2] = 0;
    store->CaptureBuffer[4] = 2047;
    store->CaptureBuffer[2 * 2047] = 2047;
    ScreenInputs in = WindowInputs();
    in.scope[1] = false;
    const auto r = Redrawn(in, *store);

    const auto& calls = r->canvas.Calls();
    std::size_t start = 0;
    while (start < calls.size() && !(calls[start].op == Op::PenColor && calls[start].color == kRed))
        ++start;
    ASSERT_LT(start + 4, calls.size());
    // The line along the top edge, then the move to the first sample.
    EXPECT_EQ(calls[start + 1].op, Op::MoveTo);
    EXPECT_EQ(calls[start + 1].x, 0);
    EXPECT_EQ(calls[start + 1].y, 0);
    EXPECT_EQ(calls[start + 2].op, Op::LineTo);
    EXPECT_EQ(calls[start + 2].x, 1501);
    EXPECT_EQ(calls[start + 2].y, 0);
    EXPECT_EQ(calls[start + 3].op, Op::MoveTo);
    EXPECT_EQ(calls[start + 3].x, 10);
    EXPECT_EQ(calls[start + 3].y, 0);

    const auto trace = r->canvas.LinesIn(kRed);
    ASSERT_EQ(trace.size(), 1u + 2048u);
    EXPECT_EQ(trace[1].x, 10);
    EXPECT_EQ(trace[1].y, 0);
    EXPECT_EQ(trace[2].x, 10);
    EXPECT_EQ(trace[2].y, 394);
    EXPECT_EQ(trace[3].x, 11);
    EXPECT_EQ(trace[3].y, 788);
    EXPECT_EQ(trace[4].y, 394);
    EXPECT_EQ(trace[2048].x, 10 + 1500);
    EXPECT_EQ(trace[2048].y, 788);
    EXPECT_TRUE(r->canvas.LinesIn(kBlue).empty());
}

TEST(RedrawScreen, TriggerMarkers) {
    auto store = std::make_unique<CaptureStore>();
    for (int position : {0, 1024, 2048}) {
        ScreenInputs in = WindowInputs();
        in.syncPosition = position;
        in.syncLevel = 0;
        const auto r = Redrawn(in, *store);
        const auto& calls = r->canvas.Calls();
        const auto lime = r->canvas.LinesIn(kLime);
        ASSERT_EQ(lime.size(), 2u);
        const int x = position == 0 ? 10 : position == 1024 ? 10 + 750 : 10 + 1501;
        EXPECT_EQ(lime[0].x, x) << position;
        EXPECT_EQ(lime[0].y, 788);
        EXPECT_EQ(lime[1].x, 10 + 1501);
        // Level 0 lies where a sample of 0 is drawn.
        EXPECT_EQ(lime[1].y, (-2047 * 788) / -4094);
        std::size_t i = 0;
        while (!(calls[i].op == Op::LineTo && calls[i].color == kLime))
            ++i;
        EXPECT_EQ(calls[i - 1].op, Op::MoveTo);
        EXPECT_EQ(calls[i - 1].x, x);
        EXPECT_EQ(calls[i - 1].y, 0);
        EXPECT_EQ(calls[i + 1].op, Op::MoveTo);
        EXPECT_EQ(calls[i + 1].x, 10);
    }
    ScreenInputs in = WindowInputs();
    in.syncLevel = 2000; // XY mode's level: near the top, where a sample of -2000 lies
    const auto r = Redrawn(in, *store);
    EXPECT_EQ(r->canvas.LinesIn(kLime)[1].y, ((-2000 + 2047) * 788) / 4094);
}

TEST(RedrawScreen, XyModeDrawsOnlyTheFigureAfterTheFrame) {
    auto store = std::make_unique<CaptureStore>();
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        store->CaptureBuffer[2 * i] = static_cast<std::int16_t>(int(i % 4001) - 2000);
        store->CaptureBuffer[2 * i + 1] = static_cast<std::int16_t>(2047 - int(i % 4095));
    }
    ScreenInputs in = WindowInputs();
    in.sweepRow = 0;
    in.fft[0] = in.fft[1] = true; // ignored in XY mode, but the KHz labels stay

    const std::pair<std::uint32_t, std::size_t> cases[] = {
        {0, 0}, {1, 0}, {5, 4}, {5000, 2047}, {0xFFFFFFFF, 2047}};
    for (const auto& [count, lines] : cases) {
        SetPairCount(*store, count);
        const auto r = Redrawn(in, *store);
        const auto figure = r->canvas.LinesIn(kGreen);
        EXPECT_EQ(figure.size(), lines) << count;
        // Nothing but grey, lime and green lines; no traces, no spectra.
        for (const auto& c : r->canvas.Of(Op::LineTo))
            ASSERT_TRUE(c.color == kGrey || c.color == kLime || c.color == kGreen) << count;
        EXPECT_EQ(r->canvas.Of(Op::LineTo).size(), 18u + 2u + lines);
        EXPECT_EQ(TextsIn(r->canvas, "KHz").size(), 9u);
        EXPECT_EQ(TextsIn(r->canvas, "mSec").size(), 9u);
        // The figure's move is the last move.
        const auto moves = r->canvas.Of(Op::MoveTo);
        EXPECT_EQ(moves.back().x, 10);  // X(-2000) = left
        EXPECT_EQ(moves.back().y, 788); // Y(2047) = height
        EXPECT_EQ(moves.back().color, kGreen);
        if (lines == 4) {
            EXPECT_EQ(figure[0].x, (1 * 1501) / 4000 + 10);
            EXPECT_EQ(figure[0].y, (4092 * 788) / 4094);
            EXPECT_EQ(figure[3].x, (4 * 1501) / 4000 + 10);
        }
        if (lines == 2047) {
            EXPECT_EQ(figure.back().x, ((2047 - 2000 + 2000) * 1501) / 4000 + 10);
        }
    }
}

TEST(RedrawScreen, CheckBoxesChooseLabelsTracesAndSpectra) {
    auto store = std::make_unique<CaptureStore>();
    struct Case {
        bool scope1, scope2, fft1, fft2;
    };
    const Case cases[] = {{false, false, false, false}, {true, false, false, false},
                          {false, true, false, false},  {false, false, false, true},
                          {false, false, true, false},  {true, true, true, true}};
    for (const Case& c : cases) {
        ScreenInputs in = WindowInputs();
        in.scope[0] = c.scope1;
        in.scope[1] = c.scope2;
        in.fft[0] = c.fft1;
        in.fft[1] = c.fft2;
        const auto r = Redrawn(in, *store);
        const std::string name = std::to_string(c.scope1) + std::to_string(c.scope2) +
                                 std::to_string(c.fft1) + std::to_string(c.fft2);
        EXPECT_EQ(TextsIn(r->canvas, "mSec").size(), c.scope1 || c.scope2 ? 9u : 0u) << name;
        EXPECT_EQ(TextsIn(r->canvas, "KHz").size(), c.fft1 || c.fft2 ? 9u : 0u) << name;
        EXPECT_EQ(r->canvas.LinesIn(kRed).size(), c.scope1 ? 2049u : 0u) << name;
        EXPECT_EQ(r->canvas.LinesIn(kBlue).size(), c.scope2 ? 2049u : 0u) << name;
        EXPECT_EQ(r->canvas.LinesIn(kTeal).size(), c.fft1 ? 1024u : 0u) << name;
        EXPECT_EQ(r->canvas.LinesIn(kMaroon).size(), c.fft2 ? 1024u : 0u) << name;
    }

    // Channel 1's trace and spectrum come before channel 2's.
    ScreenInputs in = WindowInputs();
    in.fft[0] = in.fft[1] = true;
    const auto r = Redrawn(in, *store);
    std::vector<tk::Color> order;
    for (const auto& call : r->canvas.Of(Op::PenColor))
        order.push_back(call.color);
    const std::vector<tk::Color> expected = {kGrey, kLime, kRed, kTeal, kBlue, kMaroon};
    EXPECT_EQ(order, expected);
}

TEST(RedrawScreen, UnselectedRangeDrawsZeroLabelsInsteadOfReadingPastTheTable) {
    auto store = std::make_unique<CaptureStore>();
    ScreenInputs in = WindowInputs();
    in.rangeRow[0] = -1;
    in.probeRow[1] = 7;
    const auto r = Redrawn(in, *store);
    const auto texts = r->canvas.Of(Op::Text);
    EXPECT_EQ(texts[0].text, "   0.0 V");
    EXPECT_EQ(texts[1].text, "  19.2 V"); // probe row 7 read as x1
}
