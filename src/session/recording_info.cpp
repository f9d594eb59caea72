#include "session/recording_info.h"

#include "session/config_table.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace duruz {

namespace {

// Days since 1970-01-01 to a civil date, by the proleptic Gregorian calendar.
void CivilDate(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// The setting as its Config.Ini lines, each "Key value" with its padding dropped.
std::vector<std::string> ConfigLines(const ScopeSettings& settings) {
    std::vector<std::string> lines;
    std::istringstream file(FormatConfig(settings));
    for (std::string line; std::getline(file, line);) {
        std::string tidy;
        for (char c : line) {
            if (c == '\r' || (c == ' ' && (tidy.empty() || tidy.back() == ' ')))
                continue;
            tidy += c;
        }
        while (!tidy.empty() && tidy.back() == ' ')
            tidy.pop_back();
        lines.push_back(tidy);
    }
    return lines;
}

std::string Seconds(std::int64_t micros) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(micros) / 1e6);
    return text;
}

} // namespace

std::string IsoTime(std::int64_t wallMillis) {
    char text[kIsoTimeSize];
    return std::string(text, FormatIsoTime(wallMillis, text));
}

std::size_t FormatIsoTime(std::int64_t wallMillis, char (&text)[kIsoTimeSize]) {
    const std::int64_t millis = ((wallMillis % 1000) + 1000) % 1000;
    const std::int64_t seconds = (wallMillis - millis) / 1000;
    const std::int64_t secondOfDay = ((seconds % 86400) + 86400) % 86400;
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilDate((seconds - secondOfDay) / 86400, year, month, day);
    const int length = std::snprintf(
        text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ", static_cast<long long>(year),
        month, day, static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
        static_cast<int>(secondOfDay % 60), static_cast<int>(millis));
    return std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof text - 1);
}

std::string DescribeRecording(const RecordingSummary& s) {
    std::string out = "Recorded by Duruz " + s.header.programVersion + ", format version " +
                      std::to_string(s.header.formatVersion) + ", started " +
                      IsoTime(s.header.start.wallMillis) + "\n";
    out += "Frames: " + std::to_string(s.frames);
    if (s.averages > 0)
        out += " (" + std::to_string(s.averages) + " of them averages)";
    if (s.frames > 0)
        out += ", " + IsoTime(s.firstFrame.wallMillis) + " to " + IsoTime(s.lastFrame.wallMillis) +
               " (" + Seconds(s.lastFrame.monotonicMicros - s.firstFrame.monotonicMicros) + ")";
    out += "\nGaps: " + std::to_string(s.gaps.size()) + "\n";
    for (const RecordingGap& gap : s.gaps) {
        out += "  " + IsoTime(gap.at.wallMillis) + " ";
        if (!gap.recorded)
            out += "no frame for " + Seconds(gap.silenceMicros) + "\n";
        else
            out += gap.kind == GapKind::Reconnect ? "reconnect\n" : "time-out\n";
    }
    std::vector<std::string> before;
    for (const RecordedSetting& setting : s.settings) {
        const std::vector<std::string> lines = ConfigLines(setting.settings);
        out += before.empty() ? "Setting at the start:"
                              : "Setting changed at " + IsoTime(setting.at.wallMillis) + ":";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (before.empty() || lines[i] != before[i])
                out += " " + lines[i] + ";";
        }
        out.back() = '\n';
        before = lines;
    }
    const std::string size = std::to_string(s.extent.bytesRead) + " bytes, " +
                             std::to_string(s.extent.records) + " records";
    out += s.extent.intact ? "Intact: " + size + "\n"
                           : "Damaged: " + s.extent.damage + "; read " + size + "\n";
    return out;
}

} // namespace duruz
