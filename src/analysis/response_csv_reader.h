#pragma once

#include "base/result.h"
#include "view/response_plot.h"

#include <string>
#include <vector>

namespace duruz {

// The points of a sweep's CSV (ResponseCsv) read back, for a reference curve: each
// line's frequency, and its gain and phase when it has them. The "#" lines of
// readouts are skipped. Refuses a text that is not such a CSV, naming the line.
Result<std::vector<ResponsePlotPoint>> ParseResponseCsv(const std::string& text);

// Reads the file; a missing or unreadable one is a failure whose reason says why.
Result<std::vector<ResponsePlotPoint>> ReadResponseCsvFile(const std::string& path);

} // namespace duruz
