#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace e2e {

// How a child is started: its arguments (the program first), the environment
// entries that replace or extend the test's own, the ones to drop, its working
// folder, and the file that takes its standard output and error.
struct ChildLaunch {
    std::vector<std::string> argv;     // the program is looked up on PATH
    std::vector<std::string> setEnv;   // "NAME=value"
    std::vector<std::string> unsetEnv; // names; a trailing '*' drops every name with that start
    std::string workingDirectory;      // empty: the test's own
    std::string outputPath = "/dev/null";
};

// A child process of the test. The destructor kills one that still runs, so a
// failing test never leaves a window or a server behind.
class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(const ChildLaunch& launch);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // True while the child has not ended; reaps it once it has.
    bool Running();
    void Signal(int signal) const;
    // Waits until the child ends or the time is up; true when it ended.
    bool WaitForExit(std::chrono::milliseconds timeout);
    // After the end: the exit code, or -1 when a signal ended it.
    int ExitCode() const;
    int TermSignal() const;
    std::string Output() const;

    // User plus system CPU time so far, from /proc, in seconds.
    double CpuSeconds() const;
    // Peak resident memory so far (VmHWM), in KiB.
    long PeakResidentKiB() const;
    // Whether the child has installed a handler for the signal.
    bool Catches(int signal) const;

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
    std::string outputPath_;
};

// Runs a helper tool to its end within the time given. Returns its exit code (-1
// when it failed to start, ended by a signal or ran out of time) and its output.
int RunTool(const ChildLaunch& launch, std::chrono::milliseconds timeout, std::string* output);

// Whether an executable of that name is on PATH.
bool OnPath(const std::string& name);

} // namespace e2e
