#pragma once

#include "link/link_counters.h"
#include "session/scope_settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace duruz {

// The recording file, little-endian throughout (docs/recording-format.md): a header,
// then records, each self-delimiting and closed by a CRC-32, so a file cut anywhere
// reads back up to its last whole record.
inline constexpr char kRecordingMagic[8] = {'D', 'u', 'r', 'u', 'z', 'R', 'e', 'c'};
inline constexpr std::uint32_t kRecordingFormatVersion = 1;
// A record body larger than this is taken as damage, not data: a frame of floating
// point samples with its setting is under 20 kB.
inline constexpr std::uint32_t kMaxRecordBodyBytes = 1u << 20;
// Length, kind and CRC around each record body.
inline constexpr std::size_t kRecordFramingBytes = 4 + 1 + 4;

enum class RecordKind : std::uint8_t {
    Frame = 1,
    SettingsChange = 2,
    Gap = 3,
};

// How a frame's samples are held: the instrument's counts, or volts once frames are
// averaged.
enum class SampleType : std::uint8_t {
    RawCounts16 = 1,
    Float32 = 2,
};

// What interrupted the run of frames.
enum class GapKind : std::uint8_t {
    Timeout = 1,   // a request went unanswered
    Reconnect = 2, // the port was lost and opened again
};

// When something happened: the host's wall clock (milliseconds since 1970 UTC), and
// a monotonic clock (microseconds, any origin) that steps neither way with the wall
// clock's corrections.
struct RecordTime {
    std::int64_t wallMillis = 0;
    std::int64_t monotonicMicros = 0;

    static RecordTime Now();
    bool operator==(const RecordTime&) const = default;
};

// What a recording opens with: the program that wrote it, when it started and the
// setting it started under. formatVersion is the file's as read; a writer always
// writes kRecordingFormatVersion.
struct RecordingHeader {
    std::uint32_t formatVersion = kRecordingFormatVersion;
    std::string programVersion;
    RecordTime start;
    ScopeSettings settings;

    bool operator==(const RecordingHeader&) const = default;
};

// One record as read back; a reader reuses one, so the samples keep their storage.
// Fields a kind does not have keep what the last record of that kind left.
struct RecordingRecord {
    RecordKind kind = RecordKind::Frame;
    RecordTime time;
    ScopeSettings settings;     // Frame, SettingsChange
    std::uint64_t sequence = 0; // Frame
    LinkCounters counters;      // Frame; inResync is not recorded
    SampleType sampleType = SampleType::RawCounts16;
    std::vector<std::int16_t> counts; // RawCounts16: channel 1 first in each pair
    std::vector<float> volts;         // Float32: channel 1 first in each pair
    std::uint32_t framesAveraged = 1; // Float32: how many frames went into it
    GapKind gap = GapKind::Timeout;   // Gap
};

// The bytes of a header (always of this format version), and of one whole record
// (framing and CRC included), appended to `out`.
void AppendHeader(std::string& out, const RecordingHeader& header);
void AppendFrameRecord(std::string& out, std::uint64_t sequence, const RecordTime& time,
                       const ScopeSettings& settings, const LinkCounters& counters,
                       const std::int16_t* counts, std::size_t countValues);
// An averaged frame: its samples in volts, and how many frames went into it.
void AppendAveragedFrameRecord(std::string& out, std::uint64_t sequence, const RecordTime& time,
                               const ScopeSettings& settings, const LinkCounters& counters,
                               std::uint32_t framesAveraged, const float* volts,
                               std::size_t voltValues);
void AppendSettingsRecord(std::string& out, const RecordTime& time, const ScopeSettings& settings);
void AppendGapRecord(std::string& out, const RecordTime& time, GapKind gap);

// Parses a header's body (what follows the magic, the version and the length) or a
// record's body; false when the bytes do not make one exactly.
bool ParseHeaderBody(const std::uint8_t* body, std::size_t length, RecordingHeader& header);
bool ParseRecordBody(RecordKind kind, const std::uint8_t* body, std::size_t length,
                     RecordingRecord& record);

} // namespace duruz
