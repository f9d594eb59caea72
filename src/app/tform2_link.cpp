// The window's handlers of the serial link and the capture loop. Each one decides
// on the window's thread and leaves the port to a job on the link thread.
#include "app/tform2.h"

#include "link/capture_stream.h"
#include "link/open_port.h"
#include "link/port_list.h"

#include <cstring>
#include <string>
#include <vector>

namespace duruz {

namespace {

// Keeps the lines of an open until the link's job ends; those of a quiet try that
// was refused permission again are dropped.
class HeldLog : public tk::LineLog {
public:
    explicit HeldLog(tk::LineLog& inner) : inner_(inner) {}
    void Add(std::string_view line) override { lines_.emplace_back(line); }
    void PassOn() {
        for (const std::string& line : lines_)
            inner_.Add(line);
    }

private:
    tk::LineLog& inner_;
    std::vector<std::string> lines_;
};

} // namespace

void TForm2::ComPortClick() {
    lostPort_ = {}; // a port chosen now replaces one waited for
    reopenTries_ = 0;
    OpenSelectedPort(OpenKind::Chosen);
}

void TForm2::OpenSelectedPort(OpenKind kind) {
    const int row = ComPort.ItemIndex();
    SelectPortRow(Link, row);
    retryReopen_ = false;
    if (kind != OpenKind::Retry)
        ++portChoice_;
    // The row's text goes with the job: the selection may move before the answer comes.
    link_.Post([this, table = Link.PortTable, count = Link.PortCount, row, kind,
                choice = portChoice_, decision = ++portDecision_,
                name = ComPort.Item(row)](LinkContext& link) {
        link.link.PortDecision = decision;
        link.link.PortTable = table;
        link.link.PortCount = count;
        HeldLog held(link.log);
        serial::OpenFailure refusal = serial::OpenFailure::None;
        Result<OpenedPort> result = OpenPort(link.link, link.ports, row, held, &refusal);
        const bool opened = result.Ok() && result.Value().Configured();
        if (kind != OpenKind::Retry || refusal != serial::OpenFailure::PermissionDenied)
            held.PassOn();
        // A link made after this look is a new one.
        const serial::LinkIdentity through =
            opened ? serial::LinkAt(link.link.PortPath.data()) : serial::LinkIdentity{};
        link_.Reply(
            [this, opened, result = std::move(result), name, through, kind, choice, refusal] {
                if (opened)
                    openedLink_ = through;
                PortOpened(name, result);
                if (kind != OpenKind::Chosen)
                    ReopenEnded(choice, opened, refusal);
            });
        if (opened)
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

void TForm2::PostSetting(LinkJob send) {
    link_.Post([generation = ++settingsGeneration_, send = std::move(send)](LinkContext& link) {
        link.link.SettingsGeneration = generation;
        send(link);
    });
}

void TForm2::Send(const CommandText& command) {
    PostSetting([command](LinkContext& link) { SendCommand(link.link, link.log, command); });
}

// The main loop, every 250 ms: the link keeps a frame requested and takes in what
// arrived; DeliverLinkOutput draws each complete frame.
void TForm2::Timer1Timer() {
    const char* lost = lostPort_.path.c_str();
    if (retryReopen_) {
        --reopenTries_;
        OpenSelectedPort(OpenKind::Retry);
    } else if (lostPort_.lost &&
               CameBack(lostPort_, serial::DevicePresent(lost), serial::LinkAt(lost))) {
        LostPathBack();
    }
    link_.PostTick();
}

void TForm2::DeliverLinkOutput() {
    LinkDelivery delivery;
    link_.Collect(delivery, delivered_);
    for (const std::string& line : delivery.lines)
        Display.Add(line);
    Link.RequestPending = delivery.requestPending;
    // The port's state from before the window's last open or close would undo it.
    if (delivery.portDecision == portDecision_)
        Link.PortOpen = delivery.portOpen;
    Link.Counters = delivery.counters;
    for (const std::function<void()>& task : delivery.replies)
        task();
    if (!delivery.lostPath.empty())
        PortLost(delivery.lostPath);
    if (delivery.frameNew)
        TakeDeliveredFrame(delivery.frameOrigin);
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

// A frame is drawn only when the link knows which setting it was captured under
// and that setting is the window's latest, including commands the link has not
// written yet. The link counts the frames it cannot attribute; the window counts
// the rest it skips.
void TForm2::TakeDeliveredFrame(const FrameOrigin& origin) {
    if (!origin.certain)
        return;
    if (origin.generation != settingsGeneration_) {
        ++staleSkips_;
        return;
    }
    Capture = delivered_;
    CaptureSettings = SettingsOfControls();
    Capture.FrameReady = true;
    const TriggerState& sync = CaptureSettings.trigger;
    trace_.FrameDrawn(Capture,
                      {CaptureSettings.rangeRow[0], CaptureSettings.rangeRow[1], sync.SyncPosition,
                       -sync.SyncLevel, sync.SyncSource * 2 + sync.SyncPolarity,
                       sentWaveformCodes_[0] * 16 + sentWaveformCodes_[1]});
}

FrameSettings TForm2::SettingsOfControls() const {
    return {{Scale1.ItemIndex(), Scale2.ItemIndex()},
            SweepSpeed.ItemIndex(),
            SyncSrcBox.ItemIndex(),
            SyncPolBox.ItemIndex(),
            Trigger};
}

} // namespace duruz
