#include "app/generator_panel.h"
#include "app/panel_edits.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;

// A waveform or a typed text is reported as it changes; each of the three buttons and
// a double click on B's waveforms asks for its channel to be sent, the double click
// with its row first. Show sets only the texts that differ.
TEST(GeneratorPanel, ReportsEditsAndWhichChannelEachButtonSends) {
    PanelOnStrip<duruz::GeneratorPanel> p;
    duruz::GeneratorPanel& panel = p.panel;
    EXPECT_EQ(panel.waveformA.Count() * 100 + panel.waveformB.Count(), 1011);
    panel.waveformA.UserSelect(9);
    panel.frequencyB.SetText("2.5");
    panel.amplitudeA.SetText("0.5");
    panel.updateA.Click();
    panel.updateB.Click();
    panel.quickUpdateB.Click();
    panel.waveformB.UserDoubleClick(10);
    EXPECT_EQ(p.edits, (Edits{{Kind::Waveform, 0, 9, ""},
                              {Kind::Frequency, 1, 0, "2.5"},
                              {Kind::Amplitude, 0, 0, "0.5"},
                              {Kind::SendGenerator, 0, 0, ""},
                              {Kind::SendGenerator, 1, 0, ""},
                              {Kind::SendGenerator, 1, 0, ""},
                              {Kind::Waveform, 1, 10, ""},
                              {Kind::SendGenerator, 1, 0, ""}}));

    duruz::ScopeSettings settings;
    settings.generator[1] = {6, "2.5", "1.25"};
    p.edits.clear();
    panel.Show(settings);
    EXPECT_EQ(p.edits, (Edits{{Kind::Amplitude, 0, 0, "1.00"}, {Kind::Amplitude, 1, 0, "1.25"}}));
    EXPECT_EQ(panel.waveformA.ItemIndex() * 100 + panel.waveformB.ItemIndex(), -94);
}

} // namespace
