#pragma once

#include "base/result.h"
#include "session/session_recorder.h"

#include <cstdint>
#include <memory>
#include <string>

namespace duruz {

// The window's recording: the frames the window keeps, written through the shared
// recorder while one runs, and the indicator the status strip shows for it.
class RecordingControl {
public:
    bool Running() const { return recorder_ != nullptr; }
    // Starts recording to `path`, replacing a file there: the save dialog has asked.
    Status Start(const std::string& path, const InstrumentSession& session, std::int64_t nowMs);
    // Takes what the session delivered: with `averaging` on, the average the frame
    // completed (null for none) in place of the frame. A failed write ends the
    // recording, its files keeping what was written, and gives the reason.
    Status Follow(const InstrumentSession& session, const SessionOutput& output, bool averaging,
                  const FloatFrame* newAverage);
    // Ends the recording, its files closed; gives the memo's line for it.
    std::string Stop();

    // "Recording: 12 frames, 1.2 MB, 0:42"; empty when none runs.
    std::string IndicatorText(std::int64_t nowMs) const;
    // The recording's file; empty when none runs.
    std::string Path() const;

private:
    std::unique_ptr<SessionRecorder> recorder_;
    std::int64_t startedMs_ = 0;
};

} // namespace duruz
