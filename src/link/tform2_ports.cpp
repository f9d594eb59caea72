// The window's side of devices coming and going.
#include "app/tform2.h"

#include "link/port_list.h"

namespace duruz {

void TForm2::PortsChanged() {
    const PortListUpdate update = RelistPorts(Link, PortSourcesOf(environment_));
    FillPortRows();
    ComPort.SetItemIndex(update.row);
    if (update.wentAway) {
        Display.Add(Link.PortPath.data());
        Display.Add("   disconnected");
    }
    if (update.change == OpenPortChange::Returned) {
        // The instrument came back on its own defaults: open it and send it
        // everything the controls hold, as start-up does.
        ComPortClick();
        if (Link.PortHandle != nullptr)
            SendCompleteSetting();
    }
}

} // namespace duruz
