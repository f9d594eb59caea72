#pragma once

#include "link/serial_link.h"
#include "toolkit/line_log.h"

namespace duruz {

// How an attempt to open a port ended.
enum class OpenOutcome {
    Failed,       // no port is open
    Unconfigured, // open, but it refused its settings or time-outs: still used
    Configured,
};

// Closes the current port and clears the link's counters, then opens and
// configures the port of the given row (115200 8N1, DTR on, RTS handshaking,
// 1 ms read time-outs), logging each step. With no valid row it closes the port and
// opens nothing. When the port ended configured the caller asks for the first frame.
// A refused open leaves its reason in *refusal, when given.
OpenOutcome OpenPort(SerialLink& link, PortProvider& provider, int row, tk::LineLog& log,
                     serial::OpenFailure* refusal = nullptr);

// Points PortPath at the row's device path; false, with nothing changed, when the
// row is not one of the table's.
bool SelectPortRow(SerialLink& link, int row);

} // namespace duruz
