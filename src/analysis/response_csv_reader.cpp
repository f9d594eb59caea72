#include "analysis/response_csv_reader.h"

#include "base/whole_file_reader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace duruz {

namespace {

constexpr const char* kColumns = "frequency_hz,gain_db,phase_deg,";

// A whole field as a finite number; false for an empty or partly numeric one.
bool ReadNumber(const std::string& field, double& value) {
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    return error == std::errc{} && stop == end && std::isfinite(value);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line)
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    return fields;
}

} // namespace

Result<std::vector<ResponsePlotPoint>> ParseResponseCsv(const std::string& text) {
    std::vector<ResponsePlotPoint> points;
    std::size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = "line " + std::to_string(number) + ": ";
        if (number == 1) {
            if (!line.starts_with(kColumns))
                return Failure{where + "not a frequency response CSV (its columns are not " +
                               kColumns + "...)"};
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;
        const std::vector<std::string> fields = Fields(line);
        ResponsePlotPoint point;
        if (fields.size() < 3 || !ReadNumber(fields[0], point.hertz) || !(point.hertz > 0))
            return Failure{where + "no frequency in \"" + line + "\""};
        const bool noGain = fields[1].empty(), noPhase = fields[2].empty();
        if (noGain != noPhase)
            return Failure{where + "a gain without a phase or a phase without a gain"};
        point.measured = !noGain;
        if (point.measured &&
            !(ReadNumber(fields[1], point.gainDb) && ReadNumber(fields[2], point.phaseDegrees)))
            return Failure{where + "the gain or the phase is not a number in \"" + line + "\""};
        if (!points.empty() && !(point.hertz > points.back().hertz))
            return Failure{where + "the frequencies do not rise"};
        points.push_back(point);
    }
    if (points.empty())
        return Failure{"no frequency point in the file"};
    return points;
}

Result<std::vector<ResponsePlotPoint>> ReadResponseCsvFile(const std::string& path) {
    const Result<std::string> text = ReadWholeFile(path);
    if (!text.Ok())
        return Failure{text.Reason()};
    Result<std::vector<ResponsePlotPoint>> points = ParseResponseCsv(text.Value());
    if (!points.Ok())
        return Failure{path + ": " + points.Reason()};
    return points;
}

} // namespace duruz
