#pragma once

#include "link/serial_link.h"
#include "toolkit/line_log.h"

namespace duruz {

// Closes the current port, then opens and configures the port of the given row
// (115200 8N1, DTR on, RTS handshaking, 1 ms read time-outs), logging each step.
// With no valid row it closes the port and opens nothing. Returns true when the
// port ended configured; the caller then asks for the first frame. A refused open
// leaves its reason in *refusal, when given.
bool OpenPort(SerialLink& link, PortProvider& provider, int row, tk::LineLog& log,
              serial::OpenFailure* refusal = nullptr);

// Points PortPath at the row's device path; false, with nothing changed, when the
// row is not one of the table's.
bool SelectPortRow(SerialLink& link, int row);

} // namespace duruz
