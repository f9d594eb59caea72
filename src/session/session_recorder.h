#pragma once

#include "base/result.h"
#include "session/instrument_session.h"
#include "session/recording_writer.h"
#include "view/float_frame.h"
#include "view/measure.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace duruz {

// A recording of what a session delivers, for every front end: the recording file
// (RecordingWriter) and, beside it as FILE.measure.csv, the measurement log, a row
// per frame and channel flushed as it is written. Frames are not contiguous in time,
// and the recording says where they are not: a gap record for each time-out the link
// counted, and one when a lost port is open again. Once running it allocates
// nothing per frame.
class SessionRecorder {
public:
    // Creates the recording, its header holding the session's settings and now, and
    // its measurement log; what the session counted before is not the recording's. Without
    // `overwrite` an existing file of either is refused (ExistsAlready) and nothing is replaced. A
    // failure names the file and gives the system's reason; a file this call made is not left
    // behind.
    static Result<std::unique_ptr<SessionRecorder>> Create(const std::string& path,
                                                           const std::string& programVersion,
                                                           const InstrumentSession& session,
                                                           bool overwrite);
    ~SessionRecorder();
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // Takes what the session's last Collect delivered: the gaps, then the frame kept
    // (output.frameKept) under the settings it was captured under, a settings-change
    // record before it when those are new. After a failed write every later call
    // fails the same way; the files keep every whole record and row before it.
    Status Follow(const InstrumentSession& session, const SessionOutput& output);
    // The same for a front end that averages the frames: the gaps, then `newAverage`,
    // the average the frame kept has just completed, in place of the frame (its
    // samples in volts, floating point throughout). A frame that completed no average
    // (null) is not recorded.
    Status FollowAveraged(const InstrumentSession& session, const SessionOutput& output,
                          const FloatFrame* newAverage);

    const std::string& Path() const { return path_; }
    std::uint64_t Frames() const { return frames_; }
    // The recording's and the log's bytes so far.
    std::uint64_t Bytes() const { return writer_->BytesWritten() + logBytes_; }

    // A refusal's reason ends with this when the file was there already.
    static constexpr const char* kExistsAlready = "the file exists already";

private:
    SessionRecorder(std::string path, std::unique_ptr<RecordingWriter> writer, std::FILE* log);
    Status Fail(const std::string& file, const std::string& reason);
    Status NoteGaps(const InstrumentSession& session, const SessionOutput& output);
    Status AddFrame(const InstrumentSession& session, const FloatFrame* average);

    std::string path_;
    std::string logPath_;
    std::unique_ptr<RecordingWriter> writer_;
    std::FILE* log_;
    std::uint64_t logBytes_ = 0;
    std::uint64_t frames_ = 0;
    ScopeSettings lastSettings_;
    std::uint64_t timeoutsSeen_ = 0;
    bool portSeenOpen_ = false;
    bool portLost_ = false;
    std::string failure_; // the first failure, repeated for every later call
    std::array<std::int16_t, 2 * kSamplePairs> counts_{};
    std::array<float, 2 * kSamplePairs> volts_{};
    std::string logRows_;
    std::unique_ptr<MeasureScratch> scratch_ = std::make_unique<MeasureScratch>();
};

} // namespace duruz
