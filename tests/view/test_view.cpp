#include "view/diagnostic_log.h"
#include "view/division_table.h"
#include "view/fft_stages.h"
#include "view/redraw_screen.h"
#include "view/screen_geometry.h"
#include "view/spectrum_view.h"
#include "view/volt_label.h"

#include "support/temp_folder.h"
#include "toolkit/recording_canvas.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace duruz;
using tk::RecordingCanvas;
using Op = RecordingCanvas::Op;
using Signal = std::vector<ComplexFloat>;
namespace fs = std::filesystem;

namespace reference {

// Straight scalar transcriptions of the transform and its split for sizes 2..4,096,
// one operation after another: the vectorised paths must give the same bits.
void Fft(ComplexFloat* data, int n) {
    const int m = std::countr_zero(unsigned(n)), s = 12 - m; // the table stride is 2^s
    for (int i = 0; i < m; ++i) {
        const int h = n >> (i + 1);
        for (int e = 0; e < n; e += 2 * h)
            for (int j = e; j < e + h; ++j) {
                const int k = BitReverseTable[(j >> (m - 1 - i)) << s] << s;
                const float c = SineTable[k + 1024], sn = SineTable[k];
                const float tr = c * data[j + h].re + sn * data[j + h].im,
                            ti = c * data[j + h].im - sn * data[j + h].re;
                data[j + h] = {data[j].re - tr, data[j].im - ti};
                data[j] = {data[j].re + tr, data[j].im + ti};
            }
    }
    for (int i = 0; i < n; ++i)
        if (const int r = BitReverseTable[i << s]; i < r)
            std::swap(data[i], data[r]);
}

void Split(ComplexFloat* data, int n) {
    const int s = 12 - std::countr_zero(unsigned(n));
    for (int i = 0; i < n / 2; ++i) {
        const int p = (n - i) % n, ki = (i << s) / 2, kp = (p << s) / 2;
        const ComplexFloat a = data[i], b = data[p];
        const float sr = a.re + b.re, si = a.im + b.im, dr = a.re - b.re, di = a.im - b.im;
        const float ci = SineTable[ki + 1024], sni = SineTable[ki];
        const float cp = SineTable[kp + 1024], snp = SineTable[kp];
        data[i] = {0.5f * (sr + ci * si - sni * dr), 0.5f * (di - sni * si - ci * dr)};
        data[p] = {0.5f * (sr + cp * si + snp * dr), 0.5f * (-di - snp * si + cp * dr)};
    }
}

} // namespace reference

namespace {

Signal RandomSignal(std::size_t n, unsigned seed, float range = 1.0f) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-range, range);
    Signal data(n);
    for (ComplexFloat& z : data)
        z = {uniform(generator), uniform(generator)};
    return data;
}

bool SameBits(const ComplexFloat* a, const ComplexFloat* b, std::size_t n) {
    return std::memcmp(a, b, n * sizeof(ComplexFloat)) == 0;
}

constexpr tk::Color kGrey = 0x808080, kRed = 0x0000FF, kBlue = 0xFF0000, kLime = 0x00FF00,
                    kGreen = 0x008000, kTeal = 0x808000, kMaroon = 0x000080;
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

// The pen colours in the order they were set, each with the lines drawn in it.
std::string Pens(const RecordingCanvas& canvas) {
    static const std::map<tk::Color, std::string> names = {
        {kGrey, "grey"}, {kLime, "lime"},     {kRed, "red"},    {kTeal, "teal"},
        {kBlue, "blue"}, {kMaroon, "maroon"}, {kGreen, "green"}};
    std::string out;
    for (const auto& c : canvas.Of(Op::PenColor))
        out += ", " + names.at(c.color) + " " + std::to_string(canvas.LinesIn(c.color).size());
    return out.substr(2);
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

// Writes one block per pair count into a new file and returns its bytes.
std::string Dump(duruz::CaptureStore& store, const std::vector<std::uint32_t>& counts) {
    const testing_support::TempFolder folder;
    for (std::uint32_t count : counts) {
        std::memcpy(store.RxBuffer.data() + 4, &count, 4);
        EXPECT_TRUE(duruz::WriteDiagnosticLog(folder.File("Log.Txt"), store, {1, 0, 512, -300}));
    }
    return testing_support::ReadFile(folder.File("Log.Txt"));
}

// The four header lines for the given words 1 and 2.
std::string Header(const std::string& words1And2) {
    return "Info2 48784878 " + words1And2 +
           " 1003 1004 1007 1 0 -300 1012 1013\r 1008 1009 1010 1011\r    1012 1013 1014\r"
           " >1015 >1016 >1017 >1018 >1019 >1020 >1021 >1022 >1023\r";
}

std::string ZeroPairs(int from, int to) {
    std::string out;
    for (char line[64]; from < to; ++from)
        out.append(line, std::snprintf(line, sizeof line,
                                       "%4d,     0,     0, 00000000, 00000000\r\n", from));
    return out;
}

} // namespace

// 1,000 transforms the first 512 elements as 512 would; below 2 nothing changes;
// above 4,096 and negative sizes (huge when read unsigned) transform 4,096. The
// elements from N on stay as they were, for the split as well.
TEST(SpectrumTransform, SizesOutsideTheContract) {
    const Signal input = RandomSignal(4100, 7);
    const int cases[][2] = {{1000, 512}, {0, 0},        {1, 0},         {4097, 4096},
                            {-1, 4096},  {-4096, 4096}, {1 << 20, 4096}};
    for (const auto& [n, as] : cases) {
        Signal data = input, expected = input;
        duruz::ComplexFft(data.data(), n);
        if (as > 0)
            duruz::ComplexFft(expected.data(), as);
        EXPECT_TRUE(SameBits(data.data(), expected.data(), input.size())) << n;
        data = input;
        duruz::RealFftSplit(data.data(), n);
        const std::size_t from = n < 2 ? 0 : 4096;
        EXPECT_TRUE(SameBits(data.data() + from, input.data() + from, input.size() - from)) << n;
    }
}

// The transform and its split against a double-precision DFT of the 2,048 real
// samples packed pairwise: independent of the tables, within float rounding.
TEST(SpectrumTransform, MatchesADoublePrecisionDft) {
    constexpr std::size_t n = 1024;
    const Signal input = RandomSignal(n, 5);
    Signal data = input;
    ComplexFft(data.data(), n);
    RealFftSplit(data.data(), n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> x;
        for (std::size_t t = 0; t < 2 * n; ++t)
            x += double(t % 2 == 0 ? input[t / 2].re : input[t / 2].im) *
                 std::exp(std::complex<double>(0, -std::numbers::pi * double(k * t) / n));
        x = k == n / 2 ? std::conj(x) : x;
        ASSERT_NEAR(data[k].re, x.real(), 1e-3) << k;
        ASSERT_NEAR(data[k].im, x.imag(), 1e-3) << k;
    }
}

// 5119 is the cosine of one step; the zeros compare bit for bit, sign included.
TEST(SineTable, HoldsTheSixDecimalValuesWithTheirSignedZeros) {
    const std::pair<int, float> entries[] = {{1, 0.001534f},    {1024, 1.0f}, {3072, -1.0f},
                                             {5119, 0.999999f}, {0, 0.0f},    {2048, 0.0f},
                                             {4096, -0.0f}};
    for (const auto& [k, value] : entries)
        EXPECT_EQ(std::memcmp(&SineTable[k], &value, sizeof value), 0) << k;
}

// Every size 2..4,096 through each kind of stages, then the split, against the
// reference, bit for bit; the last round has a negative zero. Kinds this build or
// processor lacks are skipped, saying so, once the others have passed.
TEST(SpectrumTransform, StagesBitIdenticalToTheScalarReference) {
    const std::pair<const char*, FftStagesFunction> kinds[] = {
        {"scalar", &FftStagesScalar}, {"SSE2", kFftStagesSse2}, {"AVX", FftStagesAvx()}};
    std::string missing;
    for (const auto& [kind, stages] : kinds) {
        if (stages == nullptr)
            missing += std::string(" ") + kind;
        for (int n = 2; n <= 4096 && stages != nullptr; n *= 2)
            for (unsigned round = 0; round < 3; ++round) {
                Signal data = RandomSignal(std::size_t(n), 10000 * round + unsigned(n), 30000.0f);
                if (round == 2)
                    data[1] = {-0.0f, 0.0f};
                Signal expected = data;
                ComplexFftWith(stages, data.data(), n);
                RealFftSplit(data.data(), n);
                reference::Fft(expected.data(), n);
                reference::Split(expected.data(), n);
                ASSERT_TRUE(SameBits(data.data(), expected.data(), data.size()))
                    << kind << " " << n;
            }
    }
    if (!missing.empty())
        GTEST_SKIP() << "no stages for" << missing << " in this build or on this processor";
}

// A cosine of amplitude 1,000 at bin 100 gives about 1,100 there and half of that
// beside it, 211 pixels up; a constant 100 about 220 at bin 0 and 110 at bin 1. Every
// other bin is exactly 0, flat on the centre line. The other channel holds full-range
// noise, which must not leak in. The transform itself is held to the reference above.
TEST(SpectrumView, MagnitudesAndTheirLineAcrossThePlotArea) {
    const auto cosine = [](double i) {
        return std::lround(1000 * std::cos(2 * std::numbers::pi * 100 * i / 2048));
    };
    const std::tuple<int, long (*)(double), std::map<int, int>, int> cases[] = {
        {0, cosine, {{99, 550}, {100, 1100}, {101, 550}}, 2},
        {1, [](double) { return 100L; }, {{0, 220}, {1, 110}}, 1}};
    std::mt19937 generator(5);
    for (const auto& [channel, samples, peaks, tolerance] : cases) {
        SCOPED_TRACE(::testing::Message() << "channel " << channel << ", " << peaks.size());
        auto store = std::make_unique<CaptureStore>();
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
            store->CaptureBuffer[2 * i + channel] = static_cast<std::int16_t>(samples(double(i)));
            store->CaptureBuffer[2 * i + 1 - channel] = static_cast<std::int16_t>(generator());
        }
        std::array<ComplexFloat, 1024> work{};
        duruz::SpectrumMagnitudes m{};
        duruz::ComputeSpectrum(*store, 1 - channel, work, m); // the work area is reused
        duruz::ComputeSpectrum(*store, channel, work, m);
        RecordingCanvas canvas;
        duruz::DrawSpectrum(canvas, {10, 1501, 788}, channel, *store, work);
        // The line ends about one pixel short of the right edge.
        std::string line = Point('M', 10, 394 - 788 * m[0] / 4094);
        for (int k = 0; k < 1024; ++k) {
            const bool peak = peaks.contains(k);
            EXPECT_NEAR(m[k], peak ? peaks.at(k) : 0, peak ? tolerance : 0) << k;
            line += Point('L', 10 + 1501 * k / 1024, 394 - 788 * m[k] / 4094);
        }
        EXPECT_EQ(Pens(canvas) + "\n" + Drawn(canvas, channel == 0 ? kTeal : kMaroon),
                  (channel == 0 ? "teal 1024\n" : "maroon 1024\n") + line);
    }
}

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

// Out of the label's reach the digits wrap, taken from the true magnitude of INT_MIN.
TEST(VoltLabel, FormsEightCharactersWithTheSignInColumnOneFromAGuardedDivisionTable) {
    const std::pair<int, const char*> rows[] = {
        {19200, "  19.2 V"},   {192000, " 192.0 V"}, {0, "   0.0 V"},      {800, "   0.8 V"},
        {-800, "-  0.8 V"},    {-4800, "-  4.8 V"},  {-19200, "- 19.2 V"}, {99, "   0.0 V"},
        {-192000, "-192.0 V"}, {INT_MIN, "-483.6 V"}};
    for (const auto& [millivolts, text] : rows)
        EXPECT_STREQ(duruz::VoltLabel(millivolts).c_str(), text) << millivolts;
    // A probe row outside the table reads as x1; no range selection reads the zero entry.
    const int divisions[][3] = {{1, 0, 48}, {1, 7, 2},  {0, 3, 240}, {-1, 0, 48},
                                {2, 1, 40}, {0, -1, 0}, {1, 8, 0},   {1, 1000, 0}};
    for (const auto& [probe, range, tenths] : divisions)
        EXPECT_EQ(duruz::DivisionTenths(probe, range), tenths) << probe << " " << range;
}

// Header word 0 is the frame marker, word n otherwise 1000 + n; the samples are 0
// unless set.
TEST(DiagnosticLog, BlockBytesForEachPairCountAndNoFolder) {
    const auto store = std::make_unique<duruz::CaptureStore>();
    for (std::uint32_t n = 0; n < 32; ++n) {
        const std::uint32_t word = n == 0 ? duruz::kFrameMarker : 1000 + n;
        std::memcpy(store->RxBuffer.data() + 4 * n, &word, 4);
    }
    // A header-only block, then a second one appended after it.
    EXPECT_EQ(Dump(*store, {0, 5}), Header("0 1002") + Header("5 1002") + ZeroPairs(0, 5));
    // Above 2,048, or negative read as signed: every pair the store holds.
    store->CaptureBuffer[2 * 2047] = -7;
    for (std::uint32_t count : {2049u, 100000u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(Dump(*store, {count}), Header(std::to_string(std::int32_t(count)) + " 1002") +
                                             ZeroPairs(0, 2047) +
                                             "2047,    -7,     0, FFFFFFF9, 00000000\r\n")
            << count;

    std::memcpy(store->RxBuffer.data() + 8, "\xFF\xFF\xFF\xFF", 4); // word 2: -1
    store->CaptureBuffer[0] = store->CaptureBuffer[1] = -1;
    // Pair 13 lies beyond the count.
    std::tie(store->CaptureBuffer[24], store->CaptureBuffer[25], store->CaptureBuffer[26]) =
        std::tuple(100, -2, 32767);
    EXPECT_EQ(Dump(*store, {13}), Header("13 -1") + "   0,    -1,    -1, FFFFFFFF, FFFFFFFF\r\n" +
                                      ZeroPairs(1, 12) +
                                      "  12,   100,    -2, 00000064, FFFFFFFE\r\n");

    // A missing folder, or no path at all, writes nothing.
    const testing_support::TempFolder folder;
    EXPECT_FALSE(duruz::WriteDiagnosticLog(folder.File("absent/Log.Txt"), *store, {}));
    EXPECT_FALSE(fs::exists(folder.File("absent")));
    EXPECT_FALSE(duruz::WriteDiagnosticLog("", *store, {}));
}
