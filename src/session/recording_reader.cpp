#include "session/recording_reader.h"

#include "base/crc32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace duruz {

namespace {

std::uint32_t Word(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Reads `count` more bytes onto the end of `bytes`; false when the file has fewer.
bool ReadMore(std::FILE* file, std::vector<std::uint8_t>& bytes, std::size_t count) {
    const std::size_t had = bytes.size();
    bytes.resize(had + count);
    const std::size_t read = std::fread(bytes.data() + had, 1, count, file);
    bytes.resize(had + read);
    return read == count;
}

bool CrcMatches(const std::vector<std::uint8_t>& bytes) {
    const std::size_t covered = bytes.size() - 4;
    return Crc32(bytes.data(), covered) == Word(bytes.data() + covered);
}

// The file's position as a 64-bit offset, for recordings over 2 GB where long is 32 bits.
bool SeekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

} // namespace

Result<std::unique_ptr<RecordingReader>> RecordingReader::Open(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return Failure{std::generic_category().message(errno)};
    std::unique_ptr<RecordingReader> reader(new RecordingReader(file));
    std::vector<std::uint8_t>& bytes = reader->bytes_;
    const std::size_t fixed = sizeof kRecordingMagic + 8;
    const bool whole = ReadMore(file, bytes, fixed);
    if (bytes.size() < sizeof kRecordingMagic ||
        std::memcmp(bytes.data(), kRecordingMagic, sizeof kRecordingMagic) != 0)
        return Failure{"not a Duruz recording"};
    if (!whole)
        return Failure{"the recording's header is cut short"};
    const std::uint32_t version = Word(bytes.data() + 8);
    if (version != kRecordingFormatVersion)
        return Failure{"a recording of format version " + std::to_string(version) +
                       ", which this program cannot read"};
    const std::uint32_t length = Word(bytes.data() + 12);
    if (length > kMaxRecordBodyBytes)
        return Failure{"the recording's header is damaged"};
    if (!ReadMore(file, bytes, length + 4))
        return Failure{"the recording's header is cut short"};
    RecordingHeader& header = reader->header_;
    header.formatVersion = version;
    if (!CrcMatches(bytes) || !ParseHeaderBody(bytes.data() + fixed, length, header))
        return Failure{"the recording's header is damaged"};
    reader->extent_.bytesRead = bytes.size();
    return reader;
}

RecordingReader::~RecordingReader() {
    std::fclose(file_);
}

RecordingReader::Outcome RecordingReader::ReadRecord(RecordingRecord& record, std::string& damage) {
    bytes_.clear();
    if (!ReadMore(file_, bytes_, 5)) {
        if (std::ferror(file_)) {
            damage = "could not be read: " + std::generic_category().message(errno);
            return Outcome::ReadError;
        }
        damage = "is cut short";
        return bytes_.size() == 0 ? Outcome::End : Outcome::Cut;
    }
    const std::uint32_t length = Word(bytes_.data());
    if (length > kMaxRecordBodyBytes) {
        damage = "has an impossible length";
        return Outcome::Damaged;
    }
    if (!ReadMore(file_, bytes_, length + 4)) {
        damage = "is cut short";
        return Outcome::Cut;
    }
    if (!CrcMatches(bytes_) ||
        !ParseRecordBody(static_cast<RecordKind>(bytes_[4]), bytes_.data() + 5, length, record)) {
        damage = "is damaged";
        return Outcome::Damaged;
    }
    return Outcome::Whole;
}

bool RecordingReader::Next(RecordingRecord& record) {
    if (stopped_)
        return false;
    std::string damage;
    const Outcome outcome = ReadRecord(record, damage);
    if (outcome == Outcome::End)
        return stopped_ = true, false;
    if (outcome != Outcome::Whole)
        return Stop(damage);
    extent_.bytesRead += bytes_.size();
    ++extent_.records;
    return true;
}

Status RecordingReader::ReadAt(std::uint64_t offset, RecordingRecord& record) {
    std::string damage;
    const bool sought = SeekTo(file_, offset);
    std::clearerr(file_);
    const Outcome outcome = sought ? ReadRecord(record, damage) : Outcome::ReadError;
    if (!sought)
        damage = "could not be read: " + std::generic_category().message(errno);
    if (!SeekTo(file_, extent_.bytesRead) && !stopped_)
        Stop("could not be read: " + std::generic_category().message(errno));
    if (outcome != Outcome::Whole)
        return Failure{"the record at byte " + std::to_string(offset) + " " + damage};
    return {};
}

bool RecordingReader::Stop(const std::string& damage) {
    stopped_ = true;
    extent_.intact = false;
    extent_.damage = "record " + std::to_string(extent_.records + 1) + " at byte " +
                     std::to_string(extent_.bytesRead) + " " + damage;
    return false;
}

Result<RecordingSummary> SummarizeRecording(const std::string& path) {
    auto opened = RecordingReader::Open(path);
    if (!opened.Ok())
        return Failure{opened.Reason()};
    RecordingReader& reader = *opened.Value();
    RecordingSummary summary;
    summary.header = reader.Header();
    summary.settings.push_back({summary.header.start, summary.header.settings});
    RecordingRecord record;
    bool gapRecorded = false; // since the last frame, which explains the silence
    while (reader.Next(record)) {
        if (record.kind == RecordKind::SettingsChange) {
            summary.settings.push_back({record.time, record.settings});
        } else if (record.kind == RecordKind::Gap) {
            summary.gaps.push_back({record.time, true, record.gap, 0});
            gapRecorded = true;
        } else {
            const std::int64_t silence =
                record.time.monotonicMicros - summary.lastFrame.monotonicMicros;
            // An average is recorded once its frames are all in.
            const bool averaged = record.sampleType == SampleType::Float32;
            const std::int64_t allowed =
                kFrameGapMicros * (averaged ? std::max<std::int64_t>(record.framesAveraged, 1) : 1);
            summary.averages += averaged ? 1 : 0;
            if (summary.frames > 0 && silence > allowed && !gapRecorded)
                summary.gaps.push_back({record.time, false, GapKind::Timeout, silence});
            gapRecorded = false;
            if (summary.frames++ == 0)
                summary.firstFrame = record.time;
            summary.lastFrame = record.time;
        }
    }
    summary.extent = reader.Extent();
    return summary;
}

} // namespace duruz
