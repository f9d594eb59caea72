#pragma once

#include "app/panel_edit.h"
#include "link/serial_link.h"
#include "toolkit/controls.h"

namespace duruz {

// The port group: the button that lists the ports again, the port list, and the
// factory reset.
class PortPanel {
public:
    explicit PortPanel(tk::Panel& strip);

    // Shows the port row chosen.
    void Show(const ScopeSettings& settings);
    // Rebuilds the rows from the port table and selects `row`. Each row
    // starts with the device's name, so a stored row keeps its meaning; what the device
    // is goes into its tooltip, and into the row when there is room.
    void ShowPorts(const SerialLink& link, int row);

    // The controls in the order they take the focus.
    tk::Button factoryReset;
    tk::Button refresh;
    tk::ListBox portList;

    EditHandler OnEdit;

private:
    void Report(PanelEdit::Kind kind, int number = 0);
};

} // namespace duruz
