// duruz-cli: the instrument from scripts and test benches, without a window.
#include "cli/cli_options.h"
#include "cli/cli_run.h"

#include <csignal>
#include <cstdio>

namespace {

void OnSignal(int signal) {
    duruz::cli::RequestStop(signal == SIGINT ? duruz::cli::kExitInterrupted
                                             : duruz::cli::kExitTerminated);
}

} // namespace

int main(int argc, char** argv) {
    const duruz::cli::ParsedCommandLine parsed =
        duruz::cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "duruz-cli: %s\n", parsed.error.c_str());
        return duruz::cli::kExitUsage;
    }
    if (!parsed.request) {
        std::fputs(parsed.printAndExit.c_str(), stdout);
        return 0;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that went away is a write error, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    return duruz::cli::Run(*parsed.request);
}
