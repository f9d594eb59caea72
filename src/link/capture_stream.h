#pragma once

#include "link/capture_store.h"
#include "link/serial_link.h"
#include "toolkit/line_log.h"

namespace duruz {

// Drops what the line holds: reads until it has been quiet for 2 ms. Returns false
// when it never fell quiet within a frame's worth of bytes or 300 ms.
bool DrainInput(SerialLink& link, CaptureStore& store);

// Drains the line (logging a line that would not fall quiet), marks a request as
// pending, sends the capture request and arms its deadline 500 ms ahead (in timer
// ticks).
void RequestCapture(SerialLink& link, CaptureStore& store, tk::LineLog& log);

// Reads whatever the port holds into the current header or sample chunk and
// advances the receive state; a full frame clears RequestPending and sets FrameReady.
// Returns after 10 empty reads before any byte, 80 after one, or two frames' worth
// of bytes, whichever comes first.
void PollCapture(SerialLink& link, CaptureStore& store);

// What the capture half of a timer tick decided.
struct TickOutcome {
    bool waitCursor = false; // a request was pending when the tick began
    bool redraw = false;     // a complete frame (or a forced redraw) waits to be drawn;
                             // FrameReady has already been cleared
};

// The capture half of the timer tick: counts the tick, asks for a frame unless
// held (when none is pending or the pending one is overdue), polls while a request
// is pending, and reports a frame that is ready to be drawn.
TickOutcome CaptureTick(SerialLink& link, CaptureStore& store, bool hold, tk::LineLog& log);

} // namespace duruz
