// The window's side of devices coming and going.
#include "app/tform2.h"

#include "link/port_list.h"

#include <cstring>

namespace duruz {

void TForm2::PortsChanged() {
    const PortListUpdate update = RelistPorts(Link, PortSourcesOf(environment_));
    FillPortRows();
    ComPort.SetItemIndex(update.row);
    if (update.wentAway) {
        LogDisconnected();
        lostPort_ = {true, true};
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
}

void TForm2::LogDisconnected() {
    link_.AddLine(Link.PortPath.data());
    link_.AddLine("   disconnected");
}

void TForm2::PortLost() {
    if (lostPort_.lost)
        return;
    lostPort_ = {true, false};
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

// The instrument came back on its own defaults: open it and send it everything
// the controls hold, as start-up does.
void TForm2::ReopenLostPort() {
    lostPort_ = {};
    for (std::uint32_t i = 0; i < Link.PortCount && i < Link.PortTable.size(); ++i)
        if (std::strcmp(Link.PortTable[i].path.data(), Link.PortPath.data()) == 0)
            Link.PortTable[i].disconnected = false;
    FillPortRows();
    ComPortClick();
    SendCompleteSetting();
}

} // namespace duruz
