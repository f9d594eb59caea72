#include "app/port_panel.h"

#include "app/strip_labels.h"

#include <string>

namespace duruz {

PortPanel::PortPanel(tk::Panel& strip)
    : factoryReset(strip, "Reset to Factory Deefaults"), refresh(strip, "Refresh Comm Ports"),
      portList(strip) {
    refresh.SetTabStop(false);
    factoryReset.OnClick = [this] { Report(PanelEdit::Kind::FactoryReset); };
    refresh.OnClick = [this] { Report(PanelEdit::Kind::RefreshPorts); };
    portList.OnClick = [this] { Report(PanelEdit::Kind::PortRow, portList.ItemIndex()); };
    refresh.SetBounds(840, 4, 170, 24);
    portList.SetBounds(840, 36, 170, kListHeight);
    factoryReset.SetBounds(840, 62, 170, 26);
}

void PortPanel::Report(PanelEdit::Kind kind, int number) {
    if (OnEdit)
        OnEdit({kind, 0, number, {}});
}

void PortPanel::Show(const ScopeSettings& settings) {
    portList.SetItemIndex(settings.port.row);
}

void PortPanel::ShowPorts(const SerialLink& link, int row) {
    portList.Clear();
    for (std::uint32_t i = 0; i < link.PortCount && i < link.PortTable.size(); ++i) {
        const PortEntry& entry = link.PortTable[i];
        const std::string name = entry.name.data();
        std::string described = name;
        if (entry.description[0] != '\0')
            described += std::string(" \x97 ") + entry.description.data(); // an em dash
        if (entry.disconnected)
            described += " (disconnected)";
        std::string text = name;
        if (portList.TextFits(described))
            text = described;
        else if (entry.disconnected && portList.TextFits(name + " (disconnected)"))
            text = name + " (disconnected)";
        portList.Add(text);
        portList.SetItemHint(static_cast<int>(i), described);
    }
    portList.SetItemIndex(row);
}

} // namespace duruz
