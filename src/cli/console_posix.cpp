#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/console.h"

#include <csignal>

#include <unistd.h>

namespace duruz::cli {

namespace {

void OnSignal(int signal) {
    RequestStop(signal == SIGINT ? kExitInterrupted : kExitTerminated);
}

} // namespace

void StopRunOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that went away is a write error, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
}

void WriteStandardOutputAsIs() {}

bool StandardErrorIsConsole() {
    return isatty(STDERR_FILENO) == 1;
}

bool PathExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string PortPathFromName(const std::string& name) {
    return name;
}

} // namespace duruz::cli
