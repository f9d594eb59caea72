#pragma once

#include "base/result.h"
#include "link/capture_store.h"
#include "session/recording_reader.h"
#include "session/scope_settings.h"
#include "view/float_frame.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace duruz {

// The longest wait between two frames played at the recorded pace: a gap of minutes
// (a time-out, a reconnect) is shown after this instead of waited out whole.
inline constexpr std::int64_t kLongestPlaybackWaitMs = 2000;

// A recording, or the window's CSV export of one frame, opened to be shown off line.
// A recording is indexed once (each frame's place in the file, time and setting) and
// its samples read on demand, so a recording of hours opens without holding its
// frames. A damaged or truncated recording opens up to its last whole frame.
class RecordingPlayback {
public:
    enum class Source { Recording, CsvExport };

    // Opens a recording, or else an export that FrameCsv wrote. A file that is
    // neither, or a recording with no whole frame, is refused with the reason.
    static Result<std::unique_ptr<RecordingPlayback>> Open(const std::string& path);

    Source Kind() const { return kind_; }
    const std::string& Path() const { return path_; }
    std::size_t FrameCount() const { return frames_.size(); }
    // How much of the file was whole, and why reading stopped when it is not intact.
    // An export is read whole or refused: one record of the file's size.
    const RecordingExtent& Extent() const { return extent_; }
    // The export's date as its header gives it; empty for a recording.
    const std::string& ExportDate() const { return exportDate_; }

    // Frame `frame` (0 first) was captured at this time, under these settings.
    const RecordTime& TimeOf(std::size_t frame) const { return frames_.at(frame).time; }
    const ScopeSettings& SettingsOf(std::size_t frame) const {
        return settings_.at(frames_.at(frame).settings);
    }
    // Reads the frame's samples. Fails with the reason when the file no longer holds
    // them as indexed.
    Status Load(std::size_t frame, FrameSamples& samples);
    // How long to show the frame before the next one at the recorded pace: the
    // interval between their times, at most kLongestPlaybackWaitMs; 0 for the last.
    std::int64_t WaitAfterMs(std::size_t frame) const;

private:
    struct IndexedFrame {
        std::uint64_t offset = 0; // where its record starts in the file
        RecordTime time;
        std::uint32_t settings = 0; // into settings_
    };

    RecordingPlayback() = default;
    Status IndexRecording();
    Status ReadExport();

    Source kind_ = Source::Recording;
    std::string path_;
    std::unique_ptr<RecordingReader> reader_;
    RecordingExtent extent_;
    std::vector<IndexedFrame> frames_;
    // The setting of each run of frames captured under one, in file order.
    std::vector<ScopeSettings> settings_;
    FrameSamples exportFrame_;
    std::string exportDate_;
    RecordingRecord record_; // the record at hand, its samples' storage reused
};

} // namespace duruz
