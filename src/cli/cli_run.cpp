// The tool's run: the ports listed, or the instrument set up through the session and
// its frames written as they come.
#include "cli/cli_run.h"

#include "analysis/calibration.h"
#include "analysis/response_csv.h"
#include "cli/console.h"
#include "cli/frame_output.h"
#include "link/commands.h"
#include "link/port_list.h"
#include "session/config_file.h"
#include "session/config_table.h"
#include "session/instrument_session.h"
#include "session/list_texts.h"
#include "session/measure_log.h"
#include "session/port_provider.h"
#include "session/recording_info.h"
#include "session/session_recorder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>

namespace duruz::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the session's capture tick runs: often enough that the next request
// follows a frame closely.
constexpr int kTickMs = 50;
// Set by a signal handler, or on Windows by a thread of the system's own.
std::atomic<int> stopStatus = 0;
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may touch it");

void Error(const std::string& message) {
    std::fprintf(stderr, "duruz-cli: %s\n", message.c_str());
}

// The window's row text: the device's name, and what it is when known.
std::string RowText(const PortEntry& entry) {
    std::string text = entry.name.data();
    if (entry.description[0] != '\0')
        text += std::string(" \x97 ") + entry.description.data();
    return Utf8Text(text);
}

int ListPorts(const Request& request) {
    PortSources sources;
    if (!request.port.empty())
        sources.extraPaths.push_back(PortPathFromName(request.port));
    SerialLink link;
    EnumeratePorts(link, sources);
    std::string text = request.json ? "[" : "";
    for (std::uint32_t row = 0; row < link.PortCount; ++row) {
        const PortEntry& entry = link.PortTable[row];
        if (!request.json) {
            text += RowText(entry) + "\n";
            continue;
        }
        const auto quoted = [](const std::string& s) {
            std::string out = "\"";
            for (const char c : s)
                out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
            return out + "\"";
        };
        text += std::string(row ? "," : "") + "{\"row\":" + quoted(RowText(entry)) +
                ",\"name\":" + quoted(entry.name.data()) +
                ",\"path\":" + quoted(entry.path.data()) +
                ",\"description\":" + quoted(Utf8Text(entry.description.data())) + "}";
    }
    text += request.json ? "]\n" : "";
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitOutputFailed;
}

// Config.Ini read as the window reads it, line by line in file order; the file is
// never created or written.
std::optional<std::string> ReadConfig(const std::string& path, InstrumentSession& session) {
    ConfigReader reader(path, false);
    if (!reader.IsOpen())
        return "cannot read --config " + path + ": " +
               (reader.NotRegularFile() ? std::string("not a regular file") : reader.ReadError());
    for (int index = 0; index < kConfigLines && reader.ReadConfigLine(); ++index)
        session.LoadConfigLine(index, reader.Value());
    if (!reader.ReadError().empty())
        return "cannot read --config " + path + ": " + reader.ReadError();
    return std::nullopt;
}

// The session's settings made those of the file and the flags, edit by edit.
std::optional<std::string> ApplySetting(const Request& request, InstrumentSession& session) {
    if (!request.configPath.empty())
        if (std::optional<std::string> error = ReadConfig(request.configPath, session))
            return error;
    ScopeSettings wanted = session.Settings();
    if (std::optional<std::string> error = ApplySettingFlags(request.setting, wanted))
        return error;
    session.SetSweep(wanted.sweepRow);
    session.SetTriggerSource(wanted.trigger.sourceRow);
    session.SetTriggerPolarity(wanted.trigger.polarityRow);
    session.SetTriggerLevel(wanted.trigger.levelBar);
    session.SetTriggerPosition(wanted.trigger.positionBar);
    for (int c = 0; c < 2; ++c) {
        const auto at = static_cast<std::size_t>(c);
        session.SetProbe(c, wanted.channels[at].probeRow);
        session.SetRange(c, wanted.channels[at].rangeRow);
        session.SetWaveform(c, wanted.generator[at].waveformRow);
        session.SetGeneratorTexts(c, wanted.generator[at].frequency,
                                  wanted.generator[at].amplitude);
    }
    return std::nullopt;
}

// Where the data goes; a failed write says why.
class Output {
public:
    explicit Output(const std::string& path) : path_(path) {
        file_ = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    }
    ~Output() {
        if (file_ != nullptr && file_ != stdout)
            std::fclose(file_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    // Writes and flushes, so that what is written ends at a whole frame.
    bool Write(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() ||
            std::fflush(file_) != 0) {
            Error("cannot write " + Name() + ": " + std::strerror(errno));
            return false;
        }
        bytes_ += text.size();
        return true;
    }
    std::string Name() const { return path_ == "-" ? "standard output" : path_; }
    std::size_t Bytes() const { return bytes_; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::size_t bytes_ = 0;
};

// `duration` above 0: the run ends after that many seconds rather than `total` frames.
void ShowProgress(long long frames, int total, double duration, double seconds, std::size_t bytes) {
    const double rate = seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
    const double left = duration > 0 ? std::max(0.0, duration - seconds)
                        : rate > 0   ? static_cast<double>(total - frames) / rate
                                     : 0.0;
    if (duration > 0)
        std::fprintf(stderr, "\r%lld frames, ", frames);
    else
        std::fprintf(stderr, "\r%lld/%d frames, ", frames, total);
    std::fprintf(stderr, "%.2f fps, %.1f s, %.1f kB, %.0f s left ", rate, seconds,
                 static_cast<double>(bytes) / 1000.0, left);
}

// info: the recording described, up to its damage if it has one.
int ShowRecording(const std::string& path) {
    const Result<RecordingSummary> summary = SummarizeRecording(path);
    if (!summary.Ok()) {
        Error("cannot read recording " + path + ": " + summary.Reason());
        return kExitNotARecording;
    }
    std::fputs(DescribeRecording(summary.Value()).c_str(), stdout);
    if (std::fflush(stdout) != 0)
        return kExitOutputFailed;
    return summary.Value().extent.intact ? kExitOk : kExitRecordingDamaged;
}

// capture and measure: a frame as the request wants it.
std::string FrameText(const Request& request, long long sequence, const LinkStatus& status,
                      const InstrumentSession& session, MeasureScratch& scratch) {
    const FrameArrival& arrival = session.Arrival();
    const std::int64_t wallMillis =
        std::chrono::duration_cast<std::chrono::milliseconds>(arrival.wall.time_since_epoch())
            .count();
    std::string text;
    if (request.command == Command::Measure) {
        AppendMeasureCsvRows(text, static_cast<std::uint64_t>(sequence), wallMillis,
                             session.CapturedUnder(), session.Frame(), scratch);
        return text;
    }
    FrameHeader header;
    header.sequence = sequence;
    header.hostTime = IsoTime(wallMillis);
    header.monotonicSeconds =
        std::chrono::duration<double>(arrival.steady.time_since_epoch()).count();
    header.port = Utf8Text(status.port);
    header.settings = session.CapturedUnder();
    header.counters = session.Counters();
    return request.format == OutputFormat::Jsonl ? CaptureJson(header, session.Frame())
                                                 : CaptureCsv(header, session.Frame());
}

// record: the recording and its measurement log beside it, created once the open
// that sends the complete setting is under way.
std::unique_ptr<SessionRecorder> CreateRecording(const Request& request,
                                                 const InstrumentSession& session) {
    Result<std::unique_ptr<SessionRecorder>> created =
        SessionRecorder::Create(request.output, DURUZ_VERSION, session, request.force);
    if (!created.Ok()) {
        const std::string& reason = created.Reason();
        Error("cannot write " + reason +
              (reason.ends_with(SessionRecorder::kExistsAlready) ? " (--force replaces it)" : ""));
        return nullptr;
    }
    return created.Take();
}

// bode: the calibration to divide out, read from its file unless the sweep is to
// measure one or none is wanted; a file that is not there is no calibration unless
// it was named. The reason when it cannot be used.
Result<Calibration> CalibrationFor(const Request& request, const std::string& file,
                                   std::array<int, 2> probeRows) {
    if (request.calibrate || request.uncalibrated ||
        (request.calibrationPath.empty() && !PathExists(file)))
        return Calibration{};
    Result<Calibration> calibration = ReadCalibrationFile(file);
    if (!calibration.Ok())
        return Failure{"cannot use the calibration " + calibration.Reason()};
    std::fprintf(stderr, "duruz-cli: using calibration %s, measured on ranges %s\n", file.c_str(),
                 CalibrationRanges(calibration.Value(), probeRows).c_str());
    return calibration;
}

// bode --calibrate: the calibration of a complete sweep written, or why not.
int WriteCalibration(const std::string& file, std::span<const SweepPoint> points, bool complete,
                     std::array<int, 2> probeRows) {
    if (!complete) {
        Error("the calibration sweep did not finish: " + file + " is left as it was");
        return kExitOk;
    }
    const Calibration calibration = CalibrationFromPoints(points);
    if (calibration.curves.empty()) {
        Error("the calibration sweep measured no point: " + file + " is left as it was");
        return kExitCalibration;
    }
    if (const Status written = WriteCalibrationFile(file, calibration); !written.Ok()) {
        Error("cannot write the calibration " + written.Reason());
        return kExitOutputFailed;
    }
    std::fprintf(stderr, "duruz-cli: calibration written to %s, measured on ranges %s\n",
                 file.c_str(), CalibrationRanges(calibration, probeRows).c_str());
    return kExitOk;
}

} // namespace

void RequestStop(int exitStatus) {
    stopStatus = exitStatus;
}

int Run(const Request& request) {
    if (request.command == Command::Ports)
        return ListPorts(request);
    if (request.command == Command::Info)
        return ShowRecording(request.recordingPath);
    const std::string portPath = PortPathFromName(request.port);
    if (!request.port.empty() && !PortPathFits(portPath)) {
        Error("--port path too long: " + request.port);
        return kExitUsage;
    }
    const bool bode = request.command == Command::Bode;
    const bool writes =
        request.command == Command::Capture || request.command == Command::Measure || bode;
    DefaultPortProvider ports(request.simulatorOptions);
    SessionEnvironment environment;
    environment.ports = &ports;
    environment.portSources.sysfsRoot = ""; // only the port asked for, no device listed
    environment.portSources.offerSimulator = request.simulator;
    if (!request.simulator)
        environment.portSources.extraPaths.push_back(portPath);
    std::mutex mutex;
    std::condition_variable woken;
    bool wake = false;
    InstrumentSession session(std::move(environment), [&] {
        const std::lock_guard lock(mutex);
        wake = true;
        woken.notify_one();
    });
    session.BeginStartUp(kTickMs);
    if (std::optional<std::string> error = ApplySetting(request, session)) {
        Error(*error);
        return kExitUsage;
    }
    const std::array<int, 2> probeRows{session.Settings().channels[0].probeRow,
                                       session.Settings().channels[1].probeRow};
    const std::string calibrationFile =
        !request.calibrationPath.empty()
            ? request.calibrationPath
            : CalibrationPathBeside(request.configPath.empty() ? std::string("Config.Ini")
                                                               : request.configPath);
    SweepRequest sweepRequest = request.sweep;
    if (bode) {
        Result<Calibration> calibration = CalibrationFor(request, calibrationFile, probeRows);
        if (!calibration.Ok()) {
            Error(calibration.Reason());
            return kExitCalibration;
        }
        sweepRequest.calibration = calibration.Take();
        sweepRequest.calibrating = request.calibrate;
    }
    // Only a command line found good may replace a file that is there.
    std::unique_ptr<Output> output, log;
    if (!request.logPath.empty() && !(log = std::make_unique<Output>(request.logPath))->IsOpen()) {
        Error("cannot write " + request.logPath + ": " + std::strerror(errno));
        return kExitOutputFailed;
    }
    const auto writeLog = [&](const SessionOutput& out) {
        for (std::string_view line : out.lines)
            if (log && !log->Write(std::string(line.substr(0, line.find('\r'))) + "\n"))
                return false;
        return true;
    };
    std::unique_ptr<SessionRecorder> recording;
    const bool records = request.command == Command::Record;
    if (writes) {
        output = std::make_unique<Output>(request.output);
        if (!output->IsOpen()) {
            Error("cannot write " + request.output + ": " + std::strerror(errno));
            return kExitOutputFailed;
        }
    }
    const int channel = request.generatorChannel;
    const bool generatorOnly = request.command == Command::Generator;
    session.Start();
    // gen asks for frames itself: the one its open asks for, then the one after the
    // generator command.
    session.SetHold(generatorOnly);
    if (generatorOnly)
        session.ChoosePort(session.DefaultPortRow());
    else
        session.OpenWithCompleteSetting(session.DefaultPortRow());
    // The header holds the setting the open sends: complete, with the port chosen.
    if (records && !(recording = CreateRecording(request, session)))
        return kExitOutputFailed;

    // A sweep's point waits its extra settling time before any frame counts.
    const double settleSeconds =
        request.command == Command::Bode
            ? request.sweep.extraSettleSeconds + double(kGeneratorSettleMicros) / 1e6
            : 0.0;
    const auto timeout = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(request.timeoutSeconds + settleSeconds));
    const Clock::time_point started = Clock::now();
    Clock::time_point deadline = started + timeout;
    Clock::time_point nextTick = started;
    const bool progress = (writes || records) && StandardErrorIsConsole();
    const auto duration = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(request.durationSeconds));
    long long written = 0;
    bool generatorSent = false;
    bool portSeenOpen = false;
    if (request.command == Command::Measure && !output->Write(MeasureCsvHeader()))
        return kExitOutputFailed;
    const auto measureScratch = std::make_unique<MeasureScratch>();
    const auto nowSeconds = [] {
        return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    };
    FrequencySweep sweep(session);
    if (bode && !sweep.Start(sweepRequest, nowSeconds()).Ok())
        return kExitUsage; // the command line was checked against the same plan
    // The points so far written, and the user's setting given back and on the wire;
    // `status` unless something of it fails.
    const auto endSweep = [&](bool complete, int status) {
        sweep.Stop();
        session.Worker().WaitIdle();
        if (!sweep.RestoreProblem().empty())
            Error(sweep.RestoreProblem());
        if (!writeLog(session.Collect()) ||
            !output->Write(ResponseCsv(sweep.Points(), complete) +
                           CalibrationLine(calibrationFile, sweepRequest.calibration, probeRows)))
            return int(kExitOutputFailed);
        if (!request.calibrate)
            return status;
        const int written = WriteCalibration(calibrationFile, sweep.Points(), complete, probeRows);
        return written == kExitOk ? status : written;
    };
    for (;;) {
        {
            std::unique_lock lock(mutex);
            woken.wait_until(lock, std::min(nextTick, deadline), [&] { return wake; });
            wake = false;
        }
        if (stopStatus != 0) {
            if (progress)
                std::fputc('\n', stderr);
            return bode ? endSweep(false, stopStatus) : stopStatus.load();
        }
        const Clock::time_point now = Clock::now();
        if (now >= nextTick) {
            session.Tick();
            nextTick = now + std::chrono::milliseconds(kTickMs);
        }
        const SessionOutput out = session.Collect();
        if (!writeLog(out))
            return kExitOutputFailed;
        const LinkStatus status = session.Status();
        // A recording waits for a lost device to come back (the session reopens its
        // path) until the time-out; the other commands end at once.
        if (status.state == LinkStatus::State::Failed && !(records && portSeenOpen)) {
            Error(LinkText(status));
            return kExitPortNotOpened;
        }
        // Until the open is collected whole, its answer may come before the port's state.
        portSeenOpen = portSeenOpen ||
                       (status.state == LinkStatus::State::Open && session.LinkSide().PortOpen);
        const bool portGone = portSeenOpen && (status.state == LinkStatus::State::Disconnected ||
                                               status.state == LinkStatus::State::Failed);
        if (portGone && !records) {
            Error(LinkText(status) + " after " +
                  (bode ? std::to_string(sweep.Points().size()) + " points"
                        : std::to_string(written) + " frames"));
            return bode ? endSweep(false, kExitDeviceGone) : int(kExitDeviceGone);
        }
        if (records)
            if (const Status followed = recording->Follow(session, out); !followed.Ok()) {
                Error("cannot write " + followed.Reason());
                return kExitOutputFailed;
            }
        if (records && request.durationSeconds > 0 && Clock::now() - started >= duration) {
            if (progress)
                std::fputc('\n', stderr);
            return kExitOk;
        }
        if (bode) {
            const std::size_t before = sweep.Points().size();
            sweep.Collected(out, nowSeconds());
            if (!sweep.Running()) {
                if (progress)
                    std::fputc('\n', stderr);
                return endSweep(true, kExitOk);
            }
            if (progress && sweep.Points().size() != before) {
                const SweepProgress done = sweep.Progress(nowSeconds());
                std::fprintf(stderr, "\rpoint %d of %d, %.0f s left ", done.done, done.total,
                             done.secondsLeft);
            }
        }
        if (out.frameKept && bode) {
            deadline = Clock::now() + timeout;
        } else if (out.frameKept) {
            deadline = Clock::now() + timeout;
            if (generatorOnly) {
                if (generatorSent)
                    return kExitOk;
                session.UpdateGenerator(channel);
                generatorSent = true;
                continue;
            }
            ++written;
            if (!records &&
                !output->Write(FrameText(request, written, status, session, *measureScratch)))
                return kExitOutputFailed;
            if (progress)
                ShowProgress(written, request.frames, request.durationSeconds,
                             std::chrono::duration<double>(Clock::now() - started).count(),
                             records ? recording->Bytes() : output->Bytes());
            if (request.durationSeconds <= 0 && written == request.frames) {
                if (progress)
                    std::fputc('\n', stderr);
                return kExitOk;
            }
        }
        if (Clock::now() >= deadline) {
            if (progress)
                std::fputc('\n', stderr);
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", request.timeoutSeconds);
            if (portGone) {
                Error(LinkText(status) + " after " + std::to_string(written) +
                      " frames, not back within " + seconds + " s");
                return kExitDeviceGone;
            }
            Error(std::string("no valid frame within ") + seconds + " s (" + LinkText(status) +
                  ", " + FaultsText(session.Counters()) + ")");
            return bode ? endSweep(false, kExitNoFrame) : int(kExitNoFrame);
        }
    }
}

} // namespace duruz::cli
