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

// The range pairs a calibration was measured on, labelled under the probes:
// "(±2 V, ±2 V), (±2 V, ±1 V)".
std::string CalibrationRanges(const Calibration& calibration, std::array<int, 2> probeRows);
// The readout line naming the calibration divided out and where it came from, for
// after ResponseCsv's lines: "# calibration: FILE, measured on ranges ...", or
// "# calibration: none" when it holds no curve.
std::string CalibrationLine(const std::string& file, const Calibration& calibration,
                            std::array<int, 2> probeRows);

} // namespace duruz
