#include "app/vertical_panel.h"

#include "session/list_texts.h"

namespace duruz {

VerticalPanel::VerticalPanel(tk::Panel& strip)
    : probe1(strip), probe2(strip), range1(strip), range2(strip), shown1(strip, "", true),
      shown2(strip, "", true), spectrum1(strip, "", false), spectrum2(strip, "", false),
      hold(strip, "Hold", false), labels_(strip) {
    for (int c = 0; c < 2; ++c) {
        for (const char* row : kProbeRowTexts)
            probes_[c]->Add(row);
        // The x1 probe's texts, until a probe is chosen.
        for (const char* row : RangeRowTexts(1))
            ranges_[c]->Add(row);
        probes_[c]->OnClick = [this, c] {
            Report(PanelEdit::Kind::Probe, c, probes_[c]->ItemIndex());
        };
        ranges_[c]->OnClick = [this, c] {
            Report(PanelEdit::Kind::Range, c, ranges_[c]->ItemIndex());
        };
        shown_[c]->OnChange = [this, c] {
            Report(PanelEdit::Kind::Shown, c, shown_[c]->Checked());
        };
        spectrum_[c]->OnChange = [this, c] {
            Report(PanelEdit::Kind::Spectrum, c, spectrum_[c]->Checked());
        };
    }
    hold.OnChange = [this] { Report(PanelEdit::Kind::Hold, 0, hold.Checked()); };

    labels_.Add("Vertical", 8, 3, 80);
    labels_.Add("Ch 1", 8, 40, 36, kCoral);
    labels_.Add("Ch 2", 8, 64, 36, kLightBlue);
    labels_.Add("Time", 196, 22, 30);
    labels_.Add("Freq", 228, 22, 30);

    probe1.SetBounds(48, 40, 46, kListHeight);
    range1.SetBounds(100, 40, 80, kListHeight);
    probe2.SetBounds(48, 64, 46, kListHeight);
    range2.SetBounds(100, 64, 80, kListHeight);
    hold.SetBounds(196, 3, 60, 16);
    shown1.SetBounds(200, 40, 18, kListHeight);
    spectrum1.SetBounds(232, 40, 18, kListHeight);
    shown2.SetBounds(200, 64, 18, kListHeight);
    spectrum2.SetBounds(232, 64, 18, kListHeight);
}

void VerticalPanel::Report(PanelEdit::Kind kind, int channel, int number) {
    if (OnEdit)
        OnEdit({kind, channel, number, {}});
}

void VerticalPanel::Show(const ScopeSettings& settings) {
    for (std::size_t c = 0; c < 2; ++c) {
        const ChannelSettings& channel = settings.channels[c];
        probes_[c]->SetItemIndex(channel.probeRow);
        // Relabelled only when the probe's texts differ, so an unchanged list keeps its top row.
        tk::ListBox& range = *ranges_[c];
        const auto texts = RangeRowTexts(channel.probeRow);
        bool relabel = false;
        for (int row = 0; row < kRangeRows; ++row)
            relabel = relabel || range.Item(row) != texts[static_cast<std::size_t>(row)];
        if (relabel) {
            range.Clear();
            for (const char* text : texts)
                range.Add(text);
        }
        range.SetItemIndex(channel.rangeRow);
        shown_[c]->SetChecked(channel.shown);
        spectrum_[c]->SetChecked(channel.spectrum);
    }
    hold.SetChecked(settings.hold);
}

} // namespace duruz
