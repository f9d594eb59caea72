#pragma once

#include "link/capture_store.h"
#include "session/scope_settings.h"
#include "view/float_frame.h"
#include "view/measure.h"

#include <cstdint>
#include <string>

namespace duruz {

// The measurement log: the status strip's measurements as CSV, a row per frame and
// channel. `duruz-cli measure` writes it alone, a recording beside itself.
std::string MeasureCsvHeader();

// Appends the frame's two rows (channel 1, then 2) to `out`, measured with the probes
// and ranges the frame was captured under. Allocates nothing once `out` has grown to
// hold them.
void AppendMeasureCsvRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                          const ScopeSettings& capturedUnder, const CaptureStore& samples,
                          MeasureScratch& scratch);
// The same for an averaged frame.
void AppendMeasureCsvRows(std::string& out, std::uint64_t frame, std::int64_t wallMillis,
                          const ScopeSettings& capturedUnder, const FloatFrame& samples,
                          MeasureScratch& scratch);

} // namespace duruz
