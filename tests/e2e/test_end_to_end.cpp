// The real program as a child process against a scripted instrument on a
// pseudo-terminal, under an X server of its own, checked from the outside: wire
// bytes, Config.Ini, pixels. Start-up and close; the capture loop; the instrument
// going away in the middle of a frame, and coming back.

#include "support/pty_pair.h"
#include "support/talking_peer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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
#include <unistd.h>

namespace {

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

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Runs a command line with a 20 s bound; its exit code, and its output if asked.
int Shell(const std::string& line, std::string* output = nullptr) {
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
        clockid_t clock{};
        timespec used{};
        ::clock_getcpuclockid(pid, &clock);
        ::clock_gettime(clock, &used);
        return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
    }

    pid_t pid = -1;
    int status = -1;
};

// The instrument's end of a pseudo-terminal that holds its slave open: records
// what the program writes and answers each capture request with `answer` (`once`:
// only the next one). Its destructor hangs the line up.
class Peer {
public:
    template <typename F> auto Locked(F f) {
        std::lock_guard lock(mutex_);
        return f();
    }
    Peer() : thread_([this] { Run(); }) {}
    ~Peer() {
        Locked([&] { stop_ = true; });
        thread_.join();
    }
    void Answer(std::string bytes, bool once = false) {
        Locked([&] { answer_ = std::move(bytes), once_ = once; });
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
        ::ioctl(pty_.Slave(), FIONREAD, &count);
        return count;
    }

private:
    testing_support::PtyPair pty_{true};

public:
    const std::string path = pty_.SlavePath();

private:
    void Run() {
        std::size_t scanned = 0;
        for (pollfd entry{pty_.Master(), POLLIN, 0};; ::poll(&entry, 1, 10)) {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            char chunk[4096];
            for (ssize_t n; (n = ::read(pty_.Master(), chunk, sizeof chunk)) > 0;)
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
            for (ssize_t n; !pending_.empty() &&
                            (n = ::write(pty_.Master(), pending_.data(), pending_.size())) > 0;)
                pending_.erase(0, std::size_t(n));
        }
    }

    std::mutex mutex_;
    bool stop_ = false, once_ = false;
    std::string answer_, received_, pending_;
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

// Waits up to 20 s for the window to show.
std::optional<Window> FindWindow() {
    std::string shell;
    Window w;
    long id = 0;
    if (Shell("xdotool search --sync --onlyvisible --name '^RORU-Duruz Rev 1.36' "
              "getwindowgeometry --shell",
              &shell) != 0 ||
        std::sscanf(shell.c_str(), "WINDOW=%ld X=%d Y=%d WIDTH=%d HEIGHT=%d", &id, &w.x, &w.y,
                    &w.width, &w.height) != 5)
        return std::nullopt;
    w.id = std::to_string(id);
    w.height -= kStatusStripHeight;
    return w;
}

// The program in a fresh folder with a home of its own, on the offscreen platform
// or on `display`.
struct Program {
    Program() {
        for (const char* name : {"/work", "/home", "/home/Downloads", "/runtime"})
            ::mkdir((folder + name).c_str(), 0700);
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

    testing_support::TempFolder temp{"duruz-e2e"};
    const std::string folder = temp.Path();
    std::optional<Child> child; // last: ends before its folder goes
};

// Config.Ini as the program writes it: key, space, value, padding, CR LF; the
// values of a first run on the offscreen platform with `changes` put in.
std::string ConfigText(const std::string& portPath,
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
std::string SquareFrame(short low, short high, short level) {
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
bool ShowsSquare(const Window& w, int low, int high, int level) {
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

// A device that talks without being asked, its bytes waiting on the line before the
// open, holds neither start-up nor the close: the defaults go out, and SIGTERM still
// ends the program promptly with its settings saved.
TEST(StartUp, WithoutConfigIniAChatteringPeerGetsTheDefaultsAndClosingSavesThem) {
    testing_support::TalkingPeer peer(std::string(70, 'c'), 1ms);
    ASSERT_NE(peer.path, "");
    Program run;
    const auto launched = Clock::now();
    ASSERT_TRUE(run.Start({peer.path})) << run.Output();
    // Open (request), sweep and sync handlers (the first before the sync lists
    // are settled), both ranges, then each generator channel with its request.
    const std::string expected = kRequest + "%S// 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                 "%Y7\r" + "%G00200.000000,1.000000" + kRequest +
                                 "%G10201.000000,1.000000" + kRequest;
    // The first request goes out after the capped drain.
    ASSERT_TRUE(WaitFor([&] { return !peer.Received().empty(); }, 10s));
    EXPECT_LT(Clock::now() - launched, 2s);
    ASSERT_TRUE(WaitFor([&] { return peer.Received().size() >= expected.size(); }, 10s))
        << peer.Received();
    // The first run creates an empty settings file at once.
    EXPECT_EQ(run.ReadConfig(), std::string());

    std::this_thread::sleep_for(1s);
    const auto asked = Clock::now();
    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_LT(Clock::now() - asked, 2s);
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path));
    // Between start-up and close the program asked for frames and nothing else.
    const std::string received = peer.Received();
    std::string requests;
    while (expected.size() + requests.size() < received.size())
        requests += kRequest;
    EXPECT_EQ(received, expected + requests);
    EXPECT_FALSE(std::filesystem::exists(run.folder + "/home/Downloads/Log.Txt"));
}

// On X without a window manager the window has no frame, so a saved geometry must
// come back unchanged. With Hold on only start-up asks for frames, never the timer.
// A stale port path in the file: the row decides, the path is rewritten.
TEST(StartUp, WithSavedSettingsSendsThemAndClosingWritesThemBack) {
    Peer peer;
    Display display;
    ASSERT_NE(display.name, "");
    Program run;
    std::map<std::string, std::string> saved = {
        {"SySrc", "0"},    {"Prob1", "0"},     {"Scal1", "3"},      {"Scal2", "5"},
        {"SyLev", "-500"}, {"SyPos", "300"},   {"Wleft", "10"},     {"Wtopp", "20"},
        {"Wwidt", "1300"}, {"Whigh", "850"},   {"Scop2", "0"},      {"Fft1C", "1"},
        {"Hold ", "1"},    {"Wave1", "1"},     {"Freq1", "1000.5"}, {"Ampl1", "0.75"},
        {"Wave2", "6"},    {"Freq2", "50000"}, {"Ampl2", "2"}}; // beyond 40 kHz and 1.5 V
    run.WriteConfig(ConfigText("/dev/ttyUSB9", saved));

    ASSERT_TRUE(run.Start({peer.path}, display.name)) << run.Output();
    const std::string expected = kRequest + "%S01  300 -500\r" + "%S01  300 -500\r" + "%X3\r" +
                                 "%Y5\r" + "%G011000.500000,0.750000" + kRequest +
                                 "%G1640000.000000,1.500000" + kRequest;
    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(std::vector({window->x, window->y, window->width, window->height}),
              std::vector({10, 20, 1300, 850}));
    EXPECT_FALSE(WaitFor([&] { return peer.Received().size() > expected.size(); }, 4500ms))
        << "a request came with Hold on";
    EXPECT_EQ(peer.Received(), expected);

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    // A one-character text reads back with the space that followed it.
    saved["Ampl2"] = "2 ";
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path, saved));
}

// Paths on the command line that are no serial port: a regular file, chosen at
// start-up as the last row before the simulator, keeps its bytes; a path too long
// for the port table (80 bytes) ends the program as a bad argument does, before
// start-up runs.
TEST(StartUp, CommandLinePathsThatAreNoPortAreLeftAloneOrRefused) {
    Program run;
    const std::string notes = run.folder + "/notes.txt";
    std::ofstream(notes, std::ios::binary) << "my notes\n";
    ASSERT_TRUE(run.Start({notes})) << run.Output();
    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(ReadFile(notes), "my notes\n");

    Program tooLong;
    const std::string path = "/dev/" + std::string(75, 'p');
    EXPECT_FALSE(tooLong.Start({path}));
    ASSERT_TRUE(WIFEXITED(tooLong.child->status)) << tooLong.Output();
    EXPECT_EQ(WEXITSTATUS(tooLong.child->status), 2);
    EXPECT_NE(tooLong.Output().find("--port path too long (80 bytes, at most 79): " + path),
              std::string::npos)
        << tooLong.Output();
    EXPECT_EQ(tooLong.ReadConfig(), std::nullopt);
}

// On a silent line each tick spends ten empty reads of 129 ms, and a request is
// repeated once it has waited two ticks: one tick after start-up, every two ticks
// after that (the drain on a silent line ends after 2 ms). Open, generator A and
// generator B make the three start-up requests.
TEST(Capture, SilentPeerIsAskedAgainEveryTwoTicksAndFramesAreDrawn) {
    Display display;
    ASSERT_NE(display.name, "");
    Peer peer;
    Program run;
    ASSERT_TRUE(run.Start({peer.path}, display.name)) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return peer.Requests().size() >= 6; }, 20s))
        << peer.Requests().size() << " requests";
    const std::vector<Clock::time_point> times = peer.Requests();
    for (std::size_t i = 3; i < 6; ++i) {
        const double gap = Seconds(times[i] - times[i - 1]), ticks = i == 3 ? 1 : 2;
        EXPECT_GE(gap, ticks * 10 * 0.129 - 0.05) << "request " << i;
        EXPECT_LE(gap, 2 + ticks * 2) << "request " << i;
    }

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    // The design place and size; no window manager is there to maximise it.
    ASSERT_EQ(std::vector({window->x, window->y, window->width, window->height}),
              std::vector({0, 277, 1511, 899}));
    // A square wave on channel 1, a level on channel 2; clear of the graticule
    // lines, the level marker and the top edge. Each new frame is drawn, and every
    // answered request is followed by another.
    for (const short sign : {1, -1}) {
        SCOPED_TRACE(sign);
        const short low = short(-1024 * sign), high = short(1024 * sign),
                    level = short(-1536 * sign);
        peer.Answer(SquareFrame(low, high, level));
        const std::size_t asked = peer.Requests().size();
        EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, low, high, level); }, 20s));
        EXPECT_TRUE(WaitFor([&] { return peer.Requests().size() >= asked + 4; }, 15s));
    }
    EXPECT_TRUE(run.child->Terminate()) << run.Output();
}

// Points the link at another device, as socat does with its pty links: the
// program's port row names the link, whichever pseudo-terminal is behind it.
bool PointLink(const std::string& link, const std::string& target) {
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 &&
           std::rename(fresh.c_str(), link.c_str()) == 0;
}

// The peer hangs up after a quarter of a frame. The program lets the line go and
// waits without spinning; once a new peer stands behind the row's path it opens it
// by itself, sends the whole setting (what start-up sends with no Config.Ini once
// the sync lists are settled), and draws its frames. Closing still saves the
// settings.
TEST(PeerLoss, HangUpMidFrameThenTheSamePathReturnsAndIsReopenedWithTheSetting) {
    Display display;
    ASSERT_NE(display.name, "");
    auto first = std::make_unique<Peer>();
    Program run;
    const std::string link = run.folder + "/ttyDuruz";
    ASSERT_TRUE(PointLink(link, first->path));
    ASSERT_TRUE(run.Start({link}, display.name)) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() >= 3; }, 10s));

    // The timer's next request gets the header and a quarter of the samples; once
    // the program has taken them in (they reach the slave's queue first), the
    // line closes and the hang-up is seen. The link goes with its peer, as socat's
    // does: the freed pseudo-terminal's number may be taken at once by any other
    // program on the machine, and the row's path must not name that one.
    first->Answer(SquareFrame(-1024, 1024, -1536).substr(0, 128 + 2048), true);
    ASSERT_TRUE(WaitFor([&] { return first->Requests().size() >= 4; }, 20s));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(WaitFor([&] { return first->Unread() == 0; }, 10s));
    first.reset();
    ::unlink(link.c_str());
    std::this_thread::sleep_for(500ms);
    const double cpuBefore = run.child->CpuSeconds();
    const auto since = Clock::now();
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(run.child->Running()) << run.Output();
    EXPECT_LT(run.child->CpuSeconds() - cpuBefore, 0.05 * Seconds(Clock::now() - since))
        << "busy on the hung-up line";

    const auto window = FindWindow();
    ASSERT_TRUE(window.has_value());
    Peer second;
    second.Answer(SquareFrame(1024, -1024, 1536));
    ASSERT_TRUE(PointLink(link, second.path));
    const std::string wholeSetting = kRequest + "%S11 1024    0\r" + "%S11 1024    0\r" + "%X7\r" +
                                     "%Y7\r" + "%G00200.000000,1.000000" + kRequest +
                                     "%G10201.000000,1.000000" + kRequest;
    EXPECT_TRUE(WaitFor([&] { return second.Received().size() >= wholeSetting.size(); }, 2s))
        << "not reopened within 2 s: " << second.Received();
    ASSERT_TRUE(WaitFor([&] { return second.Received().size() >= wholeSetting.size(); }, 10s));
    EXPECT_EQ(second.Received().substr(0, wholeSetting.size()), wholeSetting);
    EXPECT_TRUE(WaitFor([&] { return ShowsSquare(*window, 1024, -1024, 1536); }, 20s));

    ASSERT_TRUE(run.child->Terminate()) << run.Output();
    EXPECT_EQ(run.ReadConfig(), ConfigText(link));
}

} // namespace
