// The window's "Record…": the frames it keeps appended to a recording, the same
// menu item stopping it.
#include "app/main_window.h"
#include "app/suggested_names.h"

#include "toolkit/application.h"
#include "toolkit/standard_folders.h"

namespace duruz {

namespace {

constexpr const char* kRecordCaption = "Record\u2026";
constexpr const char* kStopCaption = "Stop recording";

std::string SuggestedRecordingPath() {
    return InFolder(tk::DocumentsFolder(), LocalTime("recording-%Y%m%d-%H%M%S.rec"));
}

} // namespace

void MainWindow::AddRecordItem() {
    recordItem_ = traceMenu_.Count();
    traceMenu_.Add(kRecordCaption, "Ctrl+R", [this] { RecordClick(); });
}

void MainWindow::RecordClick() {
    if (recording_.Running()) {
        EndRecording();
        return;
    }
    const std::string path = AskSavePath("Record", SuggestedRecordingPath());
    if (path.empty())
        return;
    if (const Status started = recording_.Start(path, session_, NowMs()); !started.Ok()) {
        status.memo.Add("Could not record: " + started.Reason());
        ShowError("Could not record:\n" + started.Reason());
        return;
    }
    status.memo.Add("Recording to " + path);
    traceMenu_.SetCaption(recordItem_, kStopCaption);
    UpdateStatusStrip();
}

// Every frame the window keeps, or with averaging on every average it completes,
// with the gaps before it; a failed write ends the recording with what was written
// kept.
void MainWindow::RecordSessionOutput(const SessionOutput& output, bool newAverage) {
    const bool averaging = averager_.Choice().On();
    const FloatFrame* average = newAverage ? &averager_.Average() : nullptr;
    if (const Status followed = recording_.Follow(session_, output, averaging, average);
        !followed.Ok()) {
        traceMenu_.SetCaption(recordItem_, kRecordCaption);
        status.memo.Add("Recording stopped: " + followed.Reason());
        UpdateStatusStrip();
        // Not from inside the session's delivery: a message box runs its own loop.
        tk::Dispatch([this, reason = followed.Reason()] {
            ShowError("Recording stopped, what was written is kept:\n" + reason);
        });
    }
}

void MainWindow::EndRecording() {
    if (!recording_.Running())
        return;
    status.memo.Add(recording_.Stop());
    traceMenu_.SetCaption(recordItem_, kRecordCaption);
    UpdateStatusStrip();
}

} // namespace duruz
