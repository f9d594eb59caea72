#pragma once

#include "analysis/frequency_sweep.h"

#include <span>
#include <string>

namespace duruz::cli {

// bode's CSV: the column line, one line a point in the sweep's order, then the
// readouts as "#" lines. A point not measured has its gain, phase and group delay
// empty and says why in its status; its raw amplitudes are only a hint.
std::string BodeCsv(std::span<const SweepPoint> points, bool complete);

} // namespace duruz::cli
