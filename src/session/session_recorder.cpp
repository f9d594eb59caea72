#include "session/session_recorder.h"

#include "session/measure_log.h"
#include "view/sample_scale.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace duruz {

namespace {

std::string SystemReason(int code) {
    return std::generic_category().message(code != 0 ? code : EIO);
}

RecordTime TimeOf(const FrameArrival& arrival) {
    using namespace std::chrono;
    return {duration_cast<milliseconds>(arrival.wall.time_since_epoch()).count(),
            duration_cast<microseconds>(arrival.steady.time_since_epoch()).count()};
}

std::uint64_t TimeoutsOf(const LinkCounters& counters) {
    return std::uint64_t{counters.timeoutsEmpty} + counters.timeoutsPartial;
}

// The port as the link last left it: open (configured or not), or not.
bool PortIsOpen(LinkStatus::State state) {
    return state == LinkStatus::State::Open || state == LinkStatus::State::Unconfigured;
}

} // namespace

Result<std::unique_ptr<SessionRecorder>> SessionRecorder::Create(const std::string& path,
                                                                 const std::string& programVersion,
                                                                 const InstrumentSession& session,
                                                                 bool overwrite) {
    RecordingHeader header;
    header.programVersion = programVersion;
    header.start = RecordTime::Now();
    header.settings = session.Settings();
    Result<std::unique_ptr<RecordingWriter>> created =
        RecordingWriter::Create(path, header, overwrite);
    if (!created.Ok())
        return Failure{path + ": " + created.Reason()};
    std::unique_ptr<RecordingWriter> writer = created.Take();
    const std::string logPath = path + ".measure.csv";
    errno = 0;
    std::FILE* log = CreateRecordingFile(logPath, overwrite);
    const int code = errno;
    const std::string columns = MeasureCsvHeader();
    if (log != nullptr && std::fwrite(columns.data(), 1, columns.size(), log) == columns.size() &&
        std::fflush(log) == 0) {
        std::unique_ptr<SessionRecorder> recorder(
            new SessionRecorder(path, std::move(writer), log));
        recorder->lastSettings_ = header.settings;
        recorder->logBytes_ = columns.size();
        recorder->timeoutsSeen_ = TimeoutsOf(session.Counters());
        recorder->portSeenOpen_ = PortIsOpen(session.PortState());
        return recorder;
    }
    const std::string reason =
        log == nullptr && code == EEXIST ? kExistsAlready : SystemReason(log ? errno : code);
    if (log != nullptr)
        std::fclose(log);
    writer.reset();
    if (!overwrite) { // made by this call, of no use alone
        std::remove(path.c_str());
        if (log != nullptr)
            std::remove(logPath.c_str());
    }
    return Failure{logPath + ": " + reason};
}

SessionRecorder::SessionRecorder(std::string path, std::unique_ptr<RecordingWriter> writer,
                                 std::FILE* log)
    : path_(std::move(path)), logPath_(path_ + ".measure.csv"), writer_(std::move(writer)),
      log_(log) {}

SessionRecorder::~SessionRecorder() {
    std::fclose(log_);
}

Status SessionRecorder::Follow(const InstrumentSession& session, const SessionOutput& output) {
    if (!failure_.empty())
        return Failure{failure_};
    if (Status noted = NoteGaps(session, output); !noted.Ok())
        return noted;
    return output.frameKept ? AddFrame(session, nullptr) : Status{};
}

Status SessionRecorder::FollowAveraged(const InstrumentSession& session,
                                       const SessionOutput& output, const FloatFrame* newAverage) {
    if (!failure_.empty())
        return Failure{failure_};
    if (Status noted = NoteGaps(session, output); !noted.Ok())
        return noted;
    return output.frameKept && newAverage != nullptr ? AddFrame(session, newAverage) : Status{};
}

// A time-out counted since the last call is a gap, each one; the link's counters
// start again at every open. A port seen open, then lost, is a gap once it is open
// again.
Status SessionRecorder::NoteGaps(const InstrumentSession& session, const SessionOutput& output) {
    const std::uint64_t timeouts = TimeoutsOf(session.Counters());
    if (output.portAnswered || timeouts < timeoutsSeen_)
        timeoutsSeen_ = 0;
    for (; timeoutsSeen_ < timeouts; ++timeoutsSeen_)
        if (Status added = writer_->AddGap(RecordTime::Now(), GapKind::Timeout); !added.Ok())
            return Fail(path_, added.Reason());
    const LinkStatus::State state = session.PortState();
    if (PortIsOpen(state)) {
        if (portLost_)
            if (Status added = writer_->AddGap(RecordTime::Now(), GapKind::Reconnect); !added.Ok())
                return Fail(path_, added.Reason());
        portLost_ = false;
        portSeenOpen_ = true;
    } else if (portSeenOpen_ && state == LinkStatus::State::Disconnected) {
        portLost_ = true;
    }
    return {};
}

// The frame kept, or the average it completed, under the settings it was captured
// under, with its measurement rows.
Status SessionRecorder::AddFrame(const InstrumentSession& session, const FloatFrame* average) {
    const RecordTime time = TimeOf(session.Arrival());
    const ScopeSettings& settings = session.CapturedUnder();
    if (!(settings == lastSettings_)) {
        if (Status added = writer_->AddSettingsChange(time, settings); !added.Ok())
            return Fail(path_, added.Reason());
        lastSettings_ = settings;
    }
    const CaptureStore& frame = session.Frame();
    const std::uint64_t sequence = frames_ + 1;
    Status added;
    if (average == nullptr) {
        for (std::size_t i = 0; i < kSamplePairs; ++i) {
            counts_[2 * i] = frame.Sample(i, 0);
            counts_[2 * i + 1] = frame.Sample(i, 1);
        }
        added = writer_->AddFrame(sequence, time, settings, session.Counters(), counts_.data(),
                                  counts_.size());
    } else {
        for (std::size_t c = 0; c < 2; ++c) {
            const double scale =
                VoltsPerCount(settings.channels[c].probeRow, settings.channels[c].rangeRow);
            for (std::size_t i = 0; i < kSamplePairs; ++i)
                volts_[2 * i + c] = static_cast<float>(average->Sample(i, int(c)) * scale);
        }
        added = writer_->AddAveragedFrame(sequence, time, settings, session.Counters(),
                                          static_cast<std::uint32_t>(average->frames),
                                          volts_.data(), volts_.size());
    }
    if (!added.Ok())
        return Fail(path_, added.Reason());
    frames_ = sequence;
    logRows_.clear();
    if (average == nullptr)
        AppendMeasureCsvRows(logRows_, sequence, time.wallMillis, settings, frame, *scratch_);
    else
        AppendMeasureCsvRows(logRows_, sequence, time.wallMillis, settings, *average, *scratch_);
    errno = 0;
    if (std::fwrite(logRows_.data(), 1, logRows_.size(), log_) != logRows_.size() ||
        std::fflush(log_) != 0) {
        const int code = errno;
        std::clearerr(log_);
        return Fail(logPath_, SystemReason(code));
    }
    logBytes_ += logRows_.size();
    return {};
}

Status SessionRecorder::Fail(const std::string& file, const std::string& reason) {
    failure_ = file + ": " + reason;
    return Failure{failure_};
}

} // namespace duruz
