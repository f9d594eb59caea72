#include "analysis/calibration.h"

#include "base/whole_file_reader.h"
#include "base/whole_file_writer.h"
#include "view/number_text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace duruz {

namespace {

constexpr std::string_view kFirstLine = "duruz frequency response calibration 1";

// Splits a line at its commas.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = line.find(',', begin);
        fields.push_back(line.substr(begin, comma - begin));
        if (comma == std::string_view::npos)
            return fields;
        begin = comma + 1;
    }
}

template <typename T> bool ReadNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

Failure LineFailure(int lineNumber, const std::string& what) {
    return Failure{"line " + std::to_string(lineNumber) + ": " + what};
}

} // namespace

const CalibrationCurve* CurveFor(const Calibration& calibration, std::array<int, 2> rangeRows) {
    for (const CalibrationCurve& curve : calibration.curves)
        if (curve.rangeRows == rangeRows)
            return &curve;
    return calibration.curves.empty() ? nullptr : &calibration.curves.front();
}

Calibration CalibrationFromPoints(std::span<const SweepPoint> points) {
    Calibration calibration;
    for (const SweepPoint& point : points) {
        if (point.status != PointStatus::Measured)
            continue;
        auto curve =
            std::find_if(calibration.curves.begin(), calibration.curves.end(),
                         [&](const CalibrationCurve& c) { return c.rangeRows == point.rangeRows; });
        if (curve == calibration.curves.end())
            curve = calibration.curves.insert(calibration.curves.end(), {point.rangeRows, {}});
        curve->points.push_back({point.hertz, point.ratio});
    }
    for (CalibrationCurve& curve : calibration.curves)
        std::stable_sort(
            curve.points.begin(), curve.points.end(),
            [](const CalibrationPoint& a, const CalibrationPoint& b) { return a.hertz < b.hertz; });
    return calibration;
}

std::string CalibrationPathBeside(const std::string& configPath) {
    const std::size_t slash = configPath.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : configPath.substr(0, slash + 1);
    return folder + "FrequencyResponse.cal";
}

std::string CalibrationText(const Calibration& calibration) {
    std::string text(kFirstLine);
    text += '\n';
    for (const CalibrationCurve& curve : calibration.curves) {
        text += "ranges,";
        AppendInt(text, curve.rangeRows[0]);
        text += ',';
        AppendInt(text, curve.rangeRows[1]);
        text += ',';
        AppendInt(text, static_cast<long long>(curve.points.size()));
        text += '\n';
        for (const CalibrationPoint& point : curve.points) {
            AppendExact(text, point.hertz);
            text += ',';
            AppendExact(text, point.ratio.real());
            text += ',';
            AppendExact(text, point.ratio.imag());
            text += '\n';
        }
    }
    return text;
}

Result<Calibration> ParseCalibration(const std::string& text) {
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (lines.empty() || lines.front() != kFirstLine)
        return Failure{"not a frequency response calibration (its first line is not \"" +
                       std::string(kFirstLine) + "\")"};
    Calibration calibration;
    std::size_t at = 1;
    while (at < lines.size()) {
        const int lineNumber = static_cast<int>(at) + 1;
        const std::vector<std::string_view> head = Fields(lines[at++]);
        CalibrationCurve curve;
        std::size_t count = 0;
        if (head.size() != 4 || head[0] != "ranges" || !ReadNumber(head[1], curve.rangeRows[0]) ||
            !ReadNumber(head[2], curve.rangeRows[1]) || !ReadNumber(head[3], count))
            return LineFailure(lineNumber, "expected \"ranges,ROW1,ROW2,POINTS\"");
        if (count == 0 || count > lines.size() - at)
            return LineFailure(lineNumber, "the curve's " + std::to_string(count) +
                                               " points are not all in the file");
        for (std::size_t i = 0; i < count; ++i, ++at) {
            const std::vector<std::string_view> fields = Fields(lines[at]);
            double hertz = 0, real = 0, imag = 0;
            if (fields.size() != 3 || !ReadNumber(fields[0], hertz) ||
                !ReadNumber(fields[1], real) || !ReadNumber(fields[2], imag))
                return LineFailure(static_cast<int>(at) + 1, "expected \"HERTZ,REAL,IMAGINARY\"");
            if (!(hertz > 0) || (!curve.points.empty() && !(hertz > curve.points.back().hertz)))
                return LineFailure(static_cast<int>(at) + 1,
                                   "frequencies must be positive and rising");
            if (!std::isfinite(real) || !std::isfinite(imag) || (real == 0 && imag == 0))
                return LineFailure(static_cast<int>(at) + 1, "a ratio must be finite and not zero");
            curve.points.push_back({hertz, {real, imag}});
        }
        calibration.curves.push_back(std::move(curve));
    }
    if (calibration.curves.empty())
        return Failure{"the calibration holds no curve"};
    return calibration;
}

Result<Calibration> ReadCalibrationFile(const std::string& path) {
    const Result<std::string> text = ReadWholeFile(path);
    if (!text.Ok())
        return Failure{text.Reason()};
    Result<Calibration> calibration = ParseCalibration(text.Value());
    if (!calibration.Ok())
        return Failure{path + ": " + calibration.Reason()};
    return calibration;
}

Status WriteCalibrationFile(const std::string& path, const Calibration& calibration) {
    const Result<FileWritten> written = WriteWholeFile(path, CalibrationText(calibration));
    if (!written.Ok())
        return Failure{path + ": " + written.Reason()};
    return {};
}

} // namespace duruz
