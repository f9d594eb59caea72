#pragma once

#include "link/capture_store.h"
#include "session/recording_playback.h"
#include "session/scope_settings.h"
#include "view/float_frame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace duruz {

// How often playing looks whether the next frame is due.
inline constexpr int kPlaybackTickMs = 50;

// A recording or a frame export shown in the window off line, in place of the live
// view: the file, the frame shown and the state of playing it.
struct ShownRecording {
    std::unique_ptr<RecordingPlayback> playback; // null in the live view
    std::size_t frame = 0;                       // the frame shown, 0 first
    FrameSamples samples;                        // its samples
    bool playing = false;
    std::int64_t nextFrameMs = 0; // when playing shows the next frame, on the window's clock
    // Devices came or went while shown: the port list is looked at on return.
    bool portsChanged = false;

    bool Active() const { return playback != nullptr; }
    const ScopeSettings& Settings() const { return playback->SettingsOf(frame); }
};

// What the screen draws: the live frame with the live settings' probes and traces,
// or a recorded frame with its own settings throughout.
struct FrameOnScreen {
    const ScopeSettings& live;
    const ScopeSettings& captured;
    const CaptureStore& frame;
    // The live view's average when averaging is on and one is ready, or a recorded
    // average: drawn, measured and exported in place of the frame.
    const FloatFrame* averaged = nullptr;
};

// The memo line on opening: the file, how much of it was read and why reading
// stopped when it is damaged.
std::string OpenedLine(const RecordingPlayback& playback);

// The status strip's first three sections while a recording is shown.
struct RecordingStripTexts {
    std::string file;       // "Recording: night.rec", "Damaged recording: ..."
    std::string fileDetail; // the tooltip: the opened line
    std::string frame;      // "frame 3 of 120", ", playing"
    std::string time;       // when the frame was captured
    std::string timeDetail; // the tooltip: how playing treats long gaps
    bool damaged = false;
};
RecordingStripTexts StripTextsOf(const ShownRecording& shown);

} // namespace duruz
