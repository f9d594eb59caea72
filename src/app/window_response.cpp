// The trace menu's "Frequency response…": its window, and the main window's part
// while that window's sweep drives the session.
#include "app/main_window.h"
#include "app/response_window.h"

#include "view/status_texts.h"

namespace duruz {

void MainWindow::AddResponseItem() {
    traceMenu_.Add("Frequency response\u2026", "", [this] { OpenResponseWindow(); });
}

void MainWindow::OpenResponseWindow() {
    if (responseWindow_ == nullptr)
        responseWindow_ = std::make_unique<FrequencyResponseWindow>(*this);
    responseWindow_->ShowAndRaise();
}

std::string MainWindow::SweepRefusal() const {
    if (shown_.Active())
        return "a recording is shown; return to the live view first";
    if (!session_.LinkSide().PortOpen)
        return "no instrument is open (" + LinkText(session_.Status()) + ")";
    return "";
}

void MainWindow::SweepStarting() {
    sweepUserSetting_ = session_.Settings();
    sweepRunning_ = true;
    EnableSettingControls(false);
    status.memo.Add("Frequency response sweep: the capture waits until it ends");
}

void MainWindow::SweepEnded() {
    sweepRunning_ = false;
    EnableSettingControls(true);
    ShowSettings();
    status.memo.Add("Frequency response sweep ended: the setting is given back");
}

void MainWindow::EnableSettingControls(bool enabled) {
    controlStrip.SetEnabled(enabled);
    trigger.levelBar.SetEnabled(enabled);
    trigger.positionBar.SetEnabled(enabled);
}

// The traces shown and the spectra are the screen's own; every other edit would
// change what the sweep sets or reads. The refused control shows the user's setting
// again.
bool MainWindow::RefusedDuringSweep(const PanelEdit& edit) {
    using enum PanelEdit::Kind;
    if (!sweepRunning_ || edit.kind == Shown || edit.kind == Spectrum)
        return false;
    status.memo.Add("Not while the frequency response sweep runs: stop it first");
    ShowPanels(sweepUserSetting_);
    return true;
}

} // namespace duruz
