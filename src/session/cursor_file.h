#pragma once

#include "base/result.h"
#include "view/trace_cursors.h"

#include <string>
#include <string_view>

namespace duruz {

// The cursors' own settings file beside Config.Ini, one "Key=value" line each,
// so Config.Ini keeps its bytes.
constexpr const char* kCursorFileName = "Cursors.ini";

// The file's path beside the given Config.Ini path.
std::string CursorFilePathBeside(const std::string& configPath);

std::string FormatCursorFile(const CursorSettings& cursors);
// Every line a known key with a value in its range; anything else is damage, named
// by its line.
Result<CursorSettings> ParseCursorFile(std::string_view text);

// What start-up read: the settings, the defaults when the file was missing or
// empty; and, when it was there but could not be read or was damaged, why. Such a
// file is not to be written over.
struct CursorFileLoad {
    CursorSettings cursors;
    std::string problem;
};
CursorFileLoad LoadCursorFile(const std::string& path);

} // namespace duruz
