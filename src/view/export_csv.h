#pragma once

#include "base/result.h"
#include "link/capture_store.h"
#include "view/float_frame.h"

#include <string>

namespace duruz {

// What the export's comment header says about the frame.
struct CsvExportInfo {
    std::string date; // "2026-12-07 14:03:21"
    std::string port; // "/dev/ttyUSB0", "Simulator"
    int probeRow[2] = {1, 1};
    int rangeRow[2] = {7, 7};
    std::string sweep;    // "2 mSec/div"
    std::string sync;     // "Ch1 Rise"
    int syncLevel = 0;    // as sent
    int syncPosition = 0; // sample index
};

// The frame as text: a "# " comment header, a column line, then one row per
// sample pair: index, time in seconds, both channels in volts, both raw samples.
// Numbers are written with a dot and no grouping, whatever the user's locale.
std::string FrameCsv(const CaptureStore& store, const CsvExportInfo& info);
// An average: the same header with "# averaged N frames" after it, and its volts
// with no raw columns, since it has no counts.
std::string FrameCsv(const FloatFrame& frame, const CsvExportInfo& info);

// Writes a frame's text to path whole or not at all (see WriteWholeFile); a
// failure carries the system's reason.
Status WriteFrameCsv(const std::string& path, const std::string& text);
Status WriteFrameCsv(const std::string& path, const CaptureStore& store, const CsvExportInfo& info);

// Reads either kind of FrameCsv's text back: the header into info (the probe "x1"
// as row 1, the range row whose full scale the header names, -1 for "+/-0.0 V"); a
// frame's raw columns into frame.counts, or an average's volts, turned back into
// counts by that probe and range, into frame.average (frame.averaged then set).
// Text that FrameCsv could not have written is refused with a reason that names
// its line.
Status ReadFrameCsv(const std::string& text, FrameSamples& frame, CsvExportInfo& info);

} // namespace duruz
