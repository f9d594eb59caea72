// The window's handlers of the serial link and the capture loop.
#include "app/tform2.h"

#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"

namespace duruz {

void TForm2::ComPortClick() {
    if (OpenPort(Link, *environment_.ports, ComPort.ItemIndex(), Display))
        RequestCapture();
}

// Lists the ports again and rebuilds the rows, keeping the row of the port in use
// selected; an open port that is still there is left alone.
void TForm2::RefreshCommClick() {
    PortsChanged();
}

void TForm2::RequestCapture() {
    duruz::RequestCapture(Link, Capture);
}

// The main loop, every 250 ms: keep a frame requested, take in what arrived, and
// draw each complete frame.
void TForm2::Timer1Timer() {
    SetCursor(Link.RequestPending ? tk::Cursor::Hourglass : tk::Cursor::Default);
    const TickOutcome tick = CaptureTick(Link, Capture, HoldBox.Checked());
    if (tick.redraw)
        RedrawScreen();
}

} // namespace duruz
