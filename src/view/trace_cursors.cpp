#include "view/trace_cursors.h"

#include "view/sample_scale.h"
#include "view/screen_geometry.h"
#include "view/status_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace duruz {

namespace {

constexpr tk::Color kCursorColor = 0x0080FF; // orange, apart from the traces' colours
constexpr std::int32_t kDashPixels = 6;
constexpr std::int32_t kReadoutLeft = 70;
constexpr std::int32_t kReadoutTop = 30;
constexpr std::int32_t kReadoutLineHeight = 16;
constexpr std::int32_t kLastSample = static_cast<std::int32_t>(kSamplePairs) - 1;
constexpr std::int32_t kLastBin = kSpectrumBins - 1;

constexpr CursorId kAllCursors[kCursorCount] = {
    CursorId::Time1,  CursorId::Time2,  CursorId::Volt1,    CursorId::Volt2,
    CursorId::XVolt1, CursorId::XVolt2, CursorId::Frequency};

// The nearest whole step to span * (pixel - origin) / pixels, minus offset, kept
// within -limit..limit or 0..limit.
std::int32_t NearestStep(std::int32_t pixel, std::int32_t pixels, std::int32_t span,
                         std::int32_t offset, std::int32_t low, std::int32_t high) {
    if (pixels <= 0)
        return low;
    const double exact = double(pixel) * span / pixels - offset;
    return std::clamp(static_cast<std::int32_t>(std::lround(exact)), low, high);
}

std::int32_t& PositionOf(CursorSettings& cursors, CursorId id) {
    switch (id) {
    case CursorId::Time1:
        return cursors.time[0];
    case CursorId::Time2:
        return cursors.time[1];
    case CursorId::Volt1:
        return cursors.volt[0];
    case CursorId::Volt2:
        return cursors.volt[1];
    case CursorId::XVolt1:
        return cursors.xVolt[0];
    case CursorId::XVolt2:
        return cursors.xVolt[1];
    default:
        return cursors.bin;
    }
}

std::string Volts(double volts) {
    return Engineering(volts, 3, "V");
}

std::string ChannelName(int channel) {
    return channel == 0 ? "Ch1" : "Ch2";
}

// "Ch1 V1 0.500 V  V2 -0.500 V  ΔV -1.00 V" of a pair of counts on the channel.
std::string VoltPair(const std::string& name, int channel, const std::array<std::int32_t, 2>& at,
                     const CursorReadoutInputs& in) {
    const int c = channel & 1;
    const double v1 = SampleVolts(at[0], in.probeRow[c], in.rangeRow[c]);
    const double v2 = SampleVolts(at[1], in.probeRow[c], in.rangeRow[c]);
    return name + ChannelName(c) + " V1 " + Volts(v1) + "  V2 " + Volts(v2) + "  \u0394V " +
           Volts(v2 - v1);
}

template <typename Frame>
std::string ReadoutsOf(const CursorSettings& cursors, const CursorScreen& screen,
                       const CursorReadoutInputs& in, const Frame& frame, MeasureScratch& scratch) {
    std::string lines;
    const auto addLine = [&lines](const std::string& line) {
        lines += (lines.empty() ? "" : "\n") + line;
    };
    if (CursorShown(cursors, screen, CursorId::Time1)) {
        const double t1 = SampleSeconds(cursors.time[0]);
        const double t2 = SampleSeconds(cursors.time[1]);
        const double dt = SampleSeconds(cursors.time[1] - cursors.time[0]); // exact, unlike t2 - t1
        addLine("t1 " + Engineering(t1, 4, "s") + "  t2 " + Engineering(t2, 4, "s") + "  \u0394t " +
                Engineering(dt, 4, "s") + "  1/\u0394t " +
                (dt != 0.0 ? Engineering(1.0 / dt, 4, "Hz") : "\u2014"));
        for (int c = 0; c < 2; ++c)
            if (in.shown[c])
                addLine(ChannelName(c) + " at t1 " +
                        Volts(SampleVolts(frame.Sample(cursors.time[0], c), in.probeRow[c],
                                          in.rangeRow[c])) +
                        "  at t2 " +
                        Volts(SampleVolts(frame.Sample(cursors.time[1], c), in.probeRow[c],
                                          in.rangeRow[c])));
    }
    if (CursorShown(cursors, screen, CursorId::Volt1)) {
        if (screen.xyMode) {
            addLine(VoltPair("X ", 0, cursors.xVolt, in));
            addLine(VoltPair("Y ", 1, cursors.volt, in));
        } else {
            addLine(VoltPair("", cursors.voltChannel, cursors.volt, in));
        }
    }
    if (CursorShown(cursors, screen, CursorId::Frequency)) {
        std::string line = "f " + Engineering(cursors.bin * kBinHertz, 4, "Hz");
        for (int c = 0; c < 2; ++c)
            if (in.spectrum[c])
                line += "  FFT" + std::to_string(c + 1) + " " +
                        Engineering(SpectrumBinLevel(frame, c, in.probeRow[c], in.rangeRow[c],
                                                     cursors.bin, scratch),
                                    3, "Vpk");
        addLine(line);
    }
    return lines;
}

} // namespace

bool CursorShown(const CursorSettings& cursors, const CursorScreen& screen, CursorId id) {
    switch (id) {
    case CursorId::Time1:
    case CursorId::Time2:
        return cursors.timeOn && !screen.xyMode;
    case CursorId::Volt1:
    case CursorId::Volt2:
        return cursors.voltOn;
    case CursorId::XVolt1:
    case CursorId::XVolt2:
        return cursors.voltOn && screen.xyMode;
    case CursorId::Frequency:
        return cursors.frequencyOn && screen.spectrum && !screen.xyMode;
    case CursorId::None:
        break;
    }
    return false;
}

bool IsVerticalCursor(CursorId id) {
    return id != CursorId::Volt1 && id != CursorId::Volt2;
}

std::int32_t CursorPixel(const CursorSettings& cursors, const CursorScreen& screen, CursorId id) {
    const PlotArea& area = screen.area;
    switch (id) {
    case CursorId::Time1:
    case CursorId::Time2:
        return SweepX(area, cursors.time[id == CursorId::Time2]);
    case CursorId::Volt1:
    case CursorId::Volt2:
        return SampleY(cursors.volt[id == CursorId::Volt2], area.height);
    case CursorId::XVolt1:
    case CursorId::XVolt2:
        return XyX(cursors.xVolt[id == CursorId::XVolt2], area);
    case CursorId::Frequency:
    case CursorId::None:
        break;
    }
    return BinX(area, cursors.bin);
}

std::int32_t SampleAtX(const PlotArea& area, std::int32_t x) {
    return NearestStep(x - area.left, area.width, kSamplePairs, 0, 0, kLastSample);
}

std::int32_t CountAtY(const PlotArea& area, std::int32_t y) {
    return NearestStep(y, area.height, 2 * kFullScaleCount, kFullScaleCount, -kFullScaleCount,
                       kFullScaleCount);
}

std::int32_t XyCountAtX(const PlotArea& area, std::int32_t x) {
    return NearestStep(x - area.left, area.width, 2 * kXyHalfSpan, kXyHalfSpan, -kFullScaleCount,
                       kFullScaleCount);
}

std::int32_t BinAtX(const PlotArea& area, std::int32_t x) {
    return NearestStep(x - area.left, area.width, kSpectrumBins, 0, 0, kLastBin);
}

CursorId PickCursor(const CursorSettings& cursors, const CursorScreen& screen, std::int32_t x,
                    std::int32_t y) {
    CursorId nearest = CursorId::None;
    std::int32_t nearestDistance = kCursorPickPixels + 1;
    for (const CursorId id : kAllCursors) {
        if (!CursorShown(cursors, screen, id))
            continue;
        const std::int32_t distance =
            std::abs((IsVerticalCursor(id) ? x : y) - CursorPixel(cursors, screen, id));
        if (distance < nearestDistance) {
            nearest = id;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void PlaceCursor(CursorSettings& cursors, const CursorScreen& screen, CursorId id, std::int32_t x,
                 std::int32_t y) {
    if (id == CursorId::None)
        return;
    std::int32_t& position = PositionOf(cursors, id);
    switch (id) {
    case CursorId::Time1:
    case CursorId::Time2:
        position = SampleAtX(screen.area, x);
        break;
    case CursorId::Volt1:
    case CursorId::Volt2:
        position = CountAtY(screen.area, y);
        break;
    case CursorId::XVolt1:
    case CursorId::XVolt2:
        position = XyCountAtX(screen.area, x);
        break;
    default:
        position = BinAtX(screen.area, x);
        break;
    }
}

void StepCursor(CursorSettings& cursors, CursorId id, int steps, bool byDivision) {
    if (id == CursorId::None)
        return;
    std::int32_t& position = PositionOf(cursors, id);
    switch (id) {
    case CursorId::Time1:
    case CursorId::Time2:
        position = std::clamp(position + steps * (byDivision ? kLastSample / kDivisions : 1), 0,
                              kLastSample);
        break;
    case CursorId::Volt1:
    case CursorId::Volt2:
        // Up is towards the top, the most negative count.
        position =
            std::clamp(position - steps * (byDivision ? 2 * kFullScaleCount / kDivisions : 1),
                       -kFullScaleCount, kFullScaleCount);
        break;
    case CursorId::XVolt1:
    case CursorId::XVolt2:
        position = std::clamp(position + steps * (byDivision ? 2 * kXyHalfSpan / kDivisions : 1),
                              -kFullScaleCount, kFullScaleCount);
        break;
    default:
        position = std::clamp(position + steps * (byDivision ? kSpectrumBins / kDivisions : 1), 0,
                              kLastBin);
        break;
    }
}

CursorId NextCursor(const CursorSettings& cursors, const CursorScreen& screen, CursorId current) {
    const int start = current == CursorId::None ? kCursorCount - 1 : static_cast<int>(current);
    for (int step = 1; step <= kCursorCount; ++step) {
        const CursorId id = kAllCursors[(start + step) % kCursorCount];
        if (CursorShown(cursors, screen, id))
            return id;
    }
    return CursorId::None;
}

void DrawCursors(tk::Canvas& canvas, const CursorSettings& cursors, const CursorScreen& screen,
                 CursorId selected) {
    canvas.SetPenColor(kCursorColor);
    const PlotArea& area = screen.area;
    for (const CursorId id : kAllCursors) {
        if (!CursorShown(cursors, screen, id))
            continue;
        const std::int32_t at = CursorPixel(cursors, screen, id);
        const bool vertical = IsVerticalCursor(id);
        const std::int32_t from = vertical ? 0 : area.left;
        const std::int32_t to = vertical ? area.height : area.left + area.width;
        // Dashed, so the trace under it stays visible; the selected one whole.
        const std::int32_t dash = id == selected ? to - from : kDashPixels;
        for (std::int32_t p = from; p < to; p += 2 * dash) {
            const std::int32_t end = std::min(p + dash, to);
            canvas.MoveTo(vertical ? at : p, vertical ? p : at);
            canvas.LineTo(vertical ? at : end, vertical ? end : at);
        }
    }
}

namespace {

// The canvas writes single-byte text: the readouts' few UTF-8 signs in Windows-1252,
// delta, which it lacks, as "d".
std::string CanvasText(std::string text) {
    static constexpr std::pair<const char*, const char*> kSigns[] = {
        {"\u0394", "d"}, {"\u00b5", "\265"}, {"\u2014", "\227"}};
    for (const auto& [utf8, single] : kSigns)
        for (std::size_t at = text.find(utf8); at != std::string::npos; at = text.find(utf8, at))
            text.replace(at, std::strlen(utf8), single);
    return text;
}

} // namespace

void DrawCursorReadouts(tk::Canvas& canvas, const PlotArea& area, const std::string& utf8) {
    const std::string readouts = CanvasText(utf8);
    canvas.SetFontColor(kCursorColor);
    // Right of the volt labels and below the time labels.
    std::int32_t y = kReadoutTop;
    for (std::size_t start = 0; start < readouts.size(); y += kReadoutLineHeight) {
        const std::size_t end = std::min(readouts.find('\n', start), readouts.size());
        canvas.TextOut(area.left + kReadoutLeft, y, readouts.substr(start, end - start).c_str());
        start = end + 1;
    }
}

std::string CursorReadouts(const CursorSettings& cursors, const CursorScreen& screen,
                           const CursorReadoutInputs& in, const CaptureStore& frame,
                           MeasureScratch& scratch) {
    return ReadoutsOf(cursors, screen, in, frame, scratch);
}

std::string CursorReadouts(const CursorSettings& cursors, const CursorScreen& screen,
                           const CursorReadoutInputs& in, const FloatFrame& frame,
                           MeasureScratch& scratch) {
    return ReadoutsOf(cursors, screen, in, frame, scratch);
}

} // namespace duruz
