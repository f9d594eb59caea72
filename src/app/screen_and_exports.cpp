// The window's screen: the drawing of the frame held, the status strip, the click on
// the trace area and its context menu's exports.
#include "app/main_window.h"
#include "app/suggested_names.h"

#include "serial/steady_time.h"
#include "session/setting_steps.h"
#include "toolkit/image_canvas.h"
#include "toolkit/image_export.h"
#include "toolkit/standard_folders.h"
#include "view/diagnostic_log.h"
#include "view/export_csv.h"

namespace duruz {

namespace {

ScreenGeometry GeometryOf(const MainWindow& window) {
    return {window.ClientWidth(), window.ClientHeight(), window.trigger.levelBar.Width(),
            window.trigger.positionBar.Height(), window.controlStrip.Height()};
}

// The trace area as drawn: right of the level bar, from the top edge down to and
// including the line of the lowest sample.
tk::ImageRect TraceRect(const MainWindow& window) {
    const ScreenGeometry g = GeometryOf(window);
    const PlotArea area = ComputePlotArea(g.clientWidth, g.clientHeight, g.levelBarWidth,
                                          g.positionBarHeight, g.controlsHeight);
    return {area.left, 0, area.width, area.height + 1};
}

} // namespace

std::int64_t MainWindow::NowMs() const {
    if (environment_.clockMs)
        return environment_.clockMs();
    return serial::SteadyMicros() / 1000;
}

// The frame's own setting; the probes and the traces shown are the live settings'
// (a recorded frame's own throughout).
void MainWindow::RedrawScreen() {
    // The frame held is a sweep's while one runs: the screen keeps the last one drawn.
    if (sweepRunning_) {
        UpdateStatusStrip();
        return;
    }
    const FrameOnScreen shown = FrameShown();
    ScreenInputs in = ScreenInputsOf(shown.live, shown.captured, GeometryOf(*this));
    in.references = referenceDrawings_;
    screen_.plot = shown.averaged != nullptr
                       ? duruz::RedrawScreen(GetCanvas(), in, *shown.averaged, screen_.spectrumWork)
                       : duruz::RedrawScreen(GetCanvas(), in, shown.frame, screen_.spectrumWork);
    MeasureDrawnFrame();
    DrawCursorsAndReadouts();
    UpdateStatusStrip();
}

void MainWindow::ScreenClick() {
    if (sweepRunning_)
        return; // the frame held and the requests are the sweep's
    tk::Canvas& canvas = GetCanvas();
    canvas.SetPenColor(0xFF0000);
    canvas.MoveTo(0, 0);
    canvas.LineTo(1000, 1000);
    canvas.SetPenColor(0x0000FF);
    canvas.MoveTo(0, 0);
    canvas.LineTo(ClientWidth(), ClientHeight());
    canvas.SetPenColor(0x008000);
    canvas.MoveTo(0, ClientHeight());
    canvas.LineTo(ClientWidth(), 0);

    const FrameOnScreen shown = FrameShown();
    if (!environment_.diagnosticLogPath.empty())
        WriteDiagnosticLog(environment_.diagnosticLogPath, shown.frame, TriggerOf(shown.captured));
    screen_.redrawDue = true;
    if (!shown_.Active())
        session_.RequestCapture();
}

// The measurements of the frame just drawn, with the probes and ranges it was drawn with.
void MainWindow::MeasureDrawnFrame() {
    const FrameOnScreen shown = FrameShown();
    for (std::size_t c = 0; c < 2; ++c) {
        const int probe = shown.live.channels[c].probeRow;
        const int range = shown.captured.channels[c].rangeRow;
        const int channel = static_cast<int>(c);
        if (shown.averaged != nullptr) {
            const FloatFrame& frame = *shown.averaged;
            screen_.measured[c] = MeasureChannel(frame, channel, probe, range, screen_.scratch);
            screen_.peaks[c] = FindSpectrumPeak(frame, channel, probe, range, screen_.scratch);
        } else {
            const CaptureStore& frame = shown.frame;
            screen_.measured[c] = MeasureChannel(frame, channel, probe, range, screen_.scratch);
            screen_.peaks[c] = FindSpectrumPeak(frame, channel, probe, range, screen_.scratch);
        }
    }
}

// Everything the strip shows comes from here: the port's state, the link's counters
// and the measurements of the last frame drawn.
void MainWindow::UpdateStatusStrip() {
    const std::int64_t now = NowMs();
    const LinkCounters counters = session_.Counters();
    frameRate_.Follow(counters.framesReceived, now);

    const FrameOnScreen shown = FrameShown();
    const ScopeSettings& live = shown.live;
    StripView view;
    view.link = session_.Status();
    view.framesPerSecond = frameRate_.Rate(now);
    view.counters = counters;
    view.xyMode = IsXyMode(shown.captured.sweepRow);
    for (std::size_t c = 0; c < 2; ++c) {
        view.shown[c] = live.channels[c].shown;
        view.spectrum[c] = live.channels[c].spectrum;
    }
    view.measured = screen_.measured;
    view.peaks = screen_.peaks;
    view.recording = recording_.IndicatorText(now);
    view.recordingPath = recording_.Path();
    if (!shown_.Active())
        view.averaging = averager_.ProgressText();
    view.cursors = cursorReadouts_;
    status.Show(view);
    if (shown_.Active())
        ShowRecordingStrip();
}

// A right click on the trace area opens its menu; elsewhere it does nothing. The
// area reaches right to the window's edge.
void MainWindow::TraceContextMenu(int x, int y) {
    const tk::ImageRect trace = TraceRect(*this);
    if (x >= trace.left && y >= trace.top && y < trace.top + trace.height)
        traceMenu_.Popup(x, y);
}

void MainWindow::SaveScreenClick() {
    const std::string path =
        AskSavePath("Save screen as PNG",
                    InFolder(tk::PicturesFolder(), "duruz-" + LocalTime("%Y%m%d-%H%M%S") + ".png"));
    if (path.empty())
        return;
    const Status saved = tk::SaveImagePng(Image().Pixels(), TraceRect(*this), path);
    if (!saved.Ok())
        ShowError("Could not save " + path + ":\n" + saved.Reason());
}

void MainWindow::ExportCsvClick() {
    const std::string path = AskSavePath(
        "Export frame as CSV",
        InFolder(tk::DocumentsFolder(), "duruz-" + LocalTime("%Y%m%d-%H%M%S") + ".csv"));
    if (path.empty())
        return;
    const FrameOnScreen shown = FrameShown();
    const CsvExportInfo info =
        CsvExportInfoOf(shown.live, shown.captured, LocalTime("%Y-%m-%d %H:%M:%S"),
                        shown_.Active() ? shown.captured.port.path
                                        : std::string(session_.LinkSide().PortPath.data()));
    const Status written =
        WriteFrameCsv(path, shown.averaged != nullptr ? FrameCsv(*shown.averaged, info)
                                                      : FrameCsv(shown.frame, info));
    if (!written.Ok())
        ShowError("Could not save " + path + ":\n" + written.Reason());
}

void MainWindow::CopyScreenClick() {
    tk::CopyImageToClipboard(Image().Pixels(), TraceRect(*this));
}

std::string MainWindow::AskSavePath(const std::string& title, const std::string& suggested) {
    if (environment_.askSavePath)
        return environment_.askSavePath(title, suggested);
    const bool png = suggested.ends_with(".png");
    const bool recording = suggested.ends_with(".rec");
    return tk::AskSaveFileName(*this, title, suggested,
                               png         ? "PNG pictures (*.png)"
                               : recording ? "Recordings (*.rec)"
                                           : "CSV files (*.csv)");
}

void MainWindow::ShowError(const std::string& message) {
    if (environment_.showError)
        environment_.showError(message);
    else
        tk::ShowErrorMessage(*this, message);
}

} // namespace duruz
