#include "view/export_csv.h"

#include "base/whole_file_writer.h"
#include "link/input_ranges.h"
#include "view/number_text.h"
#include "view/sample_scale.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace duruz {

namespace {

void AppendChannel(std::string& out, const CsvExportInfo& info, int c) {
    out += "# ch";
    AppendInt(out, c + 1);
    out += ": range +/-";
    AppendFixed(out, FullScaleVolts(info.probeRow[c], info.rangeRow[c]), 1);
    out += " V, probe ";
    out += info.probeRow[c] == 0 ? "x10" : "x1";
    out += "\n";
}

// The text's lines one by one, counted from 1, without their "\n" or "\r\n" (a Windows
// editor that saved the file ends its lines so); Number() is that of the line asked
// for last, also when the text had no more.
class LineCursor {
public:
    explicit LineCursor(const std::string& text) : rest_(text) {}
    bool Next(std::string_view& line) {
        if (rest_.empty())
            return ++number_, false;
        const std::size_t end = rest_.find('\n');
        line = rest_.substr(0, end);
        if (end != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        ++number_;
        return true;
    }
    int Number() const { return number_; }

private:
    std::string_view rest_;
    int number_ = 0;
};

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

// A whole decimal integer, as AppendInt writes it.
template <typename T> bool WholeInt(std::string_view text, T& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

// "range +/-24.0 V, probe x1": the probe row and the range row with that full scale.
bool ParseChannel(std::string_view line, int c, CsvExportInfo& info) {
    char prefix[] = "# ch1: range +/-";
    prefix[4] = static_cast<char>('1' + c);
    if (!TakePrefix(line, prefix))
        return false;
    const std::size_t comma = line.find(" V, probe ");
    if (comma == std::string_view::npos)
        return false;
    const std::string_view probe = line.substr(comma + 10);
    if (probe != "x10" && probe != "x1")
        return false;
    info.probeRow[c] = probe == "x10" ? 0 : 1;
    for (int row = -1; row < kRangeRows; ++row) {
        std::string scale;
        AppendFixed(scale, FullScaleVolts(info.probeRow[c], row), 1);
        if (scale == line.substr(0, comma)) {
            info.rangeRow[c] = row;
            return true;
        }
    }
    return false;
}

// "Ch1 Rise, level -120, position 298".
bool ParseSync(std::string_view line, CsvExportInfo& info) {
    const std::size_t level = line.rfind(", level ");
    const std::size_t position = line.rfind(", position ");
    if (level == std::string_view::npos || position == std::string_view::npos || position < level)
        return false;
    info.sync = std::string(line.substr(0, level));
    return WholeInt(line.substr(level + 8, position - level - 8), info.syncLevel) &&
           WholeInt(line.substr(position + 11), info.syncPosition);
}

// Exactly N comma-separated fields.
template <std::size_t N> bool SplitFields(std::string_view line, std::string_view (&fields)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t comma = line.find(',');
        if ((comma == std::string_view::npos) != (i == N - 1))
            return false;
        fields[i] = line.substr(0, comma);
        line.remove_prefix(i == N - 1 ? line.size() : comma + 1);
    }
    return true;
}

bool FiniteNumber(std::string_view field, double& value) {
    const char* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// A row's index, time and both volts: the columns every export starts with.
bool ParseRowStart(const std::string_view* fields, std::size_t index, double (&volts)[2]) {
    std::size_t rowIndex = 0;
    double seconds = 0;
    return WholeInt(fields[0], rowIndex) && rowIndex == index && FiniteNumber(fields[1], seconds) &&
           FiniteNumber(fields[2], volts[0]) && FiniteNumber(fields[3], volts[1]);
}

// "12,0.000240000,-0.500000,0.488520,1024,-1000": the row's index and both raw samples.
bool ParseSampleRow(std::string_view line, std::size_t index, CaptureStore& store) {
    std::string_view fields[6];
    double volts[2] = {};
    return SplitFields(line, fields) && ParseRowStart(fields, index, volts) &&
           WholeInt(fields[4], store.CaptureBuffer[2 * index]) &&
           WholeInt(fields[5], store.CaptureBuffer[2 * index + 1]);
}

// "12,0.000240000,-0.500000,0.488520": an average's row, its index and both volts.
bool ParseVoltsRow(std::string_view line, std::size_t index, double (&volts)[2]) {
    std::string_view fields[4];
    return SplitFields(line, fields) && ParseRowStart(fields, index, volts);
}

} // namespace

namespace {

void AppendHeader(std::string& out, const CsvExportInfo& info) {
    out.reserve(kSamplePairs * 48 + 512);
    out += "# RORU-Duruz frame\n# date: " + info.date + "\n# port: " + info.port + "\n";
    AppendChannel(out, info, 0);
    AppendChannel(out, info, 1);
    out += "# sweep: " + info.sweep + "\n# sync: " + info.sync + ", level ";
    AppendInt(out, info.syncLevel);
    out += ", position ";
    AppendInt(out, info.syncPosition);
    out += "\n";
}

// A row's index, time and both channels' volts.
void AppendVolts(std::string& out, std::size_t i, double s1, double s2, const CsvExportInfo& info) {
    AppendInt(out, static_cast<long long>(i));
    out += ',';
    AppendFixed(out, SampleSeconds(double(i)), 9);
    out += ',';
    AppendFixed(out, SampleVolts(s1, info.probeRow[0], info.rangeRow[0]) + 0.0, 6);
    out += ',';
    AppendFixed(out, SampleVolts(s2, info.probeRow[1], info.rangeRow[1]) + 0.0, 6);
}

} // namespace

std::string FrameCsv(const CaptureStore& store, const CsvExportInfo& info) {
    std::string out;
    AppendHeader(out, info);
    out += "index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\n";
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        const int s1 = store.Sample(i, 0);
        const int s2 = store.Sample(i, 1);
        AppendVolts(out, i, s1, s2, info);
        out += ',';
        AppendInt(out, s1);
        out += ',';
        AppendInt(out, s2);
        out += '\n';
    }
    return out;
}

std::string FrameCsv(const FloatFrame& frame, const CsvExportInfo& info) {
    std::string out;
    AppendHeader(out, info);
    out += "# averaged ";
    AppendInt(out, frame.frames);
    out += " frames\nindex,time_s,ch1_V,ch2_V\n";
    for (std::size_t i = 0; i < kSamplePairs; ++i) {
        AppendVolts(out, i, frame.Sample(i, 0), frame.Sample(i, 1), info);
        out += '\n';
    }
    return out;
}

Status WriteFrameCsv(const std::string& path, const std::string& text) {
    const Result<FileWritten> written = WriteWholeFile(path, text);
    if (!written.Ok())
        return Failure{written.Reason()};
    return {};
}

Status WriteFrameCsv(const std::string& path, const CaptureStore& store,
                     const CsvExportInfo& info) {
    return WriteFrameCsv(path, FrameCsv(store, info));
}

namespace {

// The comment header, from its first line to the sync line, into info.
Status ReadExportHeader(LineCursor& lines, CsvExportInfo& info) {
    std::string_view line;
    const auto refuse = [&lines](const std::string& expected) {
        return Failure{"line " + std::to_string(lines.Number()) + " is not " + expected};
    };
    if (!lines.Next(line) || line != "# RORU-Duruz frame")
        return refuse("the export's first line \"# RORU-Duruz frame\"");
    if (!lines.Next(line) || !TakePrefix(line, "# date: "))
        return refuse("\"# date: ...\"");
    info.date = std::string(line);
    if (!lines.Next(line) || !TakePrefix(line, "# port: "))
        return refuse("\"# port: ...\"");
    info.port = std::string(line);
    for (int c = 0; c < 2; ++c)
        if (!lines.Next(line) || !ParseChannel(line, c, info))
            return refuse(c == 0 ? "channel 1's range and probe" : "channel 2's range and probe");
    if (!lines.Next(line) || !TakePrefix(line, "# sweep: "))
        return refuse("\"# sweep: ...\"");
    info.sweep = std::string(line);
    if (!lines.Next(line) || !TakePrefix(line, "# sync: ") || !ParseSync(line, info))
        return refuse("\"# sync: <source> <polarity>, level <n>, position <n>\"");
    return {};
}

// "# averaged 16 frames": the count, not negative.
bool ParseAveragedLine(std::string_view line, int& frames) {
    return TakePrefix(line, "# averaged ") && line.ends_with(" frames") &&
           WholeInt(line.substr(0, line.size() - 7), frames) && frames >= 0;
}

} // namespace

Status ReadFrameCsv(const std::string& text, FrameSamples& frame, CsvExportInfo& info) {
    LineCursor lines(text);
    if (const Status header = ReadExportHeader(lines, info); !header.Ok())
        return header;
    std::string_view line;
    const auto refuse = [&lines](const std::string& expected) {
        return Failure{"line " + std::to_string(lines.Number()) + " is not " + expected};
    };
    if (!lines.Next(line))
        return refuse("the column line \"index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\"");
    frame.averaged = line.starts_with("# averaged ");
    if (frame.averaged) {
        if (!ParseAveragedLine(line, frame.average.frames))
            return refuse("\"# averaged <n> frames\"");
        if (!lines.Next(line) || line != "index,time_s,ch1_V,ch2_V")
            return refuse("the column line \"index,time_s,ch1_V,ch2_V\"");
        // Back from volts to counts by the header's probe and range; a channel with
        // no range has no volts and reads 0.
        double countsPerVolt[2] = {};
        for (int c = 0; c < 2; ++c) {
            const double volts = VoltsPerCount(info.probeRow[c], info.rangeRow[c]);
            countsPerVolt[c] = volts != 0.0 ? 1.0 / volts : 0.0;
        }
        double volts[2] = {};
        for (std::size_t i = 0; i < kSamplePairs; ++i) {
            if (!lines.Next(line) || !ParseVoltsRow(line, i, volts))
                return refuse("the row of sample " + std::to_string(i));
            for (int c = 0; c < 2; ++c)
                frame.average.samples[2 * i + std::size_t(c)] =
                    static_cast<float>(volts[c] * countsPerVolt[c]);
        }
        frame.average.pointCount = kSamplePairs;
    } else {
        if (line != "index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw")
            return refuse("the column line \"index,time_s,ch1_V,ch2_V,ch1_raw,ch2_raw\"");
        for (std::size_t i = 0; i < kSamplePairs; ++i)
            if (!lines.Next(line) || !ParseSampleRow(line, i, frame.counts))
                return refuse("the row of sample " + std::to_string(i));
        // An export holds every pair of the frame, so an XY figure joins them all.
        frame.counts.RxBuffer = {};
        frame.counts.RxBuffer[4] = kSamplePairs & 0xFF;
        frame.counts.RxBuffer[5] = (kSamplePairs >> 8) & 0xFF;
        frame.counts.FrameReady = true;
    }
    if (lines.Next(line))
        return refuse("the end of the export, after its last sample");
    return {};
}

} // namespace duruz
