#include "app/generator_panel.h"

#include "session/list_texts.h"

namespace duruz {

namespace {

using enum PanelEdit::Kind;

} // namespace

GeneratorPanel::GeneratorPanel(tk::Panel& strip)
    : waveformA(strip), waveformB(strip), frequencyA(strip, "200"), frequencyB(strip, "201"),
      amplitudeA(strip, "1.00"), amplitudeB(strip, "1.00"), updateA(strip, "Update"),
      updateB(strip, "Update"), quickUpdateB(strip, ""), labels_(strip) {
    for (int row = 0; row < WaveformRowCount(1); ++row) {
        if (row < WaveformRowCount(0))
            waveformA.Add(kWaveformRowTexts[static_cast<std::size_t>(row)]);
        waveformB.Add(kWaveformRowTexts[static_cast<std::size_t>(row)]);
    }
    amplitudeA.SetNumbersOnly();

    for (int c = 0; c < 2; ++c) {
        waveforms_[c]->OnClick = [this, c] { Report(Waveform, c, waveforms_[c]->ItemIndex()); };
        frequencies_[c]->OnChange = [this, c] { Report(Frequency, c, 0, frequencies_[c]->Text()); };
        amplitudes_[c]->OnChange = [this, c] { Report(Amplitude, c, 0, amplitudes_[c]->Text()); };
    }
    updateA.OnClick = [this] { Report(SendGenerator, 0); };
    updateB.OnClick = [this] { Report(SendGenerator, 1); };
    quickUpdateB.OnClick = [this] { Report(SendGenerator, 1); };
    waveformB.OnDblClick = [this] {
        Report(Waveform, 1, waveformB.ItemIndex());
        Report(SendGenerator, 1);
    };

    labels_.Add("Signal Generator", 440, 3, 120);
    labels_.Add("Waveform", 482, 22, 110);
    labels_.Add("Frequency", 606, 22, 70);
    labels_.Add("Peak Ampl", 684, 22, 70);
    labels_.Add("Ch A", 440, 40, 36, kCoral);
    labels_.Add("Ch B", 440, 64, 36, kLightBlue);

    quickUpdateB.SetBounds(562, 7, 8, 8);
    waveformA.SetBounds(482, 40, 116, kListHeight);
    frequencyA.SetBounds(606, 39, 70, 19);
    amplitudeA.SetBounds(684, 39, 60, 19);
    updateA.SetBounds(752, 38, 60, 21);
    waveformB.SetBounds(482, 64, 116, kListHeight);
    frequencyB.SetBounds(606, 63, 70, 19);
    amplitudeB.SetBounds(684, 63, 60, 19);
    updateB.SetBounds(752, 62, 60, 21);
}

void GeneratorPanel::Report(PanelEdit::Kind kind, int channel, int number, std::string text) {
    if (OnEdit)
        OnEdit({kind, channel, number, std::move(text)});
}

void GeneratorPanel::Show(const ScopeSettings& settings) {
    for (std::size_t c = 0; c < 2; ++c) {
        const GeneratorChannelSettings& channel = settings.generator[c];
        waveforms_[c]->SetItemIndex(channel.waveformRow);
        // Set only when it differs, so the cursor of a box being typed in stays.
        if (frequencies_[c]->Text() != channel.frequency)
            frequencies_[c]->SetText(channel.frequency);
        if (amplitudes_[c]->Text() != channel.amplitude)
            amplitudes_[c]->SetText(channel.amplitude);
    }
}

} // namespace duruz
