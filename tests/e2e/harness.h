#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

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

// A child process, killed by the destructor if it still runs. An empty `env`
// keeps the test's own environment.
class Child {
public:
    Child(std::vector<std::string> argv, std::vector<std::string> env = {},
          const std::string& dir = {}, const std::string& output = "/dev/null");
    ~Child();
    bool Running();
    // Sends SIGTERM; true when the child ended with exit code 0 within 20 s.
    bool Terminate();
    // Whether it has installed a SIGTERM handler, i.e. start-up has run to its end.
    bool CatchesTerm() const;
    double CpuSeconds() const;

    pid_t pid = -1;
    int status = -1;
};

// The instrument's end of a pseudo-terminal: records what the program writes and
// answers each capture request with `answer`; `once` falls silent after one.
// It holds the slave end open too, so the line stays up between opens.
class Peer {
public:
    Peer();
    ~Peer();
    void Answer(std::string bytes, bool once = false);
    void Preload(const std::string& bytes);
    std::string Received();
    std::vector<Clock::time_point> Requests();
    // Bytes on the line that the program has not read yet.
    int Unread() const;

    std::string path;

private:
    void Run();
    int master_ = -1, slave_ = -1;
    std::mutex mutex_;
    bool stop_ = false, once_ = false;
    std::string answer_, received_, pending_;
    std::vector<Clock::time_point> requests_;
    std::thread thread_;
};

// Xvfb without a window manager, so a window sits exactly where it asks to be;
// it becomes DISPLAY for the tools below.
struct Display {
    Display();
    ~Display() { server && server->Terminate(); } // SIGKILL would leave its lock file behind
    std::optional<Child> server;
    std::string name;
};

struct Window {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
};

std::optional<Window> FindWindow(Clock::duration timeout);
bool Click(const Window& window, int x, int y);

// A screenshot of the window as 0xRRGGBB pixels.
struct Shot {
    int width = 0, height = 0;
    std::string rgb;
    long Pixel(int x, int y) const;
};
std::optional<Shot> Capture(const Window& window);

// The program in a fresh folder with a home of its own, on the offscreen platform
// or on `display`.
class Program {
public:
    Program();
    ~Program();
    void WriteConfig(const std::string& bytes) const;
    std::optional<std::string> ReadConfig() const;
    // Starts it and waits until its start-up has ended.
    bool Start(const std::vector<std::string>& ports, const std::string& display = {});
    std::string Output() const;

    std::string folder;
    std::optional<Child> child;
};

// Config.Ini as the program writes it: key, space, value, padding, CR LF; the
// values of a first run on the offscreen platform with `changes` put in.
std::string ConfigText(const std::string& portPath,
                       const std::map<std::string, std::string>& changes = {});

// A capture frame: the "xHxH" header with the pair count, then 2,048 pairs. Channel 1
// is a square wave, `low` in the first half of each 512-sample period; channel 2
// holds `level`.
std::string SquareFrame(short low, short high, short level);
// Whether the window shows that frame: the middle of every flat run in red at its
// level and not at the other one, channel 2 in blue.
bool ShowsSquare(const Shot& shot, const Window& window, int low, int high, int level);

} // namespace e2e
