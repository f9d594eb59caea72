#include "view/response_plot.h"

#include "view/number_text.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

namespace duruz {

namespace {

// Room for the value labels left of the panels, the frequency labels below them and
// each panel's title above it.
constexpr int kLabelWidth = 52;
constexpr int kRightMargin = 14;
constexpr int kTitleHeight = 16;
constexpr int kFrequencyLabelHeight = 18;
constexpr int kMaxDivisions = 8;
constexpr int kMarkSize = 3;

constexpr tk::Color kAxisColor = 0x000000;
constexpr tk::Color kDecadeGridColor = 0x909090;
constexpr tk::Color kGridColor = 0xD0D0D0;

// The coarse-enough step of the list whose whole steps hold the values in at most
// kMaxDivisions; `empty` when there are none.
PlotScale FitScale(double low, double high, bool any, std::initializer_list<double> steps,
                   const PlotScale& empty) {
    if (!any)
        return empty;
    PlotScale scale{low, high, *(steps.end() - 1)};
    for (const double step : steps) {
        scale.step = step;
        if (std::ceil(high / step) - std::floor(low / step) <= kMaxDivisions)
            break;
    }
    scale.low = std::floor(low / scale.step) * scale.step;
    scale.high = std::ceil(high / scale.step) * scale.step;
    if (scale.high <= scale.low) { // one value: a step either side of it
        scale.low -= scale.step;
        scale.high += scale.step;
    }
    return scale;
}

int ValueY(const PixelRect& panel, const PlotScale& scale, double value) {
    const double share = (scale.high - value) / (scale.high - scale.low);
    return panel.top + int(std::lround(share * (panel.height - 1)));
}

std::string FrequencyLabel(int decade) {
    static const char* const kUnits[] = {" Hz", " kHz", " MHz"};
    const int unit = std::clamp(decade / 3, 0, 2);
    // Appended rather than added to a literal: GCC 12 warns of a false overlap there.
    std::string text(1, '1');
    text.append(std::size_t(std::max(0, decade - unit * 3)), '0');
    return text.append(kUnits[unit]);
}

std::string ValueLabel(double value, const char* unit) {
    std::string text;
    AppendNumber(text, value, std::chars_format::general, 6);
    return text + unit;
}

void Line(tk::Canvas& canvas, int x0, int y0, int x1, int y1) {
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
}

void Frame(tk::Canvas& canvas, const PixelRect& r) {
    canvas.SetPenColor(kAxisColor);
    const int right = r.left + r.width - 1;
    const int bottom = r.top + r.height - 1;
    canvas.MoveTo(r.left, r.top);
    canvas.LineTo(right, r.top);
    canvas.LineTo(right, bottom);
    canvas.LineTo(r.left, bottom);
    canvas.LineTo(r.left, r.top);
}

// A panel's horizontal grid lines, each labelled, and its title above it.
void ValueGrid(tk::Canvas& canvas, const ResponsePlotLayout& layout, const PixelRect& panel,
               const PlotScale& scale, const char* unit, const char* title) {
    canvas.SetFontColor(kAxisColor);
    canvas.TextOut(panel.left, panel.top - kTitleHeight, title);
    const int count = int(std::lround((scale.high - scale.low) / scale.step));
    for (int k = 0; k <= count; ++k) {
        const double value = scale.low + k * scale.step;
        const int y = ValueY(panel, scale, value);
        canvas.SetPenColor(kGridColor);
        Line(canvas, panel.left, y, panel.left + panel.width - 1, y);
        canvas.TextOut(layout.Area().left + 2, std::max(panel.top, y - 6),
                       ValueLabel(value, unit).c_str());
    }
}

// Vertical lines at 1 to 9 times each decade, the decades darker and labelled below.
void FrequencyGrid(tk::Canvas& canvas, const ResponsePlotLayout& layout) {
    const PixelRect& gain = layout.GainPanel();
    const PixelRect& phase = layout.PhasePanel();
    for (int decade = layout.LowDecade(); decade <= layout.HighDecade(); ++decade)
        for (int multiple = 1; multiple <= (decade < layout.HighDecade() ? 9 : 1); ++multiple) {
            const int x = layout.X(multiple * std::pow(10.0, decade));
            canvas.SetPenColor(multiple == 1 ? kDecadeGridColor : kGridColor);
            for (const PixelRect* panel : {&gain, &phase})
                Line(canvas, x, panel->top, x, panel->top + panel->height - 1);
            if (multiple == 1)
                canvas.TextOut(std::clamp(x - 14, layout.Area().left,
                                          layout.Area().left + layout.Area().width - 48),
                               phase.top + phase.height + 3, FrequencyLabel(decade).c_str());
        }
}

void Mark(tk::Canvas& canvas, int x, int y) {
    Line(canvas, x - kMarkSize, y, x + kMarkSize + 1, y);
    Line(canvas, x, y - kMarkSize, x, y + kMarkSize + 1);
}

// One curve: each measured point (when marked) marked and joined to the next one only when that is
// measured too; a point not measured gets a cross on the gain panel's lower edge
// (when marked).
void Curve(tk::Canvas& canvas, const ResponsePlotLayout& layout,
           std::span<const ResponsePlotPoint> points, tk::Color gainColor, tk::Color phaseColor,
           bool marked) {
    for (int pass = 0; pass < 2; ++pass) {
        canvas.SetPenColor(pass == 0 ? gainColor : phaseColor);
        const auto y = [&](const ResponsePlotPoint& p) {
            return pass == 0 ? layout.GainY(p.gainDb) : layout.PhaseY(p.phaseDegrees);
        };
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (!points[i].measured)
                continue;
            const int x = layout.X(points[i].hertz);
            if (marked)
                Mark(canvas, x, y(points[i]));
            if (i + 1 < points.size() && points[i + 1].measured)
                Line(canvas, x, y(points[i]), layout.X(points[i + 1].hertz), y(points[i + 1]));
        }
    }
    if (!marked)
        return;
    const PixelRect& gain = layout.GainPanel();
    const int bottom = gain.top + gain.height - 1;
    canvas.SetPenColor(kUnmeasuredColor);
    for (const ResponsePlotPoint& p : points)
        if (!p.measured) {
            const int x = layout.X(p.hertz);
            Line(canvas, x - kMarkSize, bottom - 2 * kMarkSize, x + kMarkSize + 1, bottom + 1);
            Line(canvas, x - kMarkSize, bottom, x + kMarkSize + 1, bottom - 2 * kMarkSize - 1);
        }
}

} // namespace

ResponsePlotLayout::ResponsePlotLayout(const PixelRect& area,
                                       std::span<const ResponsePlotPoint> points,
                                       std::span<const ResponsePlotPoint> reference,
                                       double lowestHertz, double highestHertz)
    : area_(area) {
    double lowHertz = lowestHertz, highHertz = highestHertz;
    double lowGain = 0, highGain = 0, lowPhase = 0, highPhase = 0;
    bool any = false;
    for (const auto curve : {points, reference})
        for (const ResponsePlotPoint& p : curve) {
            if (p.hertz > 0) {
                lowHertz = lowHertz > 0 ? std::min(lowHertz, p.hertz) : p.hertz;
                highHertz = std::max(highHertz, p.hertz);
            }
            if (!p.measured)
                continue;
            lowGain = any ? std::min(lowGain, p.gainDb) : p.gainDb;
            highGain = any ? std::max(highGain, p.gainDb) : p.gainDb;
            lowPhase = any ? std::min(lowPhase, p.phaseDegrees) : p.phaseDegrees;
            highPhase = any ? std::max(highPhase, p.phaseDegrees) : p.phaseDegrees;
            any = true;
        }
    if (lowHertz > 0 && highHertz >= lowHertz) {
        lowDecade_ = int(std::floor(std::log10(lowHertz) + 1e-9));
        highDecade_ = std::max(lowDecade_ + 1, int(std::ceil(std::log10(highHertz) - 1e-9)));
    }
    gain_ = FitScale(lowGain, highGain, any, {1, 2, 5, 10, 20, 50, 100}, {-40, 10, 10});
    phase_ = FitScale(lowPhase, highPhase, any, {10, 15, 30, 45, 90, 180, 360, 720}, {-180, 0, 45});
    const int left = area.left + kLabelWidth;
    const int width = std::max(1, area.width - kLabelWidth - kRightMargin);
    const int panelHeight =
        std::max(1, (area.height - 2 * kTitleHeight - kFrequencyLabelHeight - 4) / 2);
    gainPanel_ = {left, area.top + kTitleHeight, width, panelHeight};
    phasePanel_ = {left, gainPanel_.top + panelHeight + kTitleHeight + 4, width, panelHeight};
}

int ResponsePlotLayout::X(double hertz) const {
    const double share = (std::log10(hertz) - lowDecade_) / double(highDecade_ - lowDecade_);
    return gainPanel_.left + int(std::lround(share * (gainPanel_.width - 1)));
}

int ResponsePlotLayout::GainY(double gainDb) const {
    return ValueY(gainPanel_, gain_, gainDb);
}

int ResponsePlotLayout::PhaseY(double phaseDegrees) const {
    return ValueY(phasePanel_, phase_, phaseDegrees);
}

void DrawResponsePlot(tk::Canvas& canvas, const ResponsePlotLayout& layout,
                      std::span<const ResponsePlotPoint> points,
                      std::span<const ResponsePlotPoint> reference) {
    const PixelRect& area = layout.Area();
    canvas.FillBackground(area.left, area.top, area.left + area.width, area.top + area.height);
    ValueGrid(canvas, layout, layout.GainPanel(), layout.GainScale(), " dB", "Gain");
    ValueGrid(canvas, layout, layout.PhasePanel(), layout.PhaseScale(), "\xB0", "Phase");
    FrequencyGrid(canvas, layout);
    Frame(canvas, layout.GainPanel());
    Frame(canvas, layout.PhasePanel());
    Curve(canvas, layout, reference, kReferenceColor, kReferenceColor, false);
    Curve(canvas, layout, points, kGainColor, kPhaseColor, true);
}

} // namespace duruz
