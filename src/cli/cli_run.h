#pragma once

#include "cli/cli_options.h"

namespace duruz::cli {

// Carries out the request; errors go to standard error, data to standard output or
// the request's file. Gives the exit status (ExitStatus).
int Run(const Request& request);

// Asks a run under way to end after the frame being written: 130 for SIGINT, 143
// for SIGTERM. Safe in a signal handler and from any thread.
void RequestStop(int exitStatus);

} // namespace duruz::cli
