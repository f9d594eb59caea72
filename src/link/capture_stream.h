#pragma once

#include "link/capture_store.h"
#include "link/serial_link.h"
#include "toolkit/line_log.h"

namespace duruz {

// Receives what the line holds, as PollCapture does, until it has been quiet for
// 2 ms and any generator command has settled. Returns false when it never fell
// quiet within a frame's worth of bytes really read or 300 ms on the port's clock.
bool DrainInput(SerialLink& link, CaptureStore& store);

// Drains the line (logging a line that would not fall quiet), marks a request as
// pending, sends the capture request, notes it as outstanding under the link's
// settings generation and arms its deadline 500 ms ahead (in timer ticks).
void RequestCapture(SerialLink& link, CaptureStore& store, tk::LineLog& log);

// A generator command was just written: the next capture request waits 129 ms on
// the port's clock.
void SettleAfterGenerator(SerialLink& link);

// A new line: no frame in progress, no request outstanding, nothing to settle.
void ResetReceiver(SerialLink& link);

// Reads whatever the port holds into the current header or sample chunk and
// advances the receive state; a full frame clears RequestPending and goes to the
// link's FrameOut, or sets FrameReady. Returns after 10 empty reads before any byte,
// 80 after one, two frames' worth of bytes, or a frame, whichever comes first; does
// nothing while FrameReady is set. A poll that starts between frames and reads
// nothing retires every outstanding request.
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
