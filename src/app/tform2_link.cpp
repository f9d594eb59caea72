// The window's handlers of the serial link and the capture loop. Each one decides
// on the window's thread and leaves the port to a job on the link thread.
#include "app/tform2.h"

#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"

#include <algorithm>
#include <cstring>

namespace duruz {

namespace {

// Passes the lines on and keeps the last one that is not the port's path: why an
// open failed ("Error opening", "   does not exist") or the configuration step that did.
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
    const int row = ComPort.ItemIndex();
    SelectPortRow(Link, row);
    lostPort_ = {}; // a port chosen now replaces one waited for
    // The row's text goes with the job: the selection may move before the answer comes.
    link_.Post([this, table = Link.PortTable, count = Link.PortCount, row,
                name = ComPort.Item(row)](LinkContext& link) {
        link.link.PortTable = table;
        link.link.PortCount = count;
        ReasonLog log(link.log, link.link);
        const OpenOutcome outcome = OpenPort(link.link, link.ports, row, log);
        link_.Reply(
            [this, outcome, reason = log.reason, name] { PortOpened(name, outcome, reason); });
        if (outcome == OpenOutcome::Configured)
            duruz::RequestCapture(link.link, link.capture, link.log);
    });
}

// Lists the ports again and rebuilds the rows, keeping the row of the port in use
// selected; an open port that is still there is left alone.
void TForm2::RefreshCommClick() {
    PortsChanged();
}

void TForm2::RequestCapture() {
    link_.Post([](LinkContext& link) { duruz::RequestCapture(link.link, link.capture, link.log); });
}

void TForm2::Send(const CommandText& command) {
    link_.Post([command](LinkContext& link) { SendCommand(link.link, link.log, command); });
}

// The main loop, every 250 ms: the link keeps a frame requested and takes in what
// arrived; DeliverLinkOutput draws each complete frame.
void TForm2::Timer1Timer() {
    if (CameBack(lostPort_, serial::DevicePresent(Link.PortPath.data())))
        ReopenLostPort();
    link_.PostTick(HoldBox.Checked());
}

void TForm2::DeliverLinkOutput() {
    LinkDelivery delivery;
    link_.Collect(delivery, Capture);
    for (const std::string& line : delivery.lines)
        Display.Add(line);
    Link.RequestPending = delivery.requestPending;
    Link.PortOpen = delivery.portOpen;
    Link.Counters = delivery.counters;
    for (const std::function<void()>& task : delivery.replies)
        task();
    if (delivery.portLost)
        PortLost();
    if (delivery.frameNew)
        Capture.FrameReady = true;
    if (!delivery.tickDone)
        return;
    // The window stays usable while it waits for a frame.
    SetCursor(delivery.waitCursor ? tk::Cursor::Busy : tk::Cursor::Default);
    if (Capture.FrameReady) {
        Capture.FrameReady = false;
        RedrawScreen();
    } else {
        UpdateStatusStrip();
    }
}

} // namespace duruz
