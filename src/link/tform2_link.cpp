// The window's handlers of the serial link and the capture loop.
#include "app/tform2.h"

#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"

#include <algorithm>
#include <cstring>

namespace duruz {

namespace {

// Passes the lines on and keeps the last one that is not the port's path: why an
// open failed ("Error opening", "   does not exist").
class ReasonLog : public tk::LineLog {
public:
    ReasonLog(tk::LineLog& inner, const SerialLink& link) : inner_(inner), link_(link) {}
    void Add(std::string_view line) override {
        inner_.Add(line);
        if (line != link_.PortPath.data())
            reason = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    }
    std::string reason;

private:
    tk::LineLog& inner_;
    const SerialLink& link_;
};

} // namespace

void TForm2::ComPortClick() {
    ReasonLog log(Display, Link);
    const bool opened = OpenPort(Link, *environment_.ports, ComPort.ItemIndex(), log);
    PortOpened(opened, log.reason);
    if (opened)
        RequestCapture();
}

// Lists the ports again and rebuilds the rows, keeping the row of the port in use
// selected when it is still there; the open port is left alone.
void TForm2::RefreshCommClick() {
    EnumeratePorts(Link, PortSourcesOf(environment_));
    FillPortRows();
    // Every click opens its row, so the row in use is the one PortPath names.
    int row = -1;
    for (std::uint32_t i = 0; i < Link.PortCount; ++i)
        if (std::strcmp(Link.PortTable[i].path.data(), Link.PortPath.data()) == 0)
            row = static_cast<int>(i);
    ComPort.SetItemIndex(row);
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
    else
        UpdateStatusStrip();
}

} // namespace duruz
