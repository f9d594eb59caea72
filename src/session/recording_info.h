#pragma once

#include "session/recording_reader.h"

#include <cstdint>
#include <string>

namespace duruz {

// A wall time as ISO 8601 in UTC with milliseconds: "2026-12-07T19:59:07.123Z".
std::string IsoTime(std::int64_t wallMillis);

// What a recording holds, in lines for the user: where it came from, its frames and
// their span, each gap with its time, the setting it started with and each change
// (as the Config.Ini lines that changed), and whether the file is intact.
std::string DescribeRecording(const RecordingSummary& summary);

} // namespace duruz
