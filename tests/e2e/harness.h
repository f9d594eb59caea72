#pragma once

// The program under test as a child process, a scripted instrument on a
// pseudo-terminal, and an X server of its own with screenshots and clicks.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kRequest = "%z\r\n";

// Polls the condition every 20 ms; true when it held before the time was up.
template <typename Condition> bool WaitFor(Condition condition, Clock::duration timeout) {
    for (const auto deadline = Clock::now() + timeout; !condition();) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

inline std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Runs a command line with a 20 s bound; its exit code, and its output if asked.
inline int Shell(const std::string& line, std::string* output = nullptr) {
    FILE* pipe = ::popen(("timeout 20 " + line + " 2>/dev/null").c_str(), "r");
    char chunk[65536];
    for (std::size_t n; pipe != nullptr && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        if (output != nullptr)
            output->append(chunk, n);
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child process in a group of its own, killed by the destructor if it still
// runs. An empty `env` keeps the test's own environment.
struct Child {
    Child(std::vector<std::string> argv, std::vector<std::string> env = {},
          const std::string& dir = "/", const std::string& output = "/dev/null") {
        std::vector<char*> args, envp;
        for (std::string& s : argv)
            args.push_back(s.data());
        for (std::string& s : env)
            envp.push_back(s.data());
        args.push_back(nullptr);
        envp.push_back(nullptr);
        if ((pid = ::fork()) != 0)
            return;
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (::chdir(dir.c_str()) == 0)
            ::execvpe(args[0], args.data(), env.empty() ? environ : envp.data());
        ::_exit(127);
    }
    ~Child() {
        if (Running())
            ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    }
    bool Running() { return pid > 0 && status == -1 && ::waitpid(pid, &status, WNOHANG) == 0; }
    // Sends SIGTERM; true when the child ended with exit code 0 within 20 s.
    bool Terminate() {
        if (Running())
            ::kill(pid, SIGTERM);
        return WaitFor([&] { return !Running(); }, 20s) && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0;
    }
    // Whether it has installed a SIGTERM handler, i.e. its start-up has ended.
    bool CatchesTerm() const {
        const std::string text = ReadFile("/proc/" + std::to_string(pid) + "/status");
        const std::size_t at = text.find("SigCgt:");
        return at != std::string::npos && (std::stoull(text.substr(at + 7), nullptr, 16) >> 14) & 1;
    }
    double CpuSeconds() const {
        // utime and stime: the 12th and 13th fields after the command name.
        const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string skip;
        double utime = 0, stime = 0;
        for (int i = 0; i < 11; ++i)
            fields >> skip;
        fields >> utime >> stime;
        return (utime + stime) / double(::sysconf(_SC_CLK_TCK));
    }

    pid_t pid = -1;
    int status = -1;
};

// The instrument's end of a pseudo-terminal: records what the program writes and
// answers each capture request with `answer` (`once`: only the next one). It holds
// the slave end open too, so the line stays up between the program's opens.
class Peer {
public:
    template <typename F> auto Locked(F f) {
        std::lock_guard lock(mutex_);
        return f();
    }
    Peer() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        ::grantpt(master_);
        ::unlockpt(master_);
        path = ::ptsname(master_);
        slave_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        ::tcgetattr(slave_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
        thread_ = std::thread([this] { Run(); });
    }
    ~Peer() {
        Locked([&] { stop_ = true; });
        thread_.join();
        ::close(master_);
        ::close(slave_);
    }
    void Answer(std::string bytes, bool once = false) {
        Locked([&] { answer_ = std::move(bytes), once_ = once; });
    }
    void Preload(const std::string& bytes) {
        Locked([&] { pending_ += bytes; });
    }
    // Sends `bytes` unasked about every millisecond, as a device that talks on its own.
    void Chatter(std::string bytes) {
        Locked([&] { chatter_ = std::move(bytes); });
    }
    std::string Received() {
        return Locked([&] { return received_; });
    }
    std::vector<Clock::time_point> Requests() {
        return Locked([&] { return requests_; });
    }
    // Bytes on the line that the program has not read yet.
    int Unread() const {
        int count = -1;
        ::ioctl(slave_, FIONREAD, &count);
        return count;
    }

    std::string path;

private:
    void Run() {
        std::size_t scanned = 0;
        for (pollfd entry{master_, POLLIN, 0};; ::poll(&entry, 1, chatter_.empty() ? 10 : 1)) {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            if (!chatter_.empty() && pending_.size() < 4096)
                pending_ += chatter_;
            char chunk[4096];
            for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;)
                received_.append(chunk, std::size_t(n));
            for (std::size_t at; (at = received_.find(kRequest, scanned)) != std::string::npos;) {
                scanned = at + kRequest.size();
                requests_.push_back(Clock::now());
                // One frame in flight at most; the program drains what it did not ask for.
                if (pending_.size() <= answer_.size())
                    pending_ += answer_;
                if (once_)
                    answer_.clear();
            }
            scanned = std::max(scanned, std::max<std::size_t>(received_.size(), 3) - 3);
            for (ssize_t n;
                 !pending_.empty() && (n = ::write(master_, pending_.data(), pending_.size())) > 0;)
                pending_.erase(0, std::size_t(n));
        }
    }

    int master_ = -1, slave_ = -1;
    std::mutex mutex_;
    bool stop_ = false, once_ = false;
    std::string answer_, received_, pending_, chatter_;
    std::vector<Clock::time_point> requests_;
    std::thread thread_;
};

// Xvfb without a window manager, so a window sits exactly where it asks to be and
// has no frame. It becomes DISPLAY for the tools.
struct Display {
    Display() {
        // Xvfb picks a free display number and writes it here once it accepts clients.
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        server.emplace(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(ready[1]),
                                                "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
                                                "-noreset"});
        ::close(ready[1]);
        pollfd entry{ready[0], POLLIN, 0};
        char number[16] = {};
        if (::poll(&entry, 1, 20000) > 0 && ::read(ready[0], number, sizeof number - 1) > 0)
            name = ":" + std::to_string(std::atoi(number));
        ::close(ready[0]);
        ::setenv("DISPLAY", name.c_str(), 1);
    }
    ~Display() { server && server->Terminate(); } // SIGKILL would leave its lock file behind

    std::optional<Child> server;
    std::string name;
};

// The status strip lies below the client area, inside the X window; Window holds
// the client area's place and size.
constexpr int kStatusStripHeight = 22;

struct Window {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

inline std::optional<Window> FindWindow() {
    Window w;
    const bool found = WaitFor(
        [&] {
            std::string ids, shell;
            Shell("xdotool search --onlyvisible --name '^RORU-Duruz Rev 1.36'", &ids);
            w.id = ids.substr(0, ids.find('\n'));
            return !w.id.empty() &&
                   Shell("xdotool getwindowgeometry --shell " + w.id, &shell) == 0 &&
                   std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &w.x, &w.y,
                               &w.width, &w.height) == 4;
        },
        20s);
    w.height -= kStatusStripHeight;
    return found ? std::optional(w) : std::nullopt;
}

inline bool Click(const Window& w, int x, int y) {
    return Shell("xdotool mousemove --sync --window " + w.id + " " + std::to_string(x) + " " +
                 std::to_string(y) + " click 1") == 0;
}

// The program in a fresh folder with a home of its own, on the offscreen platform
// or on `display`.
struct Program {
    Program() {
        std::string pattern = "/tmp/duruz-e2e-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        for (const char* name : {"/work", "/home", "/home/Downloads", "/runtime"})
            ::mkdir((folder + name).c_str(), 0700);
    }
    ~Program() {
        child.reset();
        std::filesystem::remove_all(folder);
    }
    void WriteConfig(const std::string& bytes) const {
        std::ofstream(folder + "/work/Config.Ini", std::ios::binary) << bytes;
    }
    std::optional<std::string> ReadConfig() const {
        if (!std::filesystem::exists(folder + "/work/Config.Ini"))
            return std::nullopt;
        return ReadFile(folder + "/work/Config.Ini");
    }
    // Starts it and waits until its start-up has ended. Nothing of the test's own
    // desktop, language or Qt settings leaks in.
    bool Start(const std::vector<std::string>& ports, const std::string& display = {}) {
        std::vector<std::string> argv = {DURUZ_PATH};
        for (const std::string& port : ports)
            argv.insert(argv.end(), {"--port", port});
        std::vector<std::string> env = {"PATH=/usr/bin:/bin",
                                        "HOME=" + folder + "/home",
                                        "XDG_RUNTIME_DIR=" + folder + "/runtime",
                                        "LC_ALL=C.UTF-8",
                                        "LANG=C.UTF-8",
                                        "DISPLAY=" + display,
                                        display.empty() ? "QT_QPA_PLATFORM=offscreen"
                                                        : "QT_QPA_PLATFORM=xcb"};
        // The sanitizer build's settings (its leak suppressions) reach the program too.
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
        child.emplace(argv, env, folder + "/work", folder + "/output.txt");
        return WaitFor([&] { return child->CatchesTerm() || !child->Running(); }, 30s) &&
               child->Running();
    }
    std::string Output() const { return ReadFile(folder + "/output.txt"); }

    std::string folder;
    std::optional<Child> child;
};

// Config.Ini as the program writes it: key, space, value, padding, CR LF; the
// values of a first run on the offscreen platform with `changes` put in.
inline std::string ConfigText(const std::string& portPath,
                              const std::map<std::string, std::string>& changes = {}) {
    static const char* const kDefaults[][2] = {
        {"SwpSp", "1"},    {"SySrc", "1"},    {"SyPol", "1"},  {"ComPt", "0"},
        {"Prob1", "1"},    {"Scal1", "7"},    {"Prob2", "1"},  {"Scal2", "7"},
        {"SyLev", "0"},    {"SyPos", "1024"}, {"Wleft", "0"},  {"Wtopp", "277"},
        {"Wwidt", "1511"}, {"Whigh", "899"},  {"Scop1", "1"},  {"Scop2", "1"},
        {"Fft1C", "0"},    {"Fft2C", "0"},    {"Hold ", "0"},  {"Wave1", "-1"},
        {"Freq1", "200"},  {"Ampl1", "1.00"}, {"Wave2", "-1"}, {"Freq2", "201"},
        {"Ampl2", "1.00"}};
    std::string text;
    for (const auto& [key, value] : kDefaults) {
        const auto changed = changes.find(key);
        const bool isText = key[0] == 'A' || (key[0] == 'F' && key[1] == 'r');
        text += std::string(key) + " " + (changed != changes.end() ? changed->second : value) +
                std::string(isText ? 15 : 16, ' ') + (key[0] == 'C' ? portPath : "") + "\r\n";
    }
    return text;
}

// A capture frame: the "xHxH" header with the pair count, then 2,048 pairs. Channel
// 1 is a square wave, `low` in the first half of each 512-sample period; channel 2
// holds `level`.
inline std::string SquareFrame(short low, short high, short level) {
    std::string bytes(128 + 2048 * 4, '\0');
    const auto put = [&](std::size_t at, int value) {
        bytes[at] = char(value & 0xFF);
        bytes[at + 1] = char((value >> 8) & 0xFF);
    };
    bytes.replace(0, 4, "xHxH");
    put(4, 2048);
    for (std::size_t i = 0; i < 2048; ++i) {
        put(128 + i * 4, i % 512 < 256 ? low : high);
        put(130 + i * 4, level);
    }
    return bytes;
}

// Whether a screenshot of the window shows that frame: the middle of every flat
// run in red at its level and not at the other one, channel 2 in blue. The trace
// area lies right of the 10-pixel level bar, above the 99-pixel strip and the
// 11-pixel position bar; -2047 at its top, +2047 at its bottom.
inline bool ShowsSquare(const Window& w, int low, int high, int level) {
    std::string ppm;
    int width = 0, height = 0, header = 0;
    if (Shell("import -window " + w.id + " -depth 8 ppm:-", &ppm) != 0 ||
        std::sscanf(ppm.c_str(), "P6 %d %d 255%n", &width, &height, &header) != 2 ||
        ppm.size() != std::size_t(header + 1 + width * height * 3))
        return false;
    const auto pixel = [&](int x, int y) {
        const char* at = ppm.data() + header + 1 + (y * width + x) * 3;
        return long(std::uint8_t(at[0])) << 16 | long(std::uint8_t(at[1])) << 8 |
               long(std::uint8_t(at[2]));
    };
    const int areaWidth = width - 10, areaHeight = height - kStatusStripHeight - 1 - 11 - 99;
    const auto y = [&](int s) { return ((s + 2047) * areaHeight) / 4094; };
    for (int run = 0; run < 8; ++run) {
        const int x = 10 + int((unsigned(areaWidth) * unsigned(run * 256 + 128)) >> 11);
        const int at = run % 2 == 0 ? low : high, other = run % 2 == 0 ? high : low;
        if (pixel(x, y(at)) != 0xFF0000 || pixel(x, y(other)) == 0xFF0000 ||
            pixel(x, y(level)) != 0x0000FF)
            return false;
    }
    return true;
}

} // namespace e2e
