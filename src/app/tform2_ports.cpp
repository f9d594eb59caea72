// The window's side of devices coming and going.
#include "app/tform2.h"

#include "link/port_list.h"
#include "link/same_device.h"

#include <cstring>

namespace duruz {

namespace {

constexpr const char* kAnotherDevice = "   not reopened: another device; click its row to open it";
constexpr const char* kMaybeAnother =
    "   not reopened: it may be another device; click its row to open it";

// About 5 s of timer ticks: how long a returned node may refuse permission while
// udev is still setting its group.
constexpr int kReopenTries = 20;

} // namespace

void TForm2::PortsChanged() {
    const PortListUpdate update = RelistPorts(Link, PortSourcesOf(environment_));
    FillPortRows();
    ComPort.SetItemIndex(update.row);
    if (update.wentAway) {
        LogDisconnected();
        lostPort_ = {true, true, Link.PortPath.data(), openedLink_};
        // The link stops using the port now rather than at its next failing call,
        // unless another port has been opened since.
        Link.PortOpen = false;
        link_.Post([path = Link.PortPath, decision = ++portDecision_](LinkContext& link) {
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

void TForm2::LogDisconnected() {
    link_.AddLine(Link.PortPath.data());
    link_.AddLine("   disconnected");
}

void TForm2::PortLost(const std::string& path) {
    // A port chosen since is not the one lost.
    if (lostPort_.lost || path != Link.PortPath.data())
        return;
    lostPort_ = {true, false, path, openedLink_};
    MarkOpenPortDisconnected();
}

void TForm2::MarkOpenPortDisconnected() {
    for (std::uint32_t i = 0; i < Link.PortCount && i < Link.PortTable.size(); ++i) {
        if (std::strcmp(Link.PortTable[i].path.data(), Link.PortPath.data()) != 0)
            continue;
        if (!Link.PortTable[i].disconnected) {
            Link.PortTable[i].disconnected = true;
            LogDisconnected();
            FillPortRows();
        }
        return;
    }
}

// A device with a USB identity is told by listing the ports again; a port without
// one only by the link it was opened through, made anew.
void TForm2::LostPathBack() {
    for (std::uint32_t i = 0; i < Link.PortCount && i < Link.PortTable.size(); ++i) {
        const PortEntry& entry = Link.PortTable[i];
        if (entry.disconnected && lostPort_.path == entry.path.data() &&
            Identified(IdentityOf(entry))) {
            PortsChanged();
            return;
        }
    }
    const char* path = lostPort_.path.c_str();
    if (RelinkedToTerminal(openedLink_, lostPort_.link, serial::LeadsToCharacterDevice(path)))
        ReopenLostPort();
    else
        SayNotReopened(kMaybeAnother);
}

void TForm2::SayNotReopened(const char* why) {
    link_.AddLine(Link.PortPath.data());
    link_.AddLine(why);
}

// The instrument came back on its own defaults: open it and, once open, send it
// everything the controls hold, as start-up does.
void TForm2::ReopenLostPort() {
    lostPort_ = {};
    for (std::uint32_t i = 0; i < Link.PortCount && i < Link.PortTable.size(); ++i)
        if (std::strcmp(Link.PortTable[i].path.data(), Link.PortPath.data()) == 0)
            Link.PortTable[i].disconnected = false;
    FillPortRows();
    reopenTries_ = kReopenTries;
    OpenSelectedPort(OpenKind::Reopen);
}

// A node that udev has not given its group yet refuses permission for a moment:
// it is tried again on each tick for a while, the memo told once.
void TForm2::ReopenEnded(std::uint32_t choice, bool opened, serial::OpenFailure refusal) {
    if (choice != portChoice_)
        return; // another port has been chosen since
    if (opened) {
        reopenTries_ = 0;
        SendCompleteSetting();
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
