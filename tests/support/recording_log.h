#pragma once

#include "toolkit/line_log.h"

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Keeps every status line, in order.
struct RecordingLog : tk::LineLog {
    std::vector<std::string> lines;
    void Add(std::string_view line) override { lines.emplace_back(line); }
};

} // namespace testing_support
