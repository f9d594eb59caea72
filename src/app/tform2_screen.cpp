// The window's drawing and its click on the trace area.
#include "app/tform2.h"

#include "view/diagnostic_log.h"
#include "view/redraw_screen.h"

namespace duruz {

void TForm2::RedrawScreen() {
    ScreenInputs in;
    in.clientWidth = ClientWidth();
    in.clientHeight = ClientHeight();
    in.levelBarWidth = SyncVoltBar.Width();
    in.positionBarHeight = SyncPosBar.Height();
    in.controlsHeight = Controls.Height();
    // The frame's own setting; the probes are the program's multipliers and apply to any frame.
    in.sweepRow = CaptureSettings.sweepRow;
    in.probeRow[0] = Chan1Probe.ItemIndex();
    in.probeRow[1] = Chan2Probe.ItemIndex();
    in.rangeRow[0] = CaptureSettings.rangeRow[0];
    in.rangeRow[1] = CaptureSettings.rangeRow[1];
    in.scope[0] = Scope1CheckBox.Checked();
    in.scope[1] = Scope2CheckBox.Checked();
    in.fft[0] = Fft1CheckBox.Checked();
    in.fft[1] = Fft2CheckBox.Checked();
    in.syncPosition = CaptureSettings.trigger.SyncPosition;
    in.syncLevel = CaptureSettings.trigger.SyncLevel;
    Plot = duruz::RedrawScreen(GetCanvas(), in, Capture, SpectrumWorkArea);
    MeasureDrawnFrame();
    UpdateStatusStrip();
}

// Three lines across the window, a dump of the last frame, then a fresh request;
// the next tick redraws over the lines from the samples held.
void TForm2::ScreenClick() {
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

    if (!environment_.diagnosticLogPath.empty())
        WriteDiagnosticLog(environment_.diagnosticLogPath, Capture, CaptureSettings.trigger);
    Capture.FrameReady = true;
    RequestCapture();
}

} // namespace duruz
