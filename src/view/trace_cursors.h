#pragma once

#include "link/capture_store.h"
#include "toolkit/canvas.h"
#include "view/float_frame.h"
#include "view/measure.h"
#include "view/plot_area.h"

#include <array>
#include <cstdint>
#include <string>

namespace duruz {

// The cursors over the trace area. Time cursors are vertical lines at a sample
// index; voltage cursors horizontal lines at a count of the channel they belong
// to. In XY mode the time cursors are hidden, the voltage cursors read the Y axis
// (channel 2) and a second pair of vertical lines reads the X axis (channel 1).
// The frequency cursor is a vertical line at a spectrum bin, shown with a spectrum.
enum class CursorId { Time1, Time2, Volt1, Volt2, XVolt1, XVolt2, Frequency, None };
constexpr int kCursorCount = 7;

struct CursorSettings {
    bool timeOn = false;
    bool voltOn = false;
    bool frequencyOn = false;
    int voltChannel = 0;                            // 0 or 1: whose volts the voltage cursors read
    std::array<std::int32_t, 2> time{512, 1536};    // sample index, 0..2047
    std::array<std::int32_t, 2> volt{-1024, 1024};  // counts, -2047 (top) .. 2047
    std::array<std::int32_t, 2> xVolt{-1000, 1000}; // counts along the XY figure's X axis
    std::int32_t bin = 20;                          // 0..1023, k x 50 Hz

    bool AnyOn() const { return timeOn || voltOn || frequencyOn; }
    bool operator==(const CursorSettings&) const = default;
};

// What the screen shows, which decides the cursors shown and where they lie.
struct CursorScreen {
    PlotArea area;
    bool xyMode = false;
    bool spectrum = false; // a channel's spectrum is drawn
};

// A cursor is picked up within this many pixels of its line.
constexpr std::int32_t kCursorPickPixels = 4;

bool CursorShown(const CursorSettings& cursors, const CursorScreen& screen, CursorId id);
// A vertical line's column, or a horizontal line's row.
bool IsVerticalCursor(CursorId id);
std::int32_t CursorPixel(const CursorSettings& cursors, const CursorScreen& screen, CursorId id);

// The sample, count or bin whose line lies nearest to a pixel, within the range.
std::int32_t SampleAtX(const PlotArea& area, std::int32_t x);
std::int32_t CountAtY(const PlotArea& area, std::int32_t y);
std::int32_t XyCountAtX(const PlotArea& area, std::int32_t x);
std::int32_t BinAtX(const PlotArea& area, std::int32_t x);

// The shown cursor nearest to the point within kCursorPickPixels, else None.
CursorId PickCursor(const CursorSettings& cursors, const CursorScreen& screen, std::int32_t x,
                    std::int32_t y);
// Puts the cursor at the point's sample, count or bin, as a drag does.
void PlaceCursor(CursorSettings& cursors, const CursorScreen& screen, CursorId id, std::int32_t x,
                 std::int32_t y);
// Moves the cursor by steps samples, counts or bins; by steps divisions with
// byDivision. Up and right are positive steps; kept within range.
void StepCursor(CursorSettings& cursors, CursorId id, int steps, bool byDivision);
// The shown cursor after current, in order, wrapping; None when none is shown.
CursorId NextCursor(const CursorSettings& cursors, const CursorScreen& screen, CursorId current);

// Dashed lines in the cursor colour; the selected one solid.
void DrawCursors(tk::Canvas& canvas, const CursorSettings& cursors, const CursorScreen& screen,
                 CursorId selected);

// The readouts, a line each, over the trace area's top left: the status strip's
// section may lie past a narrow window's edge.
void DrawCursorReadouts(tk::Canvas& canvas, const PlotArea& area, const std::string& readouts);

// What the readouts convert with: each channel's probe and range as the frame was drawn.
struct CursorReadoutInputs {
    std::array<int, 2> probeRow{1, 1};
    std::array<int, 2> rangeRow{7, 7};
    std::array<bool, 2> shown{true, true};
    std::array<bool, 2> spectrum{false, false};
};

// The readouts of the cursors shown, one line per kind, "" when none is shown.
std::string CursorReadouts(const CursorSettings& cursors, const CursorScreen& screen,
                           const CursorReadoutInputs& in, const CaptureStore& frame,
                           MeasureScratch& scratch);
std::string CursorReadouts(const CursorSettings& cursors, const CursorScreen& screen,
                           const CursorReadoutInputs& in, const FloatFrame& frame,
                           MeasureScratch& scratch);

} // namespace duruz
