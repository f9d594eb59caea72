#include "view/redraw_screen.h"

#include "view/sample_scale.h"
#include "view/screen_geometry.h"
#include "view/spectrum_view.h"
#include "view/trace_colors.h"
#include "view/volt_label.h"

#include <algorithm>
#include <cstdio>

namespace duruz {

namespace {

constexpr tk::Color kGrey = 0x808080;
constexpr tk::Color kLime = 0x00FF00;

void DrawGraticule(tk::Canvas& canvas, const PlotArea& area, const ScreenInputs& inputs) {
    const bool timeLabels = inputs.scope[0] || inputs.scope[1];
    const bool frequencyLabels = inputs.fft[0] || inputs.fft[1];
    char text[32];

    canvas.SetPenColor(kGrey);
    for (int g = 1; g <= 9; ++g) {
        const std::int32_t y = GraticuleY(g, area.height);
        const std::int32_t x = GraticuleX(g, area);
        // The horizontal lines stop at x = width, left pixels short of the edge.
        canvas.MoveTo(area.left, y);
        canvas.LineTo(area.width, y);
        canvas.SetFontColor(kTraceColors[0]);
        canvas.TextOut(
            20, y + 4,
            VoltLabel(GraticuleMillivolts(inputs.probeRow[0], inputs.rangeRow[0], 5 - g)).c_str());
        canvas.SetFontColor(kTraceColors[1]);
        canvas.TextOut(
            area.width - 50, y + 4,
            VoltLabel(GraticuleMillivolts(inputs.probeRow[1], inputs.rangeRow[1], 5 - g)).c_str());
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, area.height);
        if (timeLabels) {
            std::snprintf(text, sizeof text, "%d mSec", kMillisecondsPerDivision * g);
            canvas.TextOut(x - 20, 10, text);
        }
        if (frequencyLabels) {
            std::snprintf(text, sizeof text, "%d KHz", 5 * g);
            canvas.TextOut(x - 20, area.height - 16, text);
        }
    }
}

void DrawTriggerMarkers(tk::Canvas& canvas, const PlotArea& area, const ScreenInputs& inputs) {
    canvas.SetPenColor(kLime);
    const std::int32_t x = SweepX(area, inputs.syncPosition);
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, area.height);
    // Where a sample equal to -SyncLevel, the level sent to the instrument, lies.
    const std::int32_t y = SampleY(-inputs.syncLevel, area.height);
    canvas.MoveTo(area.left, y);
    canvas.LineTo(area.left + area.width, y);
}

template <typename Frame>
void DrawXyFigure(tk::Canvas& canvas, const PlotArea& area, const Frame& store) {
    canvas.SetPenColor(kXyFigureColor);
    const std::uint32_t count = FramePoints(store);
    canvas.MoveTo(XyX(store.Sample(0, 0), area), SampleY(store.Sample(0, 1), area.height));
    for (std::uint32_t i = 1; i < count; ++i)
        canvas.LineTo(XyX(store.Sample(i, 0), area), SampleY(store.Sample(i, 1), area.height));
}

template <typename Frame>
void DrawTrace(tk::Canvas& canvas, const PlotArea& area, const Frame& store, int channel) {
    canvas.SetPenColor(kTraceColors[channel & 1]);
    canvas.MoveTo(0, 0);
    canvas.LineTo(area.width, 0);
    canvas.MoveTo(area.left, SampleY(store.Sample(0, channel), area.height));
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(kSamplePairs); ++i)
        canvas.LineTo(SweepX(area, i), SampleY(store.Sample(i, channel), area.height));
}

// The reference's counts in its own volts, as counts of the screen's range: a frame
// taken on +-2 V lands at its volts on +-8 V. Past the screen's edge it runs along it.
void DrawReference(tk::Canvas& canvas, const PlotArea& area, const ScreenInputs& inputs,
                   const ReferenceDrawing& reference, int channel) {
    const double screenVoltsPerCount =
        VoltsPerCount(inputs.probeRow[channel], inputs.rangeRow[channel]);
    const double ownVoltsPerCount =
        VoltsPerCount(reference.probeRow[channel], reference.rangeRow[channel]);
    if (screenVoltsPerCount == 0.0 || ownVoltsPerCount == 0.0)
        return;
    const double scale = ownVoltsPerCount / screenVoltsPerCount;
    const auto y = [&](std::int32_t i) {
        const double count =
            std::clamp(double(reference.frame->Sample(std::size_t(i), channel)) * scale,
                       -double(kFullScaleCount), double(kFullScaleCount));
        return SampleY(count, area.height);
    };
    canvas.SetPenColor(kReferenceColors[channel & 1]);
    canvas.MoveTo(area.left, y(0));
    for (std::int32_t i = 1; i < static_cast<std::int32_t>(kSamplePairs); ++i)
        canvas.LineTo(SweepX(area, i), y(i));
}

template <typename Frame>
PlotArea RedrawAny(tk::Canvas& canvas, const ScreenInputs& inputs, const Frame& store,
                   SpectrumWorkArea& workArea) {
    const PlotArea area =
        ComputePlotArea(inputs.clientWidth, inputs.clientHeight, inputs.levelBarWidth,
                        inputs.positionBarHeight, inputs.controlsHeight);
    const bool xyMode = IsXyMode(inputs.sweepRow);

    canvas.FillBackground(0, 0, inputs.clientWidth, inputs.clientHeight);
    DrawGraticule(canvas, area, inputs);
    DrawTriggerMarkers(canvas, area, inputs);

    if (xyMode) {
        DrawXyFigure(canvas, area, store);
        return area;
    }
    for (const ReferenceDrawing& reference : inputs.references)
        for (int channel = 0; channel < 2; ++channel)
            if (inputs.scope[channel] && reference.frame != nullptr)
                DrawReference(canvas, area, inputs, reference, channel);
    for (int channel = 0; channel < 2; ++channel) {
        if (inputs.scope[channel])
            DrawTrace(canvas, area, store, channel);
        if (inputs.fft[channel])
            DrawSpectrum(canvas, area, channel, store, workArea);
    }
    return area;
}

} // namespace

PlotArea RedrawScreen(tk::Canvas& canvas, const ScreenInputs& inputs, const CaptureStore& store,
                      SpectrumWorkArea& workArea) {
    return RedrawAny(canvas, inputs, store, workArea);
}

PlotArea RedrawScreen(tk::Canvas& canvas, const ScreenInputs& inputs, const FloatFrame& frame,
                      SpectrumWorkArea& workArea) {
    return RedrawAny(canvas, inputs, frame, workArea);
}

} // namespace duruz
