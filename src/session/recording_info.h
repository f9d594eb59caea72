#pragma once

#include "session/recording_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace duruz {

// A wall time as ISO 8601 in UTC with milliseconds: "2026-12-07T19:59:07.123Z".
std::string IsoTime(std::int64_t wallMillis);
// The same into `text`, without allocating; gives its length. Years past 9999 or
// before 0 make longer texts, cut to fit.
inline constexpr std::size_t kIsoTimeSize = 48;
std::size_t FormatIsoTime(std::int64_t wallMillis, char (&text)[kIsoTimeSize]);

// What a recording holds, in lines for the user: where it came from, its frames and
// their span, each gap with its time, the setting it started with and each change
// (as the Config.Ini lines that changed), and whether the file is intact.
std::string DescribeRecording(const RecordingSummary& summary);

} // namespace duruz
