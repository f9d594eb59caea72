#pragma once

#include "toolkit/canvas.h"

#include <span>

namespace duruz {

// One frequency point as the response plot shows it. A point not measured has no
// gain or phase to show: it is a gap in the curves and a mark on the axis.
struct ResponsePlotPoint {
    double hertz = 0.0;
    double gainDb = 0.0;
    double phaseDegrees = 0.0;
    bool measured = false;
};

// A value axis: from low to high in steps of `step`, a grid line at each.
struct PlotScale {
    double low = 0.0;
    double high = 0.0;
    double step = 1.0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the plot puts things: gain in dB above, phase in degrees below, both against
// one logarithmic frequency axis of whole decades. The decades cover the points, the
// reference and the span asked for; the value scales fit the measured values of both.
class ResponsePlotLayout {
public:
    ResponsePlotLayout(const PixelRect& area, std::span<const ResponsePlotPoint> points,
                       std::span<const ResponsePlotPoint> reference, double lowestHertz,
                       double highestHertz);

    int X(double hertz) const;
    int GainY(double gainDb) const;
    int PhaseY(double phaseDegrees) const;

    const PixelRect& Area() const { return area_; }
    const PixelRect& GainPanel() const { return gainPanel_; }
    const PixelRect& PhasePanel() const { return phasePanel_; }
    int LowDecade() const { return lowDecade_; }
    int HighDecade() const { return highDecade_; }
    const PlotScale& GainScale() const { return gain_; }
    const PlotScale& PhaseScale() const { return phase_; }

private:
    PixelRect area_;
    PixelRect gainPanel_;
    PixelRect phasePanel_;
    int lowDecade_ = 1;  // log10 of the axis's first frequency
    int highDecade_ = 5; // and of its last
    PlotScale gain_;
    PlotScale phase_;
};

constexpr tk::Color kGainColor = 0xC00000;      // blue
constexpr tk::Color kPhaseColor = 0x0000C0;     // red
constexpr tk::Color kReferenceColor = 0x00A000; // green
constexpr tk::Color kUnmeasuredColor = 0x0080FF;

// Draws the axes, their grid and labels, the reference curve and then the points,
// a line joining each measured point to the next measured one only.
void DrawResponsePlot(tk::Canvas& canvas, const ResponsePlotLayout& layout,
                      std::span<const ResponsePlotPoint> points,
                      std::span<const ResponsePlotPoint> reference);

} // namespace duruz
