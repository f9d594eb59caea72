// The window's status strip and the context menu of its trace area.
#include "app/tform2.h"

#include "link/instrument_facts.h"
#include "serial/steady_time.h"
#include "toolkit/image_canvas.h"
#include "toolkit/image_export.h"
#include "toolkit/standard_folders.h"
#include "view/export_csv.h"
#include "view/plot_area.h"
#include "view/trace_colors.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace duruz {

namespace {

enum Section { kLinkSection, kRateSection, kFaultsSection, kChannel1, kChannel2, kSpectrum };

constexpr tk::Color kText = 0x000000;
constexpr tk::Color kWarning = 0x0060C0; // dark orange, for a failed, unconfigured or lost port

// Local time as text in the given strftime format.
std::string LocalTime(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

} // namespace

std::int64_t TForm2::NowMs() const {
    if (environment_.clockMs)
        return environment_.clockMs();
    return serial::SteadyMicros() / 1000;
}

void TForm2::PortOpened(const std::string& port, const Result<OpenedPort>& opened) {
    PortStatus = StatusAfterOpen(port, opened); // the port is empty with no row selected
    FrameRate.Reset(NowMs());
    framesSeen_ = Link.Counters.framesReceived;
    staleSkips_ = 0; // with the link's counters
    UpdateStatusStrip();
}

// The measurements of the frame just drawn, with the probes and ranges it was drawn with.
void TForm2::MeasureDrawnFrame() {
    const int probe[2] = {Chan1Probe.ItemIndex(), Chan2Probe.ItemIndex()};
    const std::array<int, 2>& range = CaptureSettings.rangeRow;
    for (int c = 0; c < 2; ++c) {
        Measured[c] = MeasureChannel(Capture, c, probe[c], range[c], measureScratch_);
        SpectrumPeaks[c] = FindSpectrumPeak(Capture, c, probe[c], range[c], measureScratch_);
    }
}

// Everything the strip shows comes from here: the port's state, the link's counters
// and the measurements of the last frame drawn.
void TForm2::UpdateStatusStrip() {
    const std::int64_t now = NowMs();
    if (Link.Counters.framesReceived < framesSeen_)
        framesSeen_ = 0;
    for (; framesSeen_ < Link.Counters.framesReceived; ++framesSeen_)
        FrameRate.AddFrame(now);

    LinkStatus status = PortStatus;
    const bool opened =
        status.state == LinkStatus::State::Open || status.state == LinkStatus::State::Unconfigured;
    if (opened && !Link.PortOpen)
        status.state = LinkStatus::State::Disconnected;
    Strip.SetText(kLinkSection, "Link: " + LinkText(status),
                  status.state == LinkStatus::State::Open ? kText : kWarning);
    Strip.SetText(kRateSection, RateText(FrameRate.Rate(now), Link.Counters.framesReceived));
    LinkCounters faults = Link.Counters;
    faults.stale += staleSkips_;
    Strip.SetText(kFaultsSection, FaultsText(faults));

    const bool xyMode = IsXyMode(CaptureSettings.sweepRow);
    const bool shown[2] = {Scope1CheckBox.Checked(), Scope2CheckBox.Checked()};
    const bool spectrum[2] = {Fft1CheckBox.Checked(), Fft2CheckBox.Checked()};
    std::string peaks;
    for (int c = 0; c < 2; ++c) {
        const bool show = xyMode || shown[c];
        Strip.SetText(kChannel1 + c, show ? ChannelText(c, Measured[c]) : std::string(),
                      kTraceColors[c]);
        Strip.SetToolTip(kChannel1 + c, show ? ChannelDetail(c, Measured[c]) : std::string());
        if (spectrum[c] && !xyMode)
            peaks += (peaks.empty() ? "" : "  ") + SpectrumText(c, SpectrumPeaks[c]);
    }
    Strip.SetText(kSpectrum, peaks);
}

namespace {

// The trace area as drawn: right of the level bar, from the top edge down to and
// including the line of the lowest sample.
tk::ImageRect TraceRect(const TForm2& form) {
    const PlotArea area =
        ComputePlotArea(form.ClientWidth(), form.ClientHeight(), form.SyncVoltBar.Width(),
                        form.SyncPosBar.Height(), form.Controls.Height());
    return {area.left, 0, area.width, area.height + 1};
}

} // namespace

// A right click on the trace area opens its menu; elsewhere it does nothing. The
// area reaches right to the window's edge.
void TForm2::TraceContextMenu(int x, int y) {
    const tk::ImageRect trace = TraceRect(*this);
    if (x >= trace.left && y >= trace.top && y < trace.top + trace.height)
        TraceMenu.Popup(x, y);
}

void TForm2::SaveScreenClick() {
    const std::string path =
        AskSavePath("Save screen as PNG",
                    InFolder(tk::PicturesFolder(), "duruz-" + LocalTime("%Y%m%d-%H%M%S") + ".png"));
    if (path.empty())
        return;
    const Status saved = tk::SaveImagePng(Image().Pixels(), TraceRect(*this), path);
    if (!saved.Ok())
        ShowError("Could not save " + path + ":\n" + saved.Reason());
}

void TForm2::ExportCsvClick() {
    const std::string path = AskSavePath(
        "Export frame as CSV",
        InFolder(tk::DocumentsFolder(), "duruz-" + LocalTime("%Y%m%d-%H%M%S") + ".csv"));
    if (path.empty())
        return;
    CsvExportInfo info;
    info.date = LocalTime("%Y-%m-%d %H:%M:%S");
    info.port = Link.PortPath.data();
    info.probeRow[0] = Chan1Probe.ItemIndex();
    info.probeRow[1] = Chan2Probe.ItemIndex();
    const FrameSettings& held = CaptureSettings;
    info.rangeRow[0] = held.rangeRow[0];
    info.rangeRow[1] = held.rangeRow[1];
    // A list with no row selected gives an empty text.
    info.sweep = SweepSpeed.Item(held.sweepRow);
    info.sync = SyncSrcBox.Item(held.syncSourceRow) + " " + SyncPolBox.Item(held.syncPolarityRow);
    info.syncLevel = held.trigger.SyncLevel;
    info.syncPosition = held.trigger.SyncPosition;
    const Status written = WriteFrameCsv(path, Capture, info);
    if (!written.Ok())
        ShowError("Could not save " + path + ":\n" + written.Reason());
}

void TForm2::CopyScreenClick() {
    tk::CopyImageToClipboard(Image().Pixels(), TraceRect(*this));
}

std::string TForm2::AskSavePath(const std::string& title, const std::string& suggested) {
    if (environment_.askSavePath)
        return environment_.askSavePath(title, suggested);
    const bool png = suggested.size() > 4 && suggested.substr(suggested.size() - 4) == ".png";
    return tk::AskSaveFileName(*this, title, suggested,
                               png ? "PNG pictures (*.png)" : "CSV files (*.csv)");
}

void TForm2::ShowError(const std::string& message) {
    if (environment_.showError)
        environment_.showError(message);
    else
        tk::ShowErrorMessage(*this, message);
}

} // namespace duruz
