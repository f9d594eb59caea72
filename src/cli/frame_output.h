#pragma once

#include "cli/cli_options.h"
#include "link/capture_store.h"
#include "link/link_counters.h"
#include "session/scope_settings.h"

#include <string>

namespace duruz::cli {

// What the tool knows of a frame besides its samples.
struct FrameHeader {
    long long sequence = 0;      // 1 for the first frame written
    std::string hostTime;        // "2026-12-07T20:01:06.123Z"
    double monotonicSeconds = 0; // the steady clock, for intervals
    std::string port;            // the port's row text
    ScopeSettings settings;      // the setting it was captured under
    LinkCounters counters;       // the link's counters so far
};

// A "# frame ..." comment line (header and counters), then the window's export.
std::string CaptureCsv(const FrameHeader& header, const CaptureStore& frame);
// One line of JSON: the header, the setting, the counters and both channels in
// raw counts and volts.
std::string CaptureJson(const FrameHeader& header, const CaptureStore& frame);

} // namespace duruz::cli
