#include "e2e/harness.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs a command line with a 20 s bound; its exit code and its output.
int Shell(const std::string& line, std::string* output) {
    FILE* pipe = ::popen(("timeout 20 " + line + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output->append(chunk, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

Child::Child(std::vector<std::string> argv, std::vector<std::string> env, const std::string& dir,
             const std::string& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (!dir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    // Its own process group and default signal handling, whatever the test runner has.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    auto args = Pointers(argv);
    auto envp = Pointers(env);
    if (::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(),
                       env.empty() ? environ : envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

Child::~Child() {
    if (Running()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
}

bool Child::Running() {
    return pid > 0 && status == -1 && ::waitpid(pid, &status, WNOHANG) == 0;
}

bool Child::Terminate() {
    if (Running())
        ::kill(pid, SIGTERM);
    return WaitFor([&] { return !Running(); }, 20s) && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool Child::CatchesTerm() const {
    const std::string text = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = text.find("SigCgt:");
    return at != std::string::npos && (std::stoull(text.substr(at + 7), nullptr, 16) >> 14) & 1;
}

double Child::CpuSeconds() const {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    // The fields after the command name; utime and stime are the 12th and 13th.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skip;
    double utime = 0, stime = 0;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    fields >> utime >> stime;
    return (utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

Peer::Peer() {
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

Peer::~Peer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
    ::close(master_);
    ::close(slave_);
}

void Peer::Answer(std::string bytes, bool once) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(bytes);
    once_ = once;
}

void Peer::Preload(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    pending_ += bytes;
}

std::string Peer::Received() {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<Clock::time_point> Peer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

int Peer::Unread() const {
    int count = -1;
    ::ioctl(slave_, FIONREAD, &count);
    return count;
}

void Peer::Run() {
    std::size_t scanned = 0;
    for (;;) {
        pollfd entry{master_, POLLIN, 0};
        ::poll(&entry, 1, 10);
        std::lock_guard lock(mutex_);
        if (stop_)
            return;
        char chunk[4096];
        for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;)
            received_.append(chunk, std::size_t(n));
        for (std::size_t at; (at = received_.find(kRequest, scanned)) != std::string::npos;) {
            scanned = at + kRequest.size();
            requests_.push_back(Clock::now());
            // One frame in flight at most; the program drains what it did not ask for.
            if (!answer_.empty() && pending_.size() <= answer_.size())
                pending_ += answer_;
            if (once_)
                answer_.clear();
        }
        scanned = std::max(scanned, received_.size() - std::min<std::size_t>(received_.size(), 3));
        for (ssize_t n;
             !pending_.empty() && (n = ::write(master_, pending_.data(), pending_.size())) > 0;)
            pending_.erase(0, std::size_t(n));
    }
}

Display::Display() {
    // Xvfb picks a free display number and writes it to the pipe once it accepts clients.
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

std::optional<Window> FindWindow(Clock::duration timeout) {
    Window window;
    const bool found = WaitFor(
        [&] {
            std::string ids, shell;
            if (Shell("xdotool search --onlyvisible --name '^RORU-Duruz Rev 1.36'", &ids) != 0 ||
                ids.empty())
                return false;
            window.id = ids.substr(0, ids.find('\n'));
            return Shell("xdotool getwindowgeometry --shell " + window.id, &shell) == 0 &&
                   std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &window.x,
                               &window.y, &window.width, &window.height) == 4;
        },
        timeout);
    return found ? std::optional(window) : std::nullopt;
}

bool Click(const Window& window, int x, int y) {
    std::string ignored;
    return Shell("xdotool mousemove --sync --window " + window.id + " " + std::to_string(x) + " " +
                     std::to_string(y) + " click 1",
                 &ignored) == 0;
}

long Shot::Pixel(int x, int y) const {
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    if (x < 0 || y < 0 || x >= width || y >= height)
        return -1;
    return long(std::uint8_t(rgb[at])) << 16 | long(std::uint8_t(rgb[at + 1])) << 8 |
           long(std::uint8_t(rgb[at + 2]));
}

std::optional<Shot> Capture(const Window& window) {
    Shot shot;
    std::string ppm;
    int header = 0;
    if (Shell("import -window " + window.id + " -depth 8 ppm:-", &ppm) != 0 ||
        std::sscanf(ppm.c_str(), "P6 %d %d 255%n", &shot.width, &shot.height, &header) != 2 ||
        ppm.size() != std::size_t(header + 1 + shot.width * shot.height * 3))
        return std::nullopt;
    shot.rgb = ppm.substr(std::size_t(header + 1));
    return shot;
}

Program::Program() {
    std::string pattern = "/tmp/duruz-e2e-XXXXXX";
    folder = ::mkdtemp(pattern.data());
    for (const char* name : {"/work", "/home", "/home/Downloads", "/runtime"})
        ::mkdir((folder + name).c_str(), 0700);
}

Program::~Program() {
    child.reset();
    std::filesystem::remove_all(folder);
}

void Program::WriteConfig(const std::string& bytes) const {
    std::ofstream(folder + "/work/Config.Ini", std::ios::binary) << bytes;
}

std::optional<std::string> Program::ReadConfig() const {
    if (!std::filesystem::exists(folder + "/work/Config.Ini"))
        return std::nullopt;
    return ReadFile(folder + "/work/Config.Ini");
}

bool Program::Start(const std::vector<std::string>& ports, const std::string& display) {
    std::vector<std::string> argv = {DURUZ_PATH};
    for (const std::string& port : ports)
        argv.insert(argv.end(), {"--port", port});
    // Nothing of the test's own desktop, language or Qt settings leaks in.
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + folder + "/home",
                                    "XDG_RUNTIME_DIR=" + folder + "/runtime", "LC_ALL=C.UTF-8",
                                    "LANG=C.UTF-8"};
    env.push_back(display.empty() ? "QT_QPA_PLATFORM=offscreen" : "QT_QPA_PLATFORM=xcb");
    env.push_back("DISPLAY=" + display);
    child.emplace(argv, env, folder + "/work", folder + "/output.txt");
    return WaitFor([&] { return child->CatchesTerm() || !child->Running(); }, 30s) &&
           child->Running();
}

std::string Program::Output() const {
    return ReadFile(folder + "/output.txt");
}

std::string ConfigText(const std::string& portPath,
                       const std::map<std::string, std::string>& changes) {
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

std::string SquareFrame(short low, short high, short level) {
    std::string bytes(128 + 2048 * 4, '\0');
    const auto put = [&](std::size_t at, int value) {
        bytes[at] = char(value & 0xFF);
        bytes[at + 1] = char((value >> 8) & 0xFF);
    };
    bytes.replace(0, 4, "xHxH");
    put(4, 2048);
    for (int i = 0; i < 2048; ++i) {
        put(128 + std::size_t(i) * 4, i % 512 < 256 ? low : high);
        put(130 + std::size_t(i) * 4, level);
    }
    return bytes;
}

bool ShowsSquare(const Shot& shot, const Window& window, int low, int high, int level) {
    // The trace area: right of the 10-pixel level bar, above the 99-pixel strip and
    // the 11-pixel position bar; -2047 at its top, +2047 at its bottom.
    const int width = window.width - 10, height = window.height - 1 - 11 - 99;
    const auto y = [&](int s) { return ((s + 2047) * height) / 4094; };
    for (int run = 0; run < 8; ++run) {
        const int x = 10 + int((unsigned(width) * unsigned(run * 256 + 128)) >> 11);
        const int at = run % 2 == 0 ? low : high, other = run % 2 == 0 ? high : low;
        if (shot.Pixel(x, y(at)) != 0xFF0000 || shot.Pixel(x, y(other)) == 0xFF0000 ||
            shot.Pixel(x, y(level)) != 0x0000FF)
            return false;
    }
    return true;
}

} // namespace e2e
