#pragma once

#include "sim/simulated_instrument.h"
#include "toolkit/application.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace duruz {

// The exit status of a command line that cannot be carried out.
constexpr int kBadCommandLine = 2;

// What the command line asks of a run that opens the window.
struct CommandLine {
    std::vector<std::string> ports;   // --port paths, in order
    sim::InstrumentOptions simulator; // the built-in simulator's timing
    std::string frameTrace;           // --trace FILE
};

// Reads argv[1..argc-1] before any window system is needed, so it works over SSH
// and in scripts. The toolkit's own options ("-platform offscreen",
// "--style=fusion") are left for the application object. --help, --help-all
// (which lists the toolkit's options too) and --version are answered on `out`; a
// bad option or value is reported on `err`. Gives the exit status when the
// process should end there, nothing when the window is to open.
std::optional<int> ReadCommandLine(int argc, const char* const argv[],
                                   std::span<const tk::ToolkitOption> toolkitOptions,
                                   CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace duruz
