#include "app/panel_edits.h"
#include "app/vertical_panel.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// Each control reports through the one callback with its channel; a box set by code
// reports as a click would. A range list is relabelled for its probe when shown.
TEST(VerticalPanel, ReportsEachEditWithItsChannelAndShowsRangesForTheirProbes) {
    PanelOnStrip<duruz::VerticalPanel> p;
    duruz::VerticalPanel& panel = p.panel;
    panel.probe1.UserSelect(0);
    panel.range2.UserSelect(5);
    panel.shown2.SetChecked(false);
    panel.spectrum1.SetChecked(true);
    panel.hold.SetChecked(true);
    EXPECT_EQ(p.edits, (Edits{{Kind::Probe, 0, 0, ""},
                              {Kind::Range, 1, 5, ""},
                              {Kind::Shown, 1, 0, ""},
                              {Kind::Spectrum, 0, 1, ""},
                              {Kind::Hold, 0, 1, ""}}));

    duruz::ScopeSettings settings;
    settings.channels[1] = {0, 3, true, false};
    p.edits.clear();
    panel.Show(settings);
    EXPECT_EQ(p.edits,
              (Edits{{Kind::Spectrum, 0, 0, ""}, {Kind::Shown, 1, 1, ""}, {Kind::Hold, 0, 0, ""}}));
    EXPECT_EQ(panel.range2.Item(0) + panel.range1.Item(0), "\261240V\26124V");
    EXPECT_EQ(std::tuple(panel.probe1.ItemIndex(), panel.range1.ItemIndex(),
                         panel.probe2.ItemIndex(), panel.range2.ItemIndex()),
              std::tuple(-1, -1, 0, 3));
    EXPECT_EQ(std::tuple(panel.range2.Left(), panel.range2.Top(), panel.range2.Width()),
              std::tuple(100, 64, 80));
}

} // namespace
