// duruz-cli measured from the outside, as a script runs it: the real program as a
// child process, its CPU time from wait4, its memory from /proc/PID/status.
//
// CliCapture: `capture --frames 100` on the paced built-in simulator (20 ms capture
// before each answer). A frame costs its wire time, 8,320 bytes at 11,520 bytes/s
// (0.7222 s), plus the capture; start-up gets 1.5 s. The target is a wall time of at
// most 100 x (0.7222 s + 0.020 s) + 1.5 s = 75.7 s, and under 5 % of one core (user
// and system time over wall time) while the tool waits for its frames.
//
// CliRecordMemory: `record --frames 10000` on the unpaced simulator, so that frames
// come far faster than the wire allows. Resident memory (VmRSS, VmHWM) is sampled
// when the measurement log beside the recording shows 1,000 frames, at each further
// thousand, and at the end; the target is a growth under 1 MB from the first sample
// to the end.

#include "support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCaptureFrames = 100;
constexpr double kWireSeconds = 8320.0 * 10 / 115200;
constexpr double kCaptureSeconds = 0.020;
constexpr double kStartUpSeconds = 1.5;
constexpr double kCpuTargetPercent = 5.0;
// The lines of one CSV frame: the tool's header line, the export's seven comment
// lines and its column line, and the samples.
constexpr long kCsvFrameLines = 1 + 7 + 1 + 2048;

constexpr int kRecordFrames = 10000;
constexpr int kFirstSampleFrames = 1000;
constexpr long kGrowthTargetKb = 1024;
constexpr int kMeasureRowsPerFrame = 2; // one per channel

// The child's end: how it ended, the time it took and the resources it used.
struct ChildEnd {
    int exitStatus = -1; // -1: killed by a signal, or never started
    double wallSeconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
    long maxResidentKb = 0; // ru_maxrss
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// duruz-cli started with its standard output and error into files, never a terminal,
// so it shows no progress line.
class CliChild {
public:
    CliChild(const std::vector<std::string>& args, const std::string& outputs) {
        std::vector<std::string> argv{DURUZ_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (outputs + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (outputs + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        started_ = Clock::now();
        if (posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliChild() {
        if (pid_ > 0 && !end_) {
            kill(pid_, SIGKILL);
            Wait(0);
        }
    }
    CliChild(const CliChild&) = delete;
    CliChild& operator=(const CliChild&) = delete;

    pid_t Pid() const { return pid_; }
    bool Started() const { return pid_ > 0; }

    // Reaps the child if it has ended (options 0: waits for it); true once it has.
    bool Wait(int options) {
        if (end_ || pid_ <= 0)
            return true;
        int status = 0;
        rusage usage{};
        if (wait4(pid_, &status, options, &usage) != pid_)
            return false;
        ChildEnd end;
        end.wallSeconds = std::chrono::duration<double>(Clock::now() - started_).count();
        end.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        end.userSeconds = Seconds(usage.ru_utime);
        end.systemSeconds = Seconds(usage.ru_stime);
        end.maxResidentKb = usage.ru_maxrss;
        end_ = end;
        return true;
    }
    const ChildEnd& End() const { return *end_; }

private:
    pid_t pid_ = -1;
    Clock::time_point started_;
    std::optional<ChildEnd> end_;
};

// The machine's load average over the last minute.
double LoadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

long CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    long lines = 0;
    std::string line;
    while (std::getline(in, line))
        ++lines;
    return lines;
}

void BM_CliCapture(benchmark::State& state) {
    const double target = kCaptureFrames * (kWireSeconds + kCaptureSeconds) + kStartUpSeconds;
    for (auto _ : state) {
        const testing_support::TempFolder folder("duruz-bench");
        const std::string frames = folder.File("frames.csv");
        const double loadBefore = LoadAverage();
        CliChild cli({"capture", "--sim", "--capture-ms", "20", "--frames",
                      std::to_string(kCaptureFrames), "-o", frames},
                     folder.File("cli"));
        if (!cli.Started() || !cli.Wait(0) || cli.End().exitStatus != 0) {
            state.SkipWithError("duruz-cli capture did not end with status 0");
            return;
        }
        const ChildEnd& end = cli.End();
        const double cpuSeconds = end.userSeconds + end.systemSeconds;
        state.SetIterationTime(end.wallSeconds);
        state.counters["wall_s"] = end.wallSeconds;
        state.counters["target_s"] = target;
        state.counters["under_target_s"] = target - end.wallSeconds;
        state.counters["user_s"] = end.userSeconds;
        state.counters["system_s"] = end.systemSeconds;
        state.counters["cpu_percent"] = 100.0 * cpuSeconds / end.wallSeconds;
        state.counters["cpu_target_percent"] = kCpuTargetPercent;
        state.counters["frames_written"] = static_cast<double>(CountLines(frames)) / kCsvFrameLines;
        state.counters["load_before"] = loadBefore;
        state.counters["load_after"] = LoadAverage();
    }
}
BENCHMARK(BM_CliCapture)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// VmRSS and VmHWM of a running process in kB; both 0 once it has ended.
struct Resident {
    long rssKb = 0;
    long hwmKb = 0;
};

Resident ResidentOf(pid_t pid) {
    Resident resident;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:"))
            resident.rssKb = std::stol(line.substr(6));
        else if (line.starts_with("VmHWM:"))
            resident.hwmKb = std::stol(line.substr(6));
    }
    return resident;
}

// The frames in the measurement log so far, read as it grows.
class MeasureLogReader {
public:
    explicit MeasureLogReader(std::string path) : path_(std::move(path)) {}
    int Frames() {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(read_);
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            for (std::streamsize i = 0; i < in.gcount(); ++i)
                lines_ += buffer[i] == '\n';
            read_ += in.gcount();
        }
        return lines_ > 0 ? static_cast<int>((lines_ - 1) / kMeasureRowsPerFrame) : 0;
    }

private:
    std::string path_;
    std::streamoff read_ = 0;
    long lines_ = 0;
};

void BM_CliRecordMemory(benchmark::State& state) {
    for (auto _ : state) {
        const testing_support::TempFolder folder("duruz-bench");
        const std::string recording = folder.File("run.rec");
        const double loadBefore = LoadAverage();
        CliChild cli({"record", "--sim", "--unpaced", "--frames", std::to_string(kRecordFrames),
                      "-o", recording},
                     folder.File("cli"));
        if (!cli.Started()) {
            state.SkipWithError("duruz-cli did not start");
            return;
        }
        MeasureLogReader log(recording + ".measure.csv");
        Resident first, last;
        int firstFrames = 0, lastFrames = 0;
        int nextReport = kFirstSampleFrames;
        std::fprintf(stderr, "%8s %10s %10s\n", "frames", "VmRSS kB", "VmHWM kB");
        while (!cli.Wait(WNOHANG)) {
            const int frames = log.Frames();
            const Resident now = ResidentOf(cli.Pid());
            if (now.rssKb > 0 && frames >= kFirstSampleFrames) {
                if (firstFrames == 0) {
                    first = now;
                    firstFrames = frames;
                }
                last = now;
                lastFrames = frames;
                if (frames >= nextReport) {
                    std::fprintf(stderr, "%8d %10ld %10ld\n", frames, now.rssKb, now.hwmKb);
                    nextReport = (frames / kFirstSampleFrames + 1) * kFirstSampleFrames;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const ChildEnd& end = cli.End();
        if (end.exitStatus != 0 || firstFrames == 0) {
            state.SkipWithError("duruz-cli record did not end with status 0 after 1,000 frames");
            return;
        }
        const long hwmEnd = std::max(last.hwmKb, end.maxResidentKb);
        std::fprintf(stderr, "%8d %10ld %10ld (last sample; peak from wait4 %ld kB)\n", lastFrames,
                     last.rssKb, last.hwmKb, end.maxResidentKb);
        state.SetIterationTime(end.wallSeconds);
        state.counters["frames_first"] = firstFrames;
        state.counters["frames_last"] = lastFrames;
        state.counters["rss_first_kb"] = static_cast<double>(first.rssKb);
        state.counters["rss_last_kb"] = static_cast<double>(last.rssKb);
        state.counters["rss_growth_kb"] = static_cast<double>(last.rssKb - first.rssKb);
        state.counters["hwm_first_kb"] = static_cast<double>(first.hwmKb);
        state.counters["hwm_end_kb"] = static_cast<double>(hwmEnd);
        state.counters["hwm_growth_kb"] = static_cast<double>(hwmEnd - first.hwmKb);
        state.counters["growth_target_kb"] = kGrowthTargetKb;
        state.counters["frames_per_s"] = kRecordFrames / end.wallSeconds;
        state.counters["cpu_percent"] =
            100.0 * (end.userSeconds + end.systemSeconds) / end.wallSeconds;
        state.counters["load_before"] = loadBefore;
        state.counters["load_after"] = LoadAverage();
    }
}
BENCHMARK(BM_CliRecordMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
