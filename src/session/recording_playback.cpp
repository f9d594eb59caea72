#include "session/recording_playback.h"

#include "link/instrument_facts.h"
#include "session/list_texts.h"
#include "view/export_csv.h"
#include "view/sample_scale.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace duruz {

namespace {

// An export's first line; a Windows editor that saved it ends its lines with "\r\n".
constexpr std::string_view kExportFirstLine = "# RORU-Duruz frame";
// An export of one frame is about 100 kB; anything far larger is not one.
constexpr std::size_t kLargestExportBytes = 4u << 20;
// The export's header lines that name the sweep and the trigger.
constexpr int kSweepLine = 6;
constexpr int kSyncLine = 7;

// Whether a file's first bytes are an export's first line and its end.
bool StartsAsExport(std::string_view start) {
    if (!start.starts_with(kExportFirstLine))
        return false;
    start.remove_prefix(kExportFirstLine.size());
    return start.starts_with('\n') || start.starts_with("\r\n");
}

// The file's bytes, up to `limit` of them; false with the reason when unreadable.
Status ReadStart(const std::string& path, std::size_t limit, std::string& bytes) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return Failure{std::generic_category().message(errno)};
    bytes.resize(limit);
    bytes.resize(std::fread(bytes.data(), 1, limit, file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return Failure{std::generic_category().message(errno)};
    return {};
}

// The row of the list whose text is `text`: -1 for the empty text of no row.
template <std::size_t N>
bool RowOfText(const std::array<const char*, N>& rows, std::string_view text, std::int32_t& row) {
    if (text.empty())
        return row = -1, true;
    const auto found =
        std::find_if(rows.begin(), rows.end(), [text](const char* row) { return text == row; });
    row = static_cast<std::int32_t>(found - rows.begin());
    return found != rows.end();
}

Result<ScopeSettings> SettingsOfExport(const CsvExportInfo& info) {
    ScopeSettings s;
    for (std::size_t c = 0; c < 2; ++c) {
        s.channels[c].probeRow = info.probeRow[c];
        s.channels[c].rangeRow = info.rangeRow[c];
    }
    if (!RowOfText(kSweepRowTexts, info.sweep, s.sweepRow))
        return Failure{"line " + std::to_string(kSweepLine) + " names no sweep: " + info.sweep};
    const std::size_t space = info.sync.find(' ');
    const std::string_view sync(info.sync);
    if (space == std::string::npos ||
        !RowOfText(kSourceRowTexts, sync.substr(0, space), s.trigger.sourceRow) ||
        !RowOfText(kPolarityRowTexts, sync.substr(space + 1), s.trigger.polarityRow))
        return Failure{"line " + std::to_string(kSyncLine) + " names no trigger: " + info.sync};
    // The level as sent is minus the bar; in XY mode it is pinned and the bar unknown.
    s.trigger.levelBar = IsXyMode(s.sweepRow) ? 0 : -info.syncLevel;
    s.trigger.positionBar = info.syncPosition;
    s.port.path = info.port;
    return s;
}

} // namespace

Result<std::unique_ptr<RecordingPlayback>> RecordingPlayback::Open(const std::string& path) {
    std::unique_ptr<RecordingPlayback> playback(new RecordingPlayback());
    playback->path_ = path;
    auto reader = RecordingReader::Open(path);
    Status opened;
    if (reader.Ok()) {
        playback->reader_ = reader.Take();
        opened = playback->IndexRecording();
    } else {
        std::string start;
        const Status read = ReadStart(path, kExportFirstLine.size() + 2, start);
        if (!read.Ok() || !StartsAsExport(start))
            return Failure{reader.Reason()};
        playback->kind_ = Source::CsvExport;
        opened = playback->ReadExport();
    }
    if (!opened.Ok())
        return Failure{opened.Reason()};
    return playback;
}

Status RecordingPlayback::IndexRecording() {
    std::uint64_t offset = reader_->Offset();
    while (reader_->Next(record_)) {
        if (record_.kind == RecordKind::Frame) {
            if (settings_.empty() || !(settings_.back() == record_.settings))
                settings_.push_back(record_.settings);
            frames_.push_back({offset, record_.time, std::uint32_t(settings_.size() - 1)});
        }
        offset = reader_->Offset();
    }
    extent_ = reader_->Extent();
    if (frames_.empty())
        return Failure{"the recording holds no whole frame" +
                       (extent_.intact ? std::string() : " (" + extent_.damage + ")")};
    return {};
}

Status RecordingPlayback::ReadExport() {
    std::string text;
    const Status read = ReadStart(path_, kLargestExportBytes + 1, text);
    if (!read.Ok())
        return read;
    if (text.size() > kLargestExportBytes)
        return Failure{"far larger than a frame export"};
    CsvExportInfo info;
    const Status parsed = ReadFrameCsv(text, exportFrame_, info);
    if (!parsed.Ok())
        return Failure{"not a frame export as this program writes it: " + parsed.Reason()};
    const Result<ScopeSettings> settings = SettingsOfExport(info);
    if (!settings.Ok())
        return Failure{"not a frame export as this program writes it: " + settings.Reason()};
    settings_.push_back(settings.Value());
    frames_.push_back({});
    exportDate_ = info.date;
    extent_.bytesRead = text.size();
    extent_.records = 1;
    return {};
}

Status RecordingPlayback::Load(std::size_t frame, FrameSamples& samples) {
    if (kind_ == Source::CsvExport) {
        samples = exportFrame_;
        return {};
    }
    const Status read = reader_->ReadAt(frames_.at(frame).offset, record_);
    if (!read.Ok())
        return read;
    const std::string where = "the frame at byte " + std::to_string(frames_[frame].offset);
    const std::size_t values = record_.sampleType == SampleType::RawCounts16 ? record_.counts.size()
                                                                             : record_.volts.size();
    if (values != samples.counts.CaptureBuffer.size())
        return Failure{where + " holds " + std::to_string(values) + " sample values, not " +
                       std::to_string(samples.counts.CaptureBuffer.size())};
    if (record_.sampleType == SampleType::RawCounts16) {
        samples.counts.RxBuffer = {};
        std::copy(record_.counts.begin(), record_.counts.end(),
                  samples.counts.CaptureBuffer.begin());
        samples.counts.FrameReady = true;
        samples.averaged = false;
        return {};
    }
    // A channel without a range has no volts: its samples read back as 0.
    const ScopeSettings& settings = SettingsOf(frame);
    for (std::size_t c = 0; c < 2; ++c) {
        const double scale =
            VoltsPerCount(settings.channels[c].probeRow, settings.channels[c].rangeRow);
        for (std::size_t i = c; i < values; i += 2)
            samples.average.samples[i] =
                scale != 0.0 ? static_cast<float>(record_.volts[i] / scale) : 0.0f;
    }
    samples.average.pointCount = kSamplePairs;
    samples.average.frames = static_cast<int>(record_.framesAveraged);
    samples.averaged = true;
    return {};
}

std::int64_t RecordingPlayback::WaitAfterMs(std::size_t frame) const {
    if (frame + 1 >= frames_.size())
        return 0;
    const std::int64_t micros =
        frames_[frame + 1].time.monotonicMicros - frames_[frame].time.monotonicMicros;
    return std::clamp<std::int64_t>(micros / 1000, 0, kLongestPlaybackWaitMs);
}

} // namespace duruz
