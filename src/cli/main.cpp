// duruz-cli: the instrument from scripts and test benches, without a window.
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "cli/console.h"

#include <cstdio>

int main(int argc, char** argv) {
    duruz::cli::WriteStandardOutputAsIs();
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
    duruz::cli::StopRunOnInterrupt();
    return duruz::cli::Run(*parsed.request);
}
