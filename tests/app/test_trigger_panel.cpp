#include "app/panel_edits.h"
#include "app/trigger_panel.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// The lists report the row picked; a bar reports its position whenever it moves, by
// the user or by Show, clamped to its range; a bar that stays reports nothing.
TEST(TriggerPanel, ReportsRowsAndEveryBarMoveAndKeepsTheBarsAlongTheEdges) {
    tk::Form form;
    tk::Panel strip(form);
    duruz::TriggerPanel panel(form, strip);
    Edits edits;
    panel.OnEdit = [&edits](const duruz::PanelEdit& edit) { edits.push_back(edit); };
    panel.sweep.UserSelect(0);
    panel.source.UserSelect(1);
    panel.polarity.UserSelect(1);
    panel.levelBar.SetPosition(-2500);
    duruz::ScopeSettings settings;
    settings.trigger = {0, 0, -2000, 2048};
    panel.Show(settings);
    EXPECT_EQ(edits, (Edits{{Kind::Sweep, 0, 0, ""},
                            {Kind::TriggerSource, 0, 1, ""},
                            {Kind::TriggerPolarity, 0, 1, ""},
                            {Kind::TriggerLevel, 0, -2000, ""},
                            {Kind::TriggerPosition, 0, 2048, ""}}));
    EXPECT_EQ(std::tuple(panel.sweep.ItemIndex(), panel.source.ItemIndex()), std::tuple(-1, 0));

    panel.Place(1511, 899, 789);
    EXPECT_EQ(std::tuple(panel.levelBar.Top(), panel.levelBar.Width(), panel.levelBar.Height(),
                         panel.positionBar.Top(), panel.positionBar.Height()),
              std::tuple(3, 10, 783, 888, 11));
}

} // namespace
