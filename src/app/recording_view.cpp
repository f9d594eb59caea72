// A recording or a frame export shown in the window off line: opening it, stepping
// and playing its frames, and the return to the live view.
#include "app/recording_view.h"

#include "app/main_window.h"
#include "session/recording_info.h"
#include "toolkit/image_export.h"
#include "view/number_text.h"

#include <filesystem>
#include <utility>

namespace duruz {

namespace {

// The strip's sections that name the port, the frame rate and the line faults in the
// live view (StatusPanel).
constexpr int kFileSection = 0;
constexpr int kFrameSection = 1;
constexpr int kTimeSection = 2;
constexpr tk::Color kWarning = 0x0060C0;

std::string Seconds(std::int64_t micros) {
    std::string text;
    AppendFixed(text, double(micros) / 1e6, 3);
    return text + " s";
}

} // namespace

std::string OpenedLine(const RecordingPlayback& playback) {
    const RecordingExtent& extent = playback.Extent();
    const std::size_t frames = playback.FrameCount();
    std::string line =
        (playback.Kind() == RecordingPlayback::Source::CsvExport ? "Frame export " : "Recording ") +
        playback.Path() + ": " + std::to_string(frames) + (frames == 1 ? " frame, " : " frames, ") +
        std::to_string(extent.bytesRead) + " bytes read";
    if (!extent.intact)
        line += "; the rest is lost: " + extent.damage;
    return line;
}

RecordingStripTexts StripTextsOf(const ShownRecording& shown) {
    const RecordingPlayback& playback = *shown.playback;
    RecordingStripTexts texts;
    const std::string name = std::filesystem::path(playback.Path()).filename().string();
    texts.damaged = !playback.Extent().intact;
    if (playback.Kind() == RecordingPlayback::Source::CsvExport)
        texts.file = "Frame export: " + name;
    else
        texts.file = (texts.damaged ? "Damaged recording: " : "Recording: ") + name;
    texts.fileDetail = OpenedLine(playback);
    texts.frame = "frame " + std::to_string(shown.frame + 1) + " of " +
                  std::to_string(playback.FrameCount()) + (shown.playing ? ", playing" : "");
    if (playback.Kind() == RecordingPlayback::Source::CsvExport) {
        texts.time = "exported " + playback.ExportDate();
        return texts;
    }
    const RecordTime& time = playback.TimeOf(shown.frame);
    texts.time = IsoTime(time.wallMillis) + "  +" +
                 Seconds(time.monotonicMicros - playback.TimeOf(0).monotonicMicros);
    const std::int64_t gap =
        shown.frame == 0 ? 0
                         : time.monotonicMicros - playback.TimeOf(shown.frame - 1).monotonicMicros;
    if (gap > kLongestPlaybackWaitMs * 1000)
        texts.time += "  after a gap of " + Seconds(gap);
    texts.timeDetail = "Playing keeps the recorded pace but waits at most " +
                       std::to_string(kLongestPlaybackWaitMs / 1000) +
                       " s for a frame: longer gaps are shortened.";
    return texts;
}

void MainWindow::WirePlayback() {
    traceMenu_.Add("Open recording\u2026", "Ctrl+O", [this] { OpenRecordingClick(); });
    returnItem_ = traceMenu_.Count();
    traceMenu_.Add("Return to live view", "", [this] { ReturnToLiveView(); });
    traceMenu_.SetEnabled(returnItem_, false);
    OnKey = [this](tk::Key key) { RecordingKey(key); };
    playbackTimer_.OnTimer = [this] { PlaybackTick(); };
}

FrameOnScreen MainWindow::FrameShown() const {
    if (shown_.Active())
        return {shown_.Settings(), shown_.Settings(), shown_.samples.counts,
                shown_.samples.averaged ? &shown_.samples.average : nullptr};
    return {session_.Settings(), session_.CapturedUnder(), session_.Frame(),
            averager_.Ready() ? &averager_.Average() : nullptr};
}

// A file that cannot be shown changes nothing: the live view, or the recording
// shown, goes on.
void MainWindow::OpenRecordingClick() {
    if (sweepRunning_) {
        ShowError("Could not open a recording:\nnot while the frequency response sweep runs; "
                  "stop it first");
        return;
    }
    const std::string path = AskOpenPath("Open recording");
    if (path.empty())
        return;
    auto opened = RecordingPlayback::Open(path);
    if (!opened.Ok()) {
        ShowError("Could not open " + path + ":\n" + opened.Reason());
        return;
    }
    std::unique_ptr<RecordingPlayback> playback = opened.Take();
    auto first = std::make_unique<FrameSamples>();
    const Status loaded = playback->Load(0, *first);
    if (!loaded.Ok()) {
        ShowError("Could not open " + path + ":\n" + loaded.Reason());
        return;
    }
    SetPlaying(false);
    shown_.playback = std::move(playback);
    shown_.frame = 0;
    shown_.samples = *first;
    traceMenu_.SetEnabled(returnItem_, true);
    status.memo.Add(OpenedLine(*shown_.playback));
    screen_.redrawDue = false;
    RedrawScreen();
    FocusFreeArea(); // the keys step through the frames at once
}

void MainWindow::ReturnToLiveView() {
    if (!shown_.Active())
        return;
    SetPlaying(false);
    shown_.playback.reset();
    traceMenu_.SetEnabled(returnItem_, false);
    // The live view's sections have no tooltips of their own.
    status.strip.SetToolTip(kFileSection, "");
    status.strip.SetToolTip(kTimeSection, "");
    RedrawScreen();
    if (std::exchange(shown_.portsChanged, false))
        PortsChanged();
}

void MainWindow::RecordingKey(tk::Key key) {
    if (!shown_.Active())
        return;
    const std::size_t last = shown_.playback->FrameCount() - 1;
    switch (key) {
    case tk::Key::Left:
        ShowRecordedFrame(shown_.frame == 0 ? 0 : shown_.frame - 1);
        break;
    case tk::Key::Right:
        ShowRecordedFrame(std::min(shown_.frame + 1, last));
        break;
    case tk::Key::Home:
        ShowRecordedFrame(0);
        break;
    case tk::Key::End:
        ShowRecordedFrame(last);
        break;
    case tk::Key::Space:
        // Played to its end, the recording plays again from its first frame.
        if (!shown_.playing && shown_.frame == last && last > 0)
            ShowRecordedFrame(0);
        SetPlaying(!shown_.playing && shown_.frame < last);
        UpdateStatusStrip();
        break;
    case tk::Key::Escape:
        ReturnToLiveView();
        break;
    case tk::Key::Up:
    case tk::Key::Down:
        break;
    }
}

// A frame that cannot be read any more (the file changed since it was opened) stops
// playing and leaves the frame shown as it was.
void MainWindow::ShowRecordedFrame(std::size_t frame) {
    const Status loaded = shown_.playback->Load(frame, shown_.samples);
    if (!loaded.Ok()) {
        SetPlaying(false);
        ShowError("Could not read frame " + std::to_string(frame + 1) + " of " +
                  shown_.playback->Path() + ":\n" + loaded.Reason());
        return;
    }
    shown_.frame = frame;
    if (shown_.playing)
        shown_.nextFrameMs = NowMs() + shown_.playback->WaitAfterMs(frame);
    RedrawScreen();
}

void MainWindow::SetPlaying(bool playing) {
    shown_.playing = playing;
    if (playing)
        shown_.nextFrameMs = NowMs() + shown_.playback->WaitAfterMs(shown_.frame);
    playbackTimer_.SetEnabled(playing && environment_.startTimer);
}

// Playing shows each frame for its recorded interval and stops at the last.
void MainWindow::PlaybackTick() {
    if (!shown_.playing || NowMs() < shown_.nextFrameMs)
        return;
    ShowRecordedFrame(shown_.frame + 1);
    if (shown_.frame + 1 >= shown_.playback->FrameCount()) {
        SetPlaying(false);
        UpdateStatusStrip();
    }
}

void MainWindow::ShowRecordingStrip() {
    const RecordingStripTexts texts = StripTextsOf(shown_);
    status.strip.SetText(kFileSection, texts.file, texts.damaged ? kWarning : 0x000000);
    status.strip.SetToolTip(kFileSection, texts.fileDetail);
    status.strip.SetText(kFrameSection, texts.frame);
    status.strip.SetText(kTimeSection, texts.time);
    status.strip.SetToolTip(kTimeSection, texts.timeDetail);
}

std::string MainWindow::AskOpenPath(const std::string& title) {
    if (environment_.askOpenPath)
        return environment_.askOpenPath(title);
    return tk::AskOpenFileName(*this, title,
                               "Recordings and frame exports (*.rec *.csv);;All files (*)");
}

} // namespace duruz
