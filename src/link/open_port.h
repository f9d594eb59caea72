#pragma once

#include "base/result.h"
#include "link/serial_link.h"
#include "toolkit/line_log.h"

#include <string>

namespace duruz {

// A port that opened. One that refused its settings or time-outs is still used;
// notConfigured then names the step it refused ("Error setting state of").
struct OpenedPort {
    std::string notConfigured;
    bool Configured() const { return notConfigured.empty(); }
};

// Closes the current port and clears the link's counters, then opens and
// configures the port of the given row (115200 8N1, DTR on, RTS handshaking,
// 1 ms read time-outs), logging each step. With no valid row it closes the port and
// opens nothing. When the port ended configured the caller asks for the first frame.
// A failure's reason is the last line logged, without its indent ("does not exist",
// "in use by another program", "No port selected"). A refused open also leaves its
// kind in *refusal, when given.
Result<OpenedPort> OpenPort(SerialLink& link, PortProvider& provider, int row, tk::LineLog& log,
                            serial::OpenFailure* refusal = nullptr);

// Points PortPath at the row's device path; false, with nothing changed, when the
// row is not one of the table's.
bool SelectPortRow(SerialLink& link, int row);

} // namespace duruz
