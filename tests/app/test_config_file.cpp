#include "session/config_file.h"
#include "session/config_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace duruz;

using Lines = std::vector<std::string>;

// Every line the reader finds, as cut, or with `part` = &ConfigReader::Value every value.
Lines Read(ConfigReader reader, const char* (ConfigReader::*part)() const = &ConfigReader::Line) {
    Lines found;
    while (reader.ReadConfigLine())
        found.emplace_back((reader.*part)());
    return found;
}

// A text the reader would split, or one too long for its line, is written so that
// the file still reads back as its 25 lines.
TEST(ConfigFile, LongAndOddTextsReadBackAsTwentyFiveLines) {
    // A line holds 79 bytes with CR LF: the path keeps 53 characters, a text 56. Separator
    // bytes inside a text would split its line; they are stored as '?'.
    ScopeSettings s;
    s.generator[0].frequency = std::string(56, '7') + "8901";
    s.generator[0].amplitude = "1\2612\r3"; // \261 is the high byte 0xB1
    s.port.path = "/dev/\t" + std::string(79, 'p');
    const std::string text = FormatConfig(s);
    EXPECT_EQ(Read(ConfigReader::FromBytes(text)).size(), 25u);
    EXPECT_EQ(text.substr(text.find("ComPt"), 79),
              "ComPt -1" + std::string(16, ' ') + "/dev/?" + std::string(47, 'p') + "\r\n");
    EXPECT_NE(text.find("\r\nFreq1 " + std::string(56, '7') + std::string(15, ' ') + "\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nAmpl1 1?2?3               \r\n"), std::string::npos);
}

TEST(ConfigReader, SplitsAndCutsLinesAndStopsAtTheBound) {
    const struct {
        std::string bytes;
        Lines lines;
    } rows[] = {
        // An inner space cuts unless it is at index 6 or 7, and no padding keeps the marker.
        // Blank lines, lone CR or LF, and high bytes all separate lines.
        {"Ampl2 1.5 V     \r\nFreq1 1 2   \r\n\r\n\r\nSwpSp 1\rSySrc 0\n\n\nSyPol 1\x80\xB1Hold  1"
         "\r\nWave1\r\nHold\r\nWave1x\r\nFreq1 200",
         {"Ampl2 1.5", "Freq1 1 2", "SwpSp 1!", "SySrc 0!", "SyPol 1!", "Hold  1!", "Wave1!",
          "Hold!", "Wave1x!", "Freq1 200!"}},
        // After CR LF the LF counts as one separator: 89 characters, then the other 31.
        {"SwpSp 1\r\n" + std::string(89, 'a') + std::string(31, 'b') + "\r\nSySrc 0",
         {"SwpSp 1!", std::string(89, 'a') + "!", std::string(31, 'b') + "!", "SySrc 0!"}},
        // 89 separators leave room for one character; the count restarts at each full 90.
        {std::string(89, '\n') + "abc", {"a!", "bc!"}},
        {std::string(150, '\r') + std::string(40, 'x'),
         {std::string(30, 'x') + "!", std::string(10, 'x') + "!"}},
        {std::string(90, '\xFF') + std::string(95, 'y'), {std::string(90, 'y') + "!", "yyyyy!"}},
        {std::string(1000, '\0'), {}},
        // Nothing past kMaxConfigBytes is read: the line's last byte at the bound, one past.
        {std::string(kMaxConfigBytes - 7, '\n') + "SwpSp 1", {"SwpSp 1!"}},
        {std::string(kMaxConfigBytes - 6, '\n') + "SwpSp 1", {"SwpSp !"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines.empty() ? "(none)" : row.lines.back());
        EXPECT_EQ(Read(ConfigReader::FromBytes(row.bytes)), row.lines);
    }
    // Five characters or fewer hold no value; six give the marker alone.
    EXPECT_EQ(Read(ConfigReader::FromBytes("Wave1\r\nHold\r\nWave1x\r\n"), &ConfigReader::Value),
              (Lines{"", "", "!"}));
}

} // namespace
