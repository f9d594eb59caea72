// The session's side of ports: choosing one, devices coming and going, and opening
// a lost port again. Each decision is made on the front end's thread and left to a
// job on the link thread.
#include "session/instrument_session.h"

#include "link/capture_stream.h"
#include "link/same_device.h"

#include <cstring>

namespace duruz {

namespace {

constexpr const char* kAnotherDevice = "   not reopened: another device; click its row to open it";
constexpr const char* kMaybeAnother =
    "   not reopened: it may be another device; click its row to open it";

// About 5 s of capture ticks: how long a returned node may refuse permission while
// udev is still setting its group.
constexpr int kReopenTries = 20;

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

void InstrumentSession::ChoosePort(int row) {
    if (row != -1 && !(row >= 0 && static_cast<std::uint32_t>(row) < linkSide_.PortCount))
        return;
    settings_.port.row = row;
    lostPort_ = {}; // a port chosen now replaces one waited for
    reopenTries_ = 0;
    OpenSelectedPort(OpenKind::Chosen);
}

void InstrumentSession::OpenSelectedPort(OpenKind kind, bool requestAfterOpen) {
    const int row = settings_.port.row;
    SelectPortRow(linkSide_, row);
    settings_.port.path = linkSide_.PortPath.data();
    retryReopen_ = false;
    if (kind != OpenKind::Retry)
        ++portChoice_;
    // The row's text goes with the job: the rows may change before the answer comes.
    link_.Post([this, table = linkSide_.PortTable, count = linkSide_.PortCount, row, kind,
                requestAfterOpen, choice = portChoice_, decision = ++portDecision_,
                name = PortRowText(row)](LinkContext& link) {
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
        if (opened && requestAfterOpen)
            duruz::RequestCapture(link.link, link.capture, link.log);
    });
}

void InstrumentSession::PortOpened(const std::string& port, const Result<OpenedPort>& opened) {
    portStatus_ = StatusAfterOpen(port, opened); // the port empty with no row selected
    staleSkips_ = 0;                             // with the link's counters
    pending_.portAnswered = true;
}

// The capture tick: the link keeps a frame requested and takes in what arrived.
void InstrumentSession::Tick() {
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

void InstrumentSession::RefreshPorts() {
    const PortListUpdate update = RelistPorts(linkSide_, environment_.portSources);
    settings_.port.row = update.row;
    pending_.portRowsChanged = true;
    if (update.wentAway) {
        LogDisconnected();
        lostPort_ = {true, true, linkSide_.PortPath.data(), openedLink_};
        // The link stops using the port now rather than at its next failing call,
        // unless another port has been opened since.
        linkSide_.PortOpen = false;
        link_.Post([path = linkSide_.PortPath, decision = ++portDecision_](LinkContext& link) {
            link.link.PortDecision = decision;
            if (link.link.PortPath == path)
                ClosePort(link.link);
        });
    }
    if (update.change == OpenPortChange::Returned)
        ReopenLostPort();
    if (update.change == OpenPortChange::OtherDevice)
        SayNotReopened(kAnotherDevice);
}

void InstrumentSession::LogDisconnected() {
    link_.AddLine(linkSide_.PortPath.data());
    link_.AddLine("   disconnected");
}

void InstrumentSession::PortLost(const std::string& path) {
    // A port chosen since is not the one lost.
    if (lostPort_.lost || path != linkSide_.PortPath.data())
        return;
    lostPort_ = {true, false, path, openedLink_};
    MarkOpenPortDisconnected();
}

void InstrumentSession::MarkOpenPortDisconnected() {
    for (std::uint32_t i = 0; i < linkSide_.PortCount && i < linkSide_.PortTable.size(); ++i) {
        PortEntry& entry = linkSide_.PortTable[i];
        if (std::strcmp(entry.path.data(), linkSide_.PortPath.data()) != 0)
            continue;
        if (!entry.disconnected) {
            entry.disconnected = true;
            LogDisconnected();
            pending_.portRowsChanged = true;
        }
        return;
    }
}

// A device with a USB identity is told by listing the ports again; a port without
// one only by the link it was opened through, made anew.
void InstrumentSession::LostPathBack() {
    for (std::uint32_t i = 0; i < linkSide_.PortCount && i < linkSide_.PortTable.size(); ++i) {
        const PortEntry& entry = linkSide_.PortTable[i];
        if (entry.disconnected && lostPort_.path == entry.path.data() &&
            Identified(IdentityOf(entry))) {
            RefreshPorts();
            return;
        }
    }
    const char* path = lostPort_.path.c_str();
    if (RelinkedToTerminal(openedLink_, lostPort_.link, serial::LeadsToCharacterDevice(path)))
        ReopenLostPort();
    else
        SayNotReopened(kMaybeAnother);
}

void InstrumentSession::SayNotReopened(const char* why) {
    link_.AddLine(linkSide_.PortPath.data());
    link_.AddLine(why);
}

// The instrument came back on its own defaults: open it and, once open, send it
// the whole setting, as start-up does.
void InstrumentSession::ReopenLostPort() {
    lostPort_ = {};
    for (std::uint32_t i = 0; i < linkSide_.PortCount && i < linkSide_.PortTable.size(); ++i)
        if (std::strcmp(linkSide_.PortTable[i].path.data(), linkSide_.PortPath.data()) == 0)
            linkSide_.PortTable[i].disconnected = false;
    pending_.portRowsChanged = true;
    reopenTries_ = kReopenTries;
    OpenSelectedPort(OpenKind::Reopen);
}

// A node that udev has not given its group yet refuses permission for a moment:
// it is tried again on each tick for a while, the memo told once.
void InstrumentSession::ReopenEnded(std::uint32_t choice, bool opened,
                                    serial::OpenFailure refusal) {
    if (choice != portChoice_)
        return; // another port has been chosen since
    if (opened) {
        reopenTries_ = 0;
        SendCompleteSetting();
        pending_.settingsChanged = true;
        return;
    }
    if (refusal != serial::OpenFailure::PermissionDenied)
        return;
    if (reopenTries_ == kReopenTries)
        link_.AddLine("   trying again for 5 s");
    else if (reopenTries_ == 0)
        link_.AddLine("   still refused after 5 s: click its row to try again");
    retryReopen_ = reopenTries_ > 0;
}

} // namespace duruz
