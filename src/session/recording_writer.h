#pragma once

#include "base/result.h"
#include "session/recording_format.h"

#include <cstdio>
#include <memory>
#include <string>

namespace duruz {

// Appends a recording to its file as it is made: each record goes out in one write
// the moment it is added, so a run killed at any point leaves every record before
// the one being written whole. One buffer serves every record.
class RecordingWriter {
public:
    // Creates the file and writes the header. An existing file is refused unless
    // `overwrite`; a failure's reason is the system's ("No such file or directory",
    // "No space left on device").
    static Result<std::unique_ptr<RecordingWriter>>
    Create(const std::string& path, const RecordingHeader& header, bool overwrite);
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // `counts` holds the frame's sample pairs, channel 1 first in each.
    Status AddFrame(std::uint64_t sequence, const RecordTime& time, const ScopeSettings& settings,
                    const LinkCounters& counters, const std::int16_t* counts,
                    std::size_t countValues);
    // `volts` holds an averaged frame's sample pairs, channel 1 first in each.
    Status AddAveragedFrame(std::uint64_t sequence, const RecordTime& time,
                            const ScopeSettings& settings, const LinkCounters& counters,
                            std::uint32_t framesAveraged, const float* volts,
                            std::size_t voltValues);
    Status AddSettingsChange(const RecordTime& time, const ScopeSettings& settings);
    Status AddGap(const RecordTime& time, GapKind gap);

    // Bytes in the file so far, all of them whole records.
    std::uint64_t BytesWritten() const { return bytesWritten_; }

private:
    explicit RecordingWriter(std::FILE* file) : file_(file) {}
    Status WriteRecord();

    std::FILE* file_;
    std::string record_;
    // After a failed write the file may end in part of a record, and a record
    // appended behind it could never be read: every later one is refused.
    std::string failure_;
    std::uint64_t bytesWritten_ = 0;
};

// Creates a file of a recording for writing, or with `overwrite` empties an existing
// one; without it an existing file fails with EEXIST. nullptr, errno set, on failure.
std::FILE* CreateRecordingFile(const std::string& path, bool overwrite);

} // namespace duruz
