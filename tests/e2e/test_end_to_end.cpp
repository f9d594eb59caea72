// The real program as a child process against a scripted instrument on a
// pseudo-terminal, checked from the outside: wire bytes, Config.Ini, pixels.

#include "support/pty_pair.h"
#include "support/talking_peer.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::ReadFile;

const std::string kRequest = "%z\r\n";

// Polls the condition every 10 ms; true when it held before the time was up.
template <typename Condition> bool WaitFor(Condition condition, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition() && Clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    return condition(); // once more, as it may have come true meanwhile
}

// The instrument's end of a pseudo-terminal that holds its slave open. Pump()
// records what the program wrote and answers each capture request with `answer`;
// the tests pump while they wait. Going away hangs the line up.
struct Peer {
    Peer& Pump() {
        char chunk[4096];
        for (ssize_t n; (n = ::read(pty.Master(), chunk, sizeof chunk)) > 0;)
            received.append(chunk, std::size_t(n));
        for (std::size_t at; (at = received.find(kRequest, scanned)) != std::string::npos;) {
            scanned = at + kRequest.size();
            requests.push_back(Clock::now());
            // One frame in flight at most; the program drains what it did not ask for.
            if (pending.size() <= answer.size())
                pending += answer;
        }
        for (ssize_t n;
             !pending.empty() && (n = ::write(pty.Master(), pending.data(), pending.size())) > 0;)
            pending.erase(0, std::size_t(n));
        return *this;
    }

    testing_support::PtyPair pty{true};
    const std::string path = pty.SlavePath();
    std::string answer, received, pending;
    std::size_t scanned = 0;
    std::vector<Clock::time_point> requests;
};

// The program as a child process in a group of its own, in a fresh folder with a
// home of its own, on the offscreen platform or on `display`; killed at the end if
// it still runs.
struct Program {
    Program() {
        for (const char* name : {"/work", "/home", "/home/Downloads", "/runtime"})
            std::filesystem::create_directory(folder + name);
    }
    ~Program() {
        if (Running())
            ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    }
    // Starts it with these arguments and environment, and the sanitizer build's
    // settings; nothing else of the test's own environment leaks in.
    void Launch(std::vector<std::string> argv, std::vector<std::string> env) {
        argv.insert(argv.begin(), DURUZ_PATH);
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
        std::vector<char*> args, envp;
        for (auto [from, to] : {std::pair(&argv, &args), std::pair(&env, &envp)}) {
            for (std::string& s : *from)
                to->push_back(s.data());
            to->push_back(nullptr);
        }
        const std::string work = folder + "/work";
        if ((pid = ::fork()) == 0) {
            ::setpgid(0, 0);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644), 2);
            if (::chdir(work.c_str()) == 0)
                ::execve(args[0], args.data(), envp.data());
            ::_exit(127);
        }
    }
    // Starts it and waits, pumping `peer`, until its start-up has ended: it has
    // installed its SIGTERM handler. The test's desktop, language and Qt settings stay out.
    bool Start(const std::vector<std::string>& ports, const std::string& display = {},
               Peer* peer = nullptr) {
        std::vector<std::string> argv;
        for (const std::string& port : ports)
            argv.insert(argv.end(), {"--port", port});
        Launch(argv,
               {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8", "LANG=C.UTF-8", "HOME=" + folder + "/home",
                "DISPLAY=" + display, "XDG_RUNTIME_DIR=" + folder + "/runtime",
                display.empty() ? "QT_QPA_PLATFORM=offscreen" : "QT_QPA_PLATFORM=xcb"});
        const auto settled = [&] {
            if (peer != nullptr)
                peer->Pump();
            const std::string text = ReadFile("/proc/" + std::to_string(pid) + "/status");
            const std::size_t at = text.find("SigCgt:"); // bit 14: SIGTERM
            return !Running() || (at != std::string::npos &&
                                  (std::stoull(text.substr(at + 7), nullptr, 16) >> 14) & 1);
        };
        return WaitFor(settled, 30s) && Running();
    }
    bool Running() { return pid > 0 && status == -1 && ::waitpid(pid, &status, WNOHANG) == 0; }
    // Sends SIGTERM; true when the program ended with exit code 0 within 20 s.
    bool Terminate() {
        if (Running())
            ::kill(pid, SIGTERM);
        return WaitFor([&] { return !Running(); }, 20s) && status == 0;
    }
    std::string ReadConfig() const { return ReadFile(folder + "/work/Config.Ini"); }
    bool HasConfig() const { return std::filesystem::exists(folder + "/work/Config.Ini"); }
    // Its standard output, "|", its standard error.
    std::string Output() const { return ReadFile(out) + "|" + ReadFile(err); }

    testing_support::TempFolder temp{"duruz-e2e"};
    const std::string folder = temp.Path(), out = folder + "/out", err = folder + "/err";
    pid_t pid = -1;
    int status = -1;
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

// `setting`, then as many frame requests as make up the length of `received`.
std::string ThenRequests(std::string setting, const std::string& received) {
    while (setting.size() < received.size())
        setting += kRequest;
    return setting;
}

// A sample or count as the instrument sends it, low byte first.
std::string Word(int value) {
    return {char(value & 0xFF), char((value >> 8) & 0xFF)};
}

// A capture frame: the "xHxH" header with the pair count, then 2,048 pairs. Channel
// 1 is a square wave, `low` in the first half of each 512-sample period; channel 2
// holds `level`.
std::string SquareFrame(short low, short high, short level) {
    std::string bytes = "xHxH" + Word(2048) + std::string(122, '\0');
    for (int i = 0; i < 2048; ++i)
        bytes += Word(i % 512 < 256 ? low : high) + Word(level);
    return bytes;
}

// A device that talks without being asked, its bytes waiting on the line before the
// open, holds neither start-up nor the close: the defaults go out at once (the first
// sync before the sync lists are settled), the first run creates an empty settings
// file, and SIGTERM still ends the program promptly with its settings saved. In
// between the program asks for frames and nothing else.
TEST(StartUp, WithoutConfigIniAChatteringPeerGetsTheDefaultsAndClosingSavesThem) {
    testing_support::TalkingPeer peer(std::string(70, 'c'), 1ms);
    Program run;
    // Open (request), the sweep and sync handlers (the first before the sync lists
    // are settled), both ranges, then each generator channel with its request.
    const std::string defaults = kRequest + "%S// 1024    0\r%S11 1024    0\r%X7\r%Y7\r" +
                                 "%G00200.000000,1.000000" + kRequest + "%G10201.000000,1.000000" +
                                 kRequest;
    const auto launched = Clock::now();
    ASSERT_TRUE(!peer.path.empty() && run.Start({peer.path})) << run.Output();
    ASSERT_TRUE(WaitFor([&] { return peer.Received().size() >= defaults.size(); }, 10s))
        << peer.Received();
    EXPECT_LT(Clock::now() - launched, 2s);
    EXPECT_TRUE(run.HasConfig() && run.ReadConfig().empty());

    std::this_thread::sleep_for(1s);
    const auto asked = Clock::now();
    ASSERT_TRUE(run.Terminate()) << run.Output();
    EXPECT_LT(Clock::now() - asked, 2s);
    EXPECT_EQ(run.ReadConfig(), ConfigText(peer.path));
    EXPECT_EQ(peer.Received(), ThenRequests(defaults, peer.Received()));
    EXPECT_FALSE(std::filesystem::exists(run.folder + "/home/Downloads/Log.Txt"));
}

// Without any window system, neither DISPLAY nor QT_QPA_PLATFORM, as a script over
// SSH would run it: --help and --version answer; a bad option, value (0 and 1000 ms
// are taken) or --port path (80 bytes is too long for the port table) ends the run
// with status 2 and a line on standard error, before anything else is answered and
// before start-up creates Config.Ini.
TEST(CommandLine, HelpAndVersionNeedNoDisplayBadArgumentsEndWithStatus2AndAFileIsNoPort) {
    // The wait status, then what went to standard output and to standard error.
    const auto refused = [](const std::string& why) { return "512||duruz: " + why + "\n"; };
    const std::string ms = " takes a whole number of milliseconds from 0 to 1000: ",
                      path = "/dev/" + std::string(75, 'p');
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{"--help"},
         "0|Usage: " DURUZ_PATH " [options]\nFront end of the two-channel oscilloscope and "
         "signal generator on a serial port.\n\nOptions:\n  -h, --help                      "
         "Displays help on commandline options.\n  --help-all                      Displays "
         "help including Qt specific options.\n  -v, --version                   Displays "
         "version information.\n  --port <PATH>                   Add PATH (a pseudo-terminal "
         "or serial bridge)\n                                  to the port list.\n  "
         "--capture-ms <MS>               The built-in simulator's capture time before\n      "
         "                            each answer (default 20).\n  --usb-latency <MS>         "
         "     The built-in simulator delivers in 62-byte\n                                  "
         "USB packets, a partial one after MS ms\n                                  (default "
         "off).\n  --sim-dut <CIRCUIT>             The built-in simulator puts a circuit "
         "between\n                                  generator A and input 2, input 1 on "
         "generator\n                                  A: lowpass:FC, highpass:FC, "
         "bandpass:F0:Q or\n                                  lowpass2:FC:Q.\n  "
         "--sim-mismatch <GAIN:DELAY_US>  The built-in simulator puts a gain error and\n      "
         "                            a delay on input 2, input 1 on generator A.\n  --trace "
         "<FILE>                  Write each frame drawn and its settings to\n                "
         "                  FILE (soak runs).\n|"},
        {{"--capture-ms", "1000", "--usb-latency", "0", "--version"}, "0|duruz 1.36\n|"},
        {{"--bogus"}, refused("Unknown option 'bogus'.")},
        {{"--capture-ms", "1001", "--help"}, refused("--capture-ms" + ms + "1001")},
        {{"--usb-latency", "-1"}, refused("--usb-latency" + ms + "-1")},
        {{"--port", path}, refused("--port path too long (80 bytes, at most 79): " + path)},
    };
    for (const auto& [args, expected] : runs) {
        Program run;
        run.Launch(args, {"PATH=/usr/bin:/bin"});
        ::waitpid(run.pid, &run.status, 0);
        EXPECT_EQ(std::to_string(run.status) + "|" + run.Output(), expected);
        EXPECT_FALSE(run.HasConfig());
    }
    // A regular file given as a port, chosen at start-up as the last row before the
    // simulator, keeps its bytes.
    Program run;
    const std::string notes = run.folder + "/notes.txt";
    std::ofstream(notes, std::ios::binary) << "my notes\n";
    ASSERT_TRUE(run.Start({notes})) << run.Output();
    ASSERT_TRUE(run.Terminate()) << run.Output();
    EXPECT_EQ(ReadFile(notes), "my notes\n");
}

// Points the link at another device, as socat does with its pty links: the
// program's port row names the link, whichever pseudo-terminal is behind it.
void PointLink(const std::string& link, const std::string& target) {
    std::filesystem::create_symlink(target, link + ".new");
    std::filesystem::rename(link + ".new", link);
}

// Saved settings go out at start-up (the generator held to 40 kHz and 1.5 V), and
// on X without a window manager the saved place and size come back unchanged. On
// the silent line each tick spends ten empty reads of 129 ms and a request is
// repeated once it has waited two ticks: one tick after start-up, every two ticks
// after that. The peer hangs up after a quarter of a frame; the program lets the
// line go and keeps running, and once a new peer stands behind the row's path it
// opens it by itself within 2 s, sends the whole setting again, and draws the
// frames it is answered with. Closing writes the settings back, the stale port path
// replaced by the row's.
TEST(Capture, SavedSettingsSilentLineAndPeerLossThenTheReturningPeersFrameIsDrawn) {
    auto first = std::make_unique<Peer>();
    Program run;
    const std::string link = run.folder + "/ttyDuruz";
    PointLink(link, first->path);
    // Xvfb picks a free display number and prints it once it accepts clients, after
    // its process id; SIGTERM, not SIGKILL, has it take its lock file with it.
    int xvfbPid = 0, number = -1;
    const std::shared_ptr<FILE> xvfb(
        ::popen("Xvfb -displayfd 1 -screen 0 1600x1200x24 -nolisten tcp -noreset 2>/dev/null & "
                "echo $!",
                "r"),
        [&](FILE* pipe) {
            if (xvfbPid > 0)
                ::kill(xvfbPid, SIGTERM);
            if (pipe != nullptr)
                ::pclose(pipe);
        });
    ASSERT_TRUE(xvfb && std::fscanf(xvfb.get(), "%d %d", &xvfbPid, &number) == 2)
        << "Xvfb did not start";
    const std::string display = ":" + std::to_string(number);
    ::setenv("DISPLAY", display.c_str(), 1); // for the X tools; the program gets its own
    std::map<std::string, std::string> saved = {
        {"SySrc", "0"},    {"Prob1", "0"},   {"Scal1", "3"},     {"Scal2", "5"},
        {"SyLev", "-500"}, {"SyPos", "300"}, {"Wleft", "10"},    {"Wtopp", "20"},
        {"Wwidt", "1300"}, {"Whigh", "850"}, {"Wave1", "1"},     {"Freq1", "1000.5"},
        {"Ampl1", "0.75"}, {"Wave2", "6"},   {"Freq2", "50000"}, {"Ampl2", "2"}};
    std::ofstream(run.folder + "/work/Config.Ini", std::ios::binary)
        << ConfigText("/dev/ttyUSB9", saved);
    ASSERT_TRUE(run.Start({link}, display, first.get())) << run.Output();

    ASSERT_TRUE(WaitFor([&] { return first->Pump().requests.size() >= 6; }, 20s))
        << first->requests.size() << " requests";
    for (std::size_t i = 3; i < 6; ++i) {
        const double ticks = i == 3 ? 1 : 2;
        const std::chrono::duration<double> gap = first->requests[i] - first->requests[i - 1];
        // The upper bound leaves room for a loaded machine; the lower one catches a
        // request repeated too soon.
        EXPECT_TRUE(gap.count() >= ticks * 10 * 0.129 - 0.05 && gap.count() <= 3 + ticks * 3)
            << "request " << i << " after " << gap.count() << " s";
    }
    const std::string setting = kRequest + "%S01  300 -500\r%S01  300 -500\r%X3\r%Y5\r" +
                                "%G011000.500000,0.750000" + kRequest +
                                "%G1640000.000000,1.500000" + kRequest;
    EXPECT_EQ(first->received, ThenRequests(setting, first->received));

    // The X window holds the client area and, below it, the 22-pixel status strip.
    const std::string window = " --onlyvisible --name '^RORU-Duruz Rev 1.36' ";
    const auto shell = [&](const std::string& line) { // what it prints, run with a 20 s bound
        const std::string out = run.folder + "/shell.txt";
        return std::system(("timeout 20 " + line + " >" + out + " 2>/dev/null").c_str()) == 0
                   ? ReadFile(out)
                   : std::string();
    };
    ASSERT_EQ(shell("xdotool search --sync" + window + "getwindowgeometry --shell | tail -n +2"),
              "X=10\nY=20\nWIDTH=1300\nHEIGHT=872\nSCREEN=0\n");

    // The next request gets the header and a quarter of the samples; once the
    // program has taken them in (they reach the slave's queue first), the line
    // closes. The link goes with its peer, as socat's does: the freed
    // pseudo-terminal's number may be taken at once by another program, and the
    // row's path must not name that one.
    first->answer = SquareFrame(-1024, 1024, -1536).substr(0, 128 + 2048);
    const std::size_t asked = first->requests.size();
    const auto taken = [&] {
        int unread = -1;
        return first->Pump().requests.size() > asked && first->pending.empty() &&
               ::ioctl(first->pty.Slave(), FIONREAD, &unread) == 0 && unread == 0;
    };
    ASSERT_TRUE(WaitFor(taken, 20s));
    first.reset();
    ::unlink(link.c_str());
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(run.Running()) << run.Output();

    Peer second;
    second.answer = SquareFrame(-1024, 1024, -1536);
    PointLink(link, second.path);
    const auto pointed = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return second.Pump().requests.size() >= 5; }, 20s))
        << second.received;
    EXPECT_LT(second.requests[0] - pointed, 5s) << "not reopened within 2 s (5 s when loaded)";
    EXPECT_EQ(second.received, ThenRequests(setting, second.received));

    // A square wave on channel 1 and a level on channel 2: red at the middle of each
    // flat run and not at the other level, blue at the level. The trace area lies
    // right of the 10-pixel level bar, above the 99-pixel strip and the 11-pixel
    // position bar: 1290 x 739 pixels, -2047 at its top, +2047 at its bottom.
    const std::string red("\xFF\0\0", 3), blue("\0\0\xFF", 3);
    const auto showsSquare = [&] {
        const std::string ppm =
            shell("xdotool search" + window + "| xargs -I@ import -window @ -depth 8 ppm:-");
        bool shown = ppm.starts_with("P6\n1300 872\n255\n") && ppm.size() == 16 + 1300 * 872 * 3;
        for (int flat = 0; flat < 8 && shown; ++flat) {
            const int x = 10 + 1290 * (flat * 256 + 128) / 2048, at = flat % 2 == 0 ? -1024 : 1024;
            const auto pixel = [&](int sample) {
                return ppm.substr(16 + (((sample + 2047) * 739 / 4094) * 1300 + x) * 3, 3);
            };
            shown = pixel(at) == red && pixel(-at) != red && pixel(-1536) == blue;
        }
        return shown;
    };
    EXPECT_TRUE(WaitFor([&] { return second.Pump(), showsSquare(); }, 20s));

    ASSERT_TRUE(run.Terminate()) << run.Output();
    saved["Ampl2"] = "2 "; // a one-character text reads back with the space that followed it
    EXPECT_EQ(run.ReadConfig(), ConfigText(link, saved));
}

} // namespace
