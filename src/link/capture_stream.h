#pragma once

#include "link/capture_store.h"
#include "link/serial_link.h"

namespace duruz {

// Discards what the port holds, marks a request as pending, sends the capture
// request and arms its deadline 500 ms ahead (in timer ticks).
void RequestCapture(SerialLink& link, CaptureStore& store);

// Reads whatever the port holds into the current header or sample chunk and
// advances the receive state; a full frame clears RequestPending and sets FrameReady.
void PollCapture(SerialLink& link, CaptureStore& store);

// What the first half of a timer tick decided.
struct TickOutcome {
    bool waitCursor = false; // a request was pending when the tick began
    bool redraw = false;     // a complete frame (or a forced redraw) waits to be drawn;
                             // FrameReady has already been cleared
};

// The link's share of a timer tick: counts the tick, asks for a new frame unless
// held (when none is pending, or the pending one is overdue), polls while a request
// is pending, and hands a finished frame over for drawing by clearing FrameReady.
TickOutcome CaptureTick(SerialLink& link, CaptureStore& store, bool hold);

} // namespace duruz
