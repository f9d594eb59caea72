#include "e2e/virtual_display.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kToolTime = std::chrono::seconds(20);

// Reads a binary PPM (P6, maxval 255).
std::optional<Screenshot> ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    if (magic != "P6")
        return std::nullopt;
    int values[3] = {0, 0, 0};
    for (int& value : values) {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
            in >> std::ws;
        }
        in >> value;
    }
    in.get(); // the one white-space byte before the samples
    if (!in || values[2] != 255 || values[0] <= 0 || values[1] <= 0)
        return std::nullopt;
    Screenshot shot;
    shot.width = values[0];
    shot.height = values[1];
    shot.rgb.resize(std::size_t(shot.width) * std::size_t(shot.height) * 3);
    in.read(reinterpret_cast<char*>(shot.rgb.data()), std::streamsize(shot.rgb.size()));
    if (in.gcount() != std::streamsize(shot.rgb.size()))
        return std::nullopt;
    return shot;
}

std::string TempPath(const char* pattern) {
    std::string path = std::string("/tmp/") + pattern;
    int fd = ::mkstemp(path.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return path;
}

} // namespace

long Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return -1;
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    return (long(rgb[at]) << 16) | (long(rgb[at + 1]) << 8) | long(rgb[at + 2]);
}

bool VirtualDisplay::ToolsAvailable() {
    return OnPath("Xvfb") && OnPath("import") && OnPath("xdotool");
}

VirtualDisplay::VirtualDisplay() {
    // Xvfb picks a free display number itself and writes it to this pipe once it
    // accepts clients.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return;
    ::fcntl(ready[1], F_SETFD, 0); // the one descriptor Xvfb inherits
    ChildLaunch launch;
    launch.argv = {"Xvfb",      "-displayfd", std::to_string(ready[1]),
                   "-screen",   "0",          "1600x1200x24",
                   "-nolisten", "tcp",        "-noreset"};
    server_ = std::make_unique<ChildProcess>(launch);
    ::close(ready[1]);

    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline && server_->Started()) {
        pollfd entry{ready[0], POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char c;
        if (::read(ready[0], &c, 1) != 1 || c == '\n')
            break;
        number.push_back(c);
    }
    ::close(ready[0]);
    if (!number.empty())
        name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    if (server_ == nullptr)
        return;
    server_->Signal(SIGTERM);
    server_->WaitForExit(std::chrono::seconds(10));
}

std::optional<WindowPlace> VirtualDisplay::FindWindow(const std::string& titleStart,
                                                      std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    do {
        ChildLaunch search;
        search.argv = {"xdotool", "search", "--onlyvisible", "--name", "^" + titleStart};
        search.setEnv = {"DISPLAY=" + name_};
        std::string ids;
        if (RunTool(search, kToolTime, &ids) == 0) {
            std::istringstream lines(ids);
            std::string id;
            if (lines >> id) {
                ChildLaunch where;
                where.argv = {"xdotool", "getwindowgeometry", "--shell", id};
                where.setEnv = search.setEnv;
                std::string shell;
                if (RunTool(where, kToolTime, &shell) == 0) {
                    WindowPlace place;
                    place.id = id;
                    std::istringstream fields(shell);
                    std::string field;
                    while (std::getline(fields, field)) {
                        const std::size_t eq = field.find('=');
                        if (eq == std::string::npos)
                            continue;
                        const std::string key = field.substr(0, eq);
                        const int value = std::atoi(field.c_str() + eq + 1);
                        if (key == "X")
                            place.x = value;
                        else if (key == "Y")
                            place.y = value;
                        else if (key == "WIDTH")
                            place.width = value;
                        else if (key == "HEIGHT")
                            place.height = value;
                    }
                    return place;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (Clock::now() < deadline);
    return std::nullopt;
}

std::optional<Screenshot> VirtualDisplay::Capture(const WindowPlace& window) const {
    const std::string path = TempPath("duruz-e2e-shot-XXXXXX");
    if (path.empty())
        return std::nullopt;
    ChildLaunch import;
    import.argv = {"import", "-display", name_, "-window", window.id, "-depth", "8", "ppm:" + path};
    std::optional<Screenshot> shot;
    if (RunTool(import, kToolTime, nullptr) == 0)
        shot = ReadPpm(path);
    ::unlink(path.c_str());
    return shot;
}

bool VirtualDisplay::Click(const WindowPlace& window, int x, int y) const {
    ChildLaunch click;
    click.argv = {"xdotool",         "mousemove",       "--sync", "--window", window.id,
                  std::to_string(x), std::to_string(y), "click",  "1"};
    click.setEnv = {"DISPLAY=" + name_};
    return RunTool(click, kToolTime, nullptr) == 0;
}

} // namespace e2e
