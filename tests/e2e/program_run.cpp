#include "e2e/program_run.h"

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace e2e {

ProgramRun::ProgramRun(std::vector<std::string> ports, std::string display)
    : ports_(std::move(ports)), display_(std::move(display)) {
    if (!folder_.Ok())
        return;
    ::mkdir((folder_ / "work").c_str(), 0755);
    ::mkdir((folder_ / "home").c_str(), 0755);
    ::mkdir((folder_ / "home/Downloads").c_str(), 0755);
    ::mkdir((folder_ / "runtime").c_str(), 0700);
}

ProgramRun::~ProgramRun() = default;

void ProgramRun::WriteConfig(const std::string& bytes) const {
    std::ofstream out(ConfigPath(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::optional<std::string> ProgramRun::ReadConfig() const {
    std::ifstream in(ConfigPath(), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool ProgramRun::Start() {
    ChildLaunch launch;
    launch.argv = {DURUZ_PATH};
    for (const std::string& port : ports_) {
        launch.argv.push_back("--port");
        launch.argv.push_back(port);
    }
    launch.workingDirectory = folder_ / "work";
    launch.outputPath = folder_ / "output.txt";
    // Nothing of the test's own desktop, language or Qt settings leaks in; the
    // numbers the program reads from its edits are converted in a fixed locale.
    launch.unsetEnv = {
        "DISPLAY",         "WAYLAND_DISPLAY",         "QT_*", "XDG_*", "LC_*", "LANG", "LANGUAGE",
        "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"};
    launch.setEnv = {"HOME=" + (folder_ / "home"), "XDG_RUNTIME_DIR=" + (folder_ / "runtime"),
                     "LC_ALL=C.UTF-8", "LANG=C.UTF-8"};
    if (display_.empty()) {
        launch.setEnv.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        launch.setEnv.push_back("QT_QPA_PLATFORM=xcb");
        launch.setEnv.push_back("DISPLAY=" + display_);
    }
    process_ = std::make_unique<ChildProcess>(launch);
    return process_->Started();
}

bool ProgramRun::WaitUntilReady(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (process_->Running()) {
        if (process_->Catches(SIGTERM))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool ProgramRun::Close(std::chrono::milliseconds timeout) {
    process_->Signal(SIGTERM);
    return process_->WaitForExit(timeout);
}

std::string ProgramRun::Output() const {
    return process_ != nullptr ? process_->Output() : std::string();
}

} // namespace e2e
