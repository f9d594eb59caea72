#pragma once

#include "link/capture_store.h"
#include "link/instrument_facts.h"
#include "toolkit/canvas.h"
#include "view/float_frame.h"
#include "view/plot_area.h"
#include "view/spectrum_transform.h"

#include <array>
#include <cstdint>
#include <span>

namespace duruz {

// A kept frame drawn under the live trace: its counts and the probes and ranges
// they were captured with, which scale it onto the screen's own.
struct ReferenceDrawing {
    const FloatFrame* frame = nullptr;
    int probeRow[2] = {1, 1};
    int rangeRow[2] = {7, 7};
};

// What one redraw draws with: the window's geometry, the settings and the trigger.
struct ScreenInputs {
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    std::int32_t levelBarWidth = 0;     // the trigger level bar along the left edge
    std::int32_t positionBarHeight = 0; // the trigger position bar along the bottom
    std::int32_t controlsHeight = 0;    // the control strip
    int sweepRow = 1;                   // kXyModeSweepRow is "XY Mode"
    int probeRow[2] = {1, 1};           // 0 "x10", 1 "x1"
    int rangeRow[2] = {7, 7};           // 0 widest .. 7 narrowest
    bool scope[2] = {true, true};
    bool fft[2] = {false, false};
    std::int32_t syncPosition = 0;
    std::int32_t syncLevel = 0;
    std::span<const ReferenceDrawing> references{}; // drawn in time mode, before the traces
};

using SpectrumWorkArea = std::array<ComplexFloat, kSpectrumBins>;

// Draws the whole screen from the last frame and returns the plot area it used.
PlotArea RedrawScreen(tk::Canvas& canvas, const ScreenInputs& inputs, const CaptureStore& store,
                      SpectrumWorkArea& workArea);
// The same from a floating-point frame, an average: whole counts draw the same pixels.
PlotArea RedrawScreen(tk::Canvas& canvas, const ScreenInputs& inputs, const FloatFrame& frame,
                      SpectrumWorkArea& workArea);

} // namespace duruz
