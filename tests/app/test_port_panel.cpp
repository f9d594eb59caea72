#include "app/panel_edits.h"
#include "app/port_panel.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace testing_support;

// The buttons and a row click report through the callback. A row is the device's
// name, described when the list is wide enough; its tooltip always describes it.
TEST(PortPanel, ReportsClicksAndDescribesRowsAsRoomAllows) {
    PanelOnStrip<duruz::PortPanel> p;
    duruz::PortPanel& panel = p.panel;
    duruz::SerialLink link;
    const auto add = [&link](const char* name, const char* description, bool disconnected) {
        duruz::PortEntry& entry = link.PortTable[link.PortCount++];
        std::strcpy(entry.name.data(), name);
        std::strcpy(entry.description.data(), description);
        entry.disconnected = disconnected;
    };
    add("ttyUSB0", "FTDI FT232R USB UART (A5)", false);
    add("ttyUSB1", "", true);
    add("Simulator", "", false);
    panel.ShowPorts(link, 2);
    panel.portList.UserSelect(1);
    panel.refresh.Click();
    panel.factoryReset.Click();
    EXPECT_EQ(p.edits, (Edits{{Kind::PortRow, 0, 1, ""},
                              {Kind::RefreshPorts, 0, 0, ""},
                              {Kind::FactoryReset, 0, 0, ""}}));
    EXPECT_EQ(panel.portList.Item(0) + "|" + panel.portList.Item(1) + "|" +
                  panel.portList.ItemHint(0),
              "ttyUSB0|ttyUSB1 (disconnected)|ttyUSB0 \x97 FTDI FT232R USB UART (A5)");
    duruz::ScopeSettings settings;
    settings.port.row = 2;
    panel.Show(settings);
    EXPECT_EQ(panel.portList.ItemIndex(), 2);
}

} // namespace
