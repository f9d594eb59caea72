#pragma once

#include "base/result.h"
#include "session/recording_format.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace duruz {

// How far a recording could be read.
struct RecordingExtent {
    std::uint64_t bytesRead = 0; // the header and every whole record
    std::uint64_t records = 0;   // whole records after the header
    // The file ends exactly after its last whole record.
    bool intact = true;
    // Why reading stopped early, in words for the user; empty when intact.
    std::string damage;
};

// Reads a recording record by record, in the order written, keeping only the record
// at hand. Reading stops for good at the end of the file or at the first record cut
// short or damaged; Extent() then tells how much was whole.
class RecordingReader {
public:
    // Opens the file and reads its header. A file that is not a recording, of a
    // format version this program does not know, or whose header is cut or damaged
    // is refused with a reason that says so.
    static Result<std::unique_ptr<RecordingReader>> Open(const std::string& path);
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    const RecordingHeader& Header() const { return header_; }
    // Reads the next whole record into `record`; false once there is none.
    bool Next(RecordingRecord& record);
    const RecordingExtent& Extent() const { return extent_; }
    // Where the record that Next reads next starts, in bytes from the file's start.
    std::uint64_t Offset() const { return extent_.bytesRead; }
    // Reads again the whole record at `offset`, one Offset() gave, leaving the reading
    // in order where it was; a reader keeps an index of offsets instead of the
    // records. Fails with the reason when the record is no longer whole there.
    Status ReadAt(std::uint64_t offset, RecordingRecord& record);

private:
    enum class Outcome { Whole, End, Cut, Damaged, ReadError };

    explicit RecordingReader(std::FILE* file) : file_(file) {}
    // Reads the record at the file's position into record, through bytes_.
    Outcome ReadRecord(RecordingRecord& record, std::string& damage);
    bool Stop(const std::string& damage);

    std::FILE* file_;
    RecordingHeader header_;
    RecordingExtent extent_;
    std::vector<std::uint8_t> bytes_;
    bool stopped_ = false;
};

// An interval between frames longer than this is reported as a gap: a frame
// takes under a second on the wire, so at least two frames went missing. Between
// averages, the same for each frame that went into the later one.
inline constexpr std::int64_t kFrameGapMicros = 3'000'000;

struct RecordingGap {
    RecordTime at;                   // the gap record's time, or the frame after the silence
    bool recorded = false;           // told by a gap record; otherwise seen between frames
    GapKind kind = GapKind::Timeout; // when recorded
    std::int64_t silenceMicros = 0;  // when seen between frames
};

struct RecordedSetting {
    RecordTime at; // the header's start, or the change record's time
    ScopeSettings settings;
};

// What a recording holds, as `info` reports it.
struct RecordingSummary {
    RecordingHeader header;
    RecordingExtent extent;
    std::uint64_t frames = 0;
    std::uint64_t averages = 0; // frames that are averages of frames
    RecordTime firstFrame; // valid when frames > 0
    RecordTime lastFrame;
    std::vector<RecordingGap> gaps;
    std::vector<RecordedSetting> settings; // the header's, then each change
};

// Reads the whole file, record by record.
Result<RecordingSummary> SummarizeRecording(const std::string& path);

} // namespace duruz
