#pragma once

#include "analysis/frequency_sweep.h"

#include <span>
#include <string>

namespace duruz {

// A sweep's CSV, the same from the tool and the window: the column line, one line a
// point in the sweep's order, then the readouts as "#" lines. A point not measured
// has its gain, phase and group delay empty and says why in its status; its raw
// amplitudes are only a hint. Numbers carry a '.' whatever the locale.
std::string ResponseCsv(std::span<const SweepPoint> points, bool complete);

} // namespace duruz
