#pragma once

#include "analysis/frequency_sweep.h"
#include "base/result.h"

#include <span>
#include <string>
#include <vector>

namespace duruz {

// A calibration sweep's measured points, a curve per range pair they were measured on,
// in the order the pairs first appear. Points not measured take no part.
Calibration CalibrationFromPoints(std::span<const SweepPoint> points);

// The calibration file kept beside the settings file at `configPath`.
std::string CalibrationPathBeside(const std::string& configPath);

// The file's text: every double written so that it reads back bit for bit.
std::string CalibrationText(const Calibration& calibration);
// The calibration a text holds, or why it is not one (naming the line).
Result<Calibration> ParseCalibration(const std::string& text);

// Reads the file; a missing file is a failure whose reason says so.
Result<Calibration> ReadCalibrationFile(const std::string& path);
// Writes the whole file so that a failure keeps the previous one.
Status WriteCalibrationFile(const std::string& path, const Calibration& calibration);

} // namespace duruz
