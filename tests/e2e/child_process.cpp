#include "e2e/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

bool Dropped(const std::string& entry, const ChildLaunch& launch) {
    const std::string name = entry.substr(0, entry.find('='));
    for (const std::string& drop : launch.unsetEnv) {
        if (!drop.empty() && drop.back() == '*') {
            if (name.compare(0, drop.size() - 1, drop, 0, drop.size() - 1) == 0)
                return true;
        } else if (name == drop) {
            return true;
        }
    }
    for (const std::string& set : launch.setEnv)
        if (name == set.substr(0, set.find('=')))
            return true;
    return false;
}

std::vector<std::string> Environment(const ChildLaunch& launch) {
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e)
        if (!Dropped(*e, launch))
            entries.emplace_back(*e);
    entries.insert(entries.end(), launch.setEnv.begin(), launch.setEnv.end());
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of one "Name:  value" line of /proc/<pid>/status.
std::string StatusField(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            std::size_t start = line.find_first_not_of(" \t", field.size() + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    return {};
}

} // namespace

ChildProcess::ChildProcess(const ChildLaunch& launch) : outputPath_(launch.outputPath) {
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env = Environment(launch);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, launch.outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (!launch.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, launch.workingDirectory.c_str());
    // Its own process group, so nothing the test's terminal sends reaches it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    if (posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && Running()) {
        ::kill(pid_, SIGKILL);
        WaitForExit(std::chrono::seconds(10));
    }
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || ended_)
        return false;
    int status = 0;
    pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
        ended_ = true;
        status_ = status;
        return false;
    }
    return result == 0;
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0 && !ended_)
        ::kill(pid_, signal);
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Running()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ended_;
}

int ChildProcess::ExitCode() const {
    return ended_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

int ChildProcess::TermSignal() const {
    return ended_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
}

std::string ChildProcess::Output() const {
    return ReadFile(outputPath_);
}

double ChildProcess::CpuSeconds() const {
    std::string stat = ReadFile("/proc/" + std::to_string(pid_) + "/stat");
    // The fields after the command name, which is in parentheses and may hold spaces.
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

long ChildProcess::PeakResidentKiB() const {
    return std::atol(StatusField(pid_, "VmHWM").c_str());
}

bool ChildProcess::Catches(int signal) const {
    const std::string mask = StatusField(pid_, "SigCgt");
    if (mask.empty())
        return false;
    const unsigned long long bits = std::stoull(mask, nullptr, 16);
    return (bits >> (signal - 1)) & 1u;
}

int RunTool(const ChildLaunch& launch, std::chrono::milliseconds timeout, std::string* output) {
    char path[] = "/tmp/duruz-e2e-tool-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0)
        return -1;
    ::close(fd);
    ChildLaunch withOutput = launch;
    withOutput.outputPath = path;
    int code = -1;
    {
        ChildProcess tool(withOutput);
        if (tool.Started() && tool.WaitForExit(timeout))
            code = tool.ExitCode();
        if (output != nullptr)
            *output = tool.Output();
    }
    ::unlink(path);
    return code;
}

bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

} // namespace e2e
