#include "app/status_panel.h"

#include "view/trace_colors.h"

#include <string>

namespace duruz {

namespace {

enum Section {
    kLinkSection,
    kRateSection,
    kFaultsSection,
    kChannel1,
    kChannel2,
    kRecording,
    kAveraging,
    kCursors,
    kSpectrum
};

constexpr tk::Color kText = 0x000000;
constexpr tk::Color kWarning = 0x0060C0; // dark orange, for a failed, unconfigured or lost port
constexpr tk::Color kRecordingText = 0x0000C0; // dark red, as a recorder's lamp

} // namespace

StatusPanel::StatusPanel(tk::Form& form)
    : memo(form), memoToggle(form, "."),
      strip(form, {230, 150, 340, 275, 275, 190, 110, 150, 150}) {
    // Hidden, the recording takes no room from the spectrum, which stretches.
    strip.SetShown(kRecording, false);
    strip.SetShown(kAveraging, false);
    strip.SetShown(kCursors, false);
    memo.SetFont("Courier", 13);
    memo.Add("Display");
    memo.SetVisible(false);
    memoToggle.OnClick = [this] { memo.SetVisible(!memo.Visible()); };
}

void StatusPanel::Place(int clientWidth, int traceBottom) {
    memo.SetBounds(clientWidth - 561 - 30, 30, 561, 419);
    memoToggle.SetBounds(clientWidth - 17 - 8, traceBottom - 17 - 8, 17, 17);
}

void StatusPanel::Show(const StripView& view) {
    strip.SetText(kLinkSection, "Link: " + LinkText(view.link),
                  view.link.state == LinkStatus::State::Open ? kText : kWarning);
    strip.SetText(kRateSection, RateText(view.framesPerSecond, view.counters.framesReceived));
    strip.SetText(kFaultsSection, FaultsText(view.counters));
    std::string peaks;
    for (int c = 0; c < 2; ++c) {
        const bool show = view.xyMode || view.shown[c];
        strip.SetText(kChannel1 + c, show ? ChannelText(c, view.measured[c]) : std::string(),
                      kTraceColors[c]);
        strip.SetToolTip(kChannel1 + c, show ? ChannelDetail(c, view.measured[c]) : std::string());
        if (view.spectrum[c] && !view.xyMode)
            peaks += (peaks.empty() ? "" : "  ") + SpectrumText(c, view.peaks[c]);
    }
    strip.SetText(kSpectrum, peaks);
    // With the cursors' section the strip is wider than the window's default width;
    // an empty spectrum section then gives up its room, so that no section is
    // squeezed while there is no spectrum.
    strip.SetShown(kSpectrum, !peaks.empty() || view.cursors.empty());
    strip.SetShown(kRecording, !view.recording.empty());
    strip.SetText(kRecording, view.recording, kRecordingText);
    strip.SetToolTip(kRecording, view.recordingPath);
    strip.SetShown(kAveraging, !view.averaging.empty());
    strip.SetText(kAveraging, view.averaging);
    // The section holds the readouts on one line, cut to its width beside the others
    // (the trace area shows them whole); its tooltip a line each.
    std::string oneLine = view.cursors;
    for (std::size_t at = oneLine.find('\n'); at != std::string::npos; at = oneLine.find('\n', at))
        oneLine.replace(at, 1, "  |  ");
    strip.SetShown(kCursors, !view.cursors.empty());
    strip.SetText(kCursors, oneLine);
    strip.SetToolTip(kCursors, view.cursors);
}

} // namespace duruz
