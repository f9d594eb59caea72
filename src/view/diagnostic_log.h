#pragma once

#include "link/capture_store.h"
#include "link/trigger_state.h"

#include <string>

namespace duruz {

// Appends one block (the header words, the trigger settings and the sample pairs
// the header announces, at most 2,048) to the dump file. A file that cannot be
// opened is skipped silently. Returns whether the block was written whole.
bool WriteDiagnosticLog(const std::string& path, const CaptureStore& store,
                        const TriggerState& trigger);

} // namespace duruz
