#include "session/cursor_file.h"

#include "session/config_open.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

namespace duruz {

namespace {

struct CursorKey {
    const char* name;
    std::int32_t low;
    std::int32_t high;
};

// In the order written; a value's place in CursorValues below.
constexpr CursorKey kCursorKeys[] = {
    {"TimeCursors", 0, 1},      {"VoltageCursors", 0, 1},  {"FrequencyCursor", 0, 1},
    {"VoltageChannel", 1, 2},   {"Time1", 0, 2047},        {"Time2", 0, 2047},
    {"Voltage1", -2047, 2047},  {"Voltage2", -2047, 2047}, {"XVoltage1", -2047, 2047},
    {"XVoltage2", -2047, 2047}, {"FrequencyBin", 0, 1023},
};
constexpr std::size_t kKeyCount = std::size(kCursorKeys);
// Larger than any file this program writes.
constexpr std::size_t kMaxFileBytes = 4096;

std::array<std::int32_t*, kKeyCount> CursorValues(CursorSettings& c, std::int32_t (&flags)[4]) {
    return {&flags[0],  &flags[1],  &flags[2],   &flags[3],   &c.time[0], &c.time[1],
            &c.volt[0], &c.volt[1], &c.xVolt[0], &c.xVolt[1], &c.bin};
}

} // namespace

std::string CursorFilePathBeside(const std::string& configPath) {
    const std::size_t slash = configPath.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) +
           kCursorFileName;
}

std::string FormatCursorFile(const CursorSettings& cursors) {
    CursorSettings copy = cursors;
    std::int32_t flags[4] = {copy.timeOn, copy.voltOn, copy.frequencyOn, copy.voltChannel + 1};
    const auto values = CursorValues(copy, flags);
    std::string text;
    for (std::size_t k = 0; k < kKeyCount; ++k)
        text += std::string(kCursorKeys[k].name) + "=" + std::to_string(*values[k]) + "\r\n";
    return text;
}

Result<CursorSettings> ParseCursorFile(std::string_view text) {
    CursorSettings cursors;
    std::int32_t flags[4] = {0, 0, 0, 1};
    const auto values = CursorValues(cursors, flags);
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::string where = "line " + std::to_string(lineNumber);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return Failure{where + " is not Key=value"};
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        std::size_t k = 0;
        while (k < kKeyCount && key != kCursorKeys[k].name)
            ++k;
        if (k == kKeyCount)
            return Failure{where + " has an unknown key"};
        std::int32_t number = 0;
        const auto [rest, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || rest != value.data() + value.size() ||
            number < kCursorKeys[k].low || number > kCursorKeys[k].high)
            return Failure{where + ": " + std::string(key) + " out of range"};
        *values[k] = number;
    }
    cursors.timeOn = flags[0] != 0;
    cursors.voltOn = flags[1] != 0;
    cursors.frequencyOn = flags[2] != 0;
    cursors.voltChannel = flags[3] - 1;
    return cursors;
}

CursorFileLoad LoadCursorFile(const std::string& path) {
    CursorFileLoad load;
    bool notRegularFile = false;
    // A missing file is made empty, which reads as the defaults, as a first run's
    // Config.Ini is; one that cannot be made is left to the save at close.
    std::FILE* file = OpenConfigForReading(path, true, notRegularFile, load.problem);
    if (file == nullptr) {
        if (notRegularFile)
            load.problem = "not a regular file";
        return load;
    }
    std::string text(kMaxFileBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        load.problem = "the file could not be read";
    } else if (text.size() > kMaxFileBytes) {
        load.problem = "the file is too long";
    } else if (Result<CursorSettings> parsed = ParseCursorFile(text); !parsed.Ok()) {
        load.problem = parsed.Reason();
    } else {
        load.cursors = parsed.Value();
    }
    return load;
}

} // namespace duruz
