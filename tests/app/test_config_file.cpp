#include "app/config_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace duruz {
namespace {

namespace fs = std::filesystem;

ScopeSettings KnownSettings() {
    ScopeSettings s;
    s.SwpSp = 0;
    s.SySrc = 1;
    s.SyPol = -1;
    s.ComPt = 2;
    s.Prob1 = 0;
    s.Scal1 = 3;
    s.Prob2 = 1;
    s.Scal2 = 7;
    s.SyLev = -1500;
    s.SyPos = 2048;
    s.Wleft = 12;
    s.Wtopp = 277;
    s.Wwidt = 1527;
    s.Whigh = 938;
    s.Scop1 = true;
    s.Scop2 = false;
    s.Fft1C = true;
    s.Fft2C = false;
    s.Hold = true;
    s.Wave1 = -1;
    s.Freq1 = "5";
    s.Ampl1 = "";
    s.Wave2 = 8;
    s.Freq2 = "1000";
    s.Ampl2 = "2.50";
    return s;
}

const char* const kKnownFile = "SwpSp 0                \r\n"
                               "SySrc 1                \r\n"
                               "SyPol -1                \r\n"
                               "ComPt 2                /dev/ttyUSB0\r\n"
                               "Prob1 0                \r\n"
                               "Scal1 3                \r\n"
                               "Prob2 1                \r\n"
                               "Scal2 7                \r\n"
                               "SyLev -1500                \r\n"
                               "SyPos 2048                \r\n"
                               "Wleft 12                \r\n"
                               "Wtopp 277                \r\n"
                               "Wwidt 1527                \r\n"
                               "Whigh 938                \r\n"
                               "Scop1 1                \r\n"
                               "Scop2 0                \r\n"
                               "Fft1C 1                \r\n"
                               "Fft2C 0                \r\n"
                               "Hold  1                \r\n"
                               "Wave1 -1                \r\n"
                               "Freq1 5               \r\n"
                               "Ampl1                \r\n"
                               "Wave2 8                \r\n"
                               "Freq2 1000               \r\n"
                               "Ampl2 2.50               \r\n";

std::vector<std::string> Lines(ConfigReader reader) {
    std::vector<std::string> lines;
    while (reader.ReadConfigLine()) {
        lines.emplace_back(reader.Line());
    }
    return lines;
}

std::vector<std::string> Values(ConfigReader reader) {
    std::vector<std::string> values;
    while (reader.ReadConfigLine()) {
        values.emplace_back(reader.Value());
    }
    return values;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConfigFolder : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "config_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path dir_;
};

TEST(FormatConfig, WritesEveryLineByteForByte) {
    EXPECT_EQ(FormatConfig(KnownSettings(), "/dev/ttyUSB0"), kKnownFile);
}

TEST(FormatConfig, CutsLongTextsAndPathsToTheLine) {
    ScopeSettings s;
    s.Freq1 = std::string(56, '7') + "8901";
    const std::string text = FormatConfig(s, std::string(79, 'p').c_str());
    const std::string freqLine = "Freq1 " + std::string(56, '7') + std::string(15, ' ') + "\r\n";
    EXPECT_NE(text.find("\r\n" + freqLine + "Ampl1 1.00"), std::string::npos);
    // The path is cut so the line holds 79 bytes with CR LF: 6 + 2 + 16 + 53 + 2.
    const std::string portLine = "ComPt -1" + std::string(16, ' ') + std::string(53, 'p') + "\r\n";
    EXPECT_NE(text.find("\r\n" + portLine + "Prob1 1 "), std::string::npos);

    // Separator bytes inside a text would split its line; they are stored as '?'.
    s.Freq1 = "1\xB1"
              "2\r3";
    const std::string odd = FormatConfig(s, "/dev/\ttty");
    EXPECT_NE(odd.find("\r\nFreq1 1?2?3               \r\n"), std::string::npos);
    EXPECT_NE(odd.find("                /dev/?tty\r\n"), std::string::npos);
    EXPECT_EQ(Lines(ConfigReader::FromBytes(odd)).size(), 25u);
}

TEST(FormatConfig, ReadsBackEveryValue) {
    ScopeSettings s = KnownSettings();
    s.Ampl2 = std::string(56, '3');
    const std::vector<std::string> v = Values(ConfigReader::FromBytes(FormatConfig(s, "COM5")));
    ASSERT_EQ(v.size(), 25u);
    const std::int32_t numbers[] = {s.SwpSp, s.SySrc, s.SyPol, s.ComPt, s.Prob1, s.Scal1, s.Prob2,
                                    s.Scal2, s.SyLev, s.SyPos, s.Wleft, s.Wtopp, s.Wwidt, s.Whigh,
                                    1,       0,       1,       0,       1,       s.Wave1};
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(ParseLong(v[i].c_str()), numbers[i]) << "line " << i + 1;
    }
    EXPECT_EQ(v[3], "2 ");  // the path after the padding is never read
    EXPECT_EQ(v[20], "5 "); // one character keeps the space after it
    EXPECT_EQ(v[21], "  "); // an empty text reads back as two spaces
    EXPECT_EQ(ParseLong(v[22].c_str()), 8);
    EXPECT_EQ(v[23], "1000");
    EXPECT_EQ(v[24], std::string(56, '3'));
}

TEST(ConfigReader, CutsLinesAtTheirFirstBlankFromIndexEight) {
    // No padding keeps the marker; an inner space cuts unless it is at index 6 or 7.
    EXPECT_EQ(Lines(ConfigReader::FromBytes("Freq1 200")), std::vector<std::string>{"Freq1 200!"});
    EXPECT_EQ(Values(ConfigReader::FromBytes("Ampl2 1.5 V     \r\nFreq1 1 2   \r\n")),
              (std::vector<std::string>{"1.5", "1 2"}));
    // Five characters or fewer hold no value; six give the marker alone.
    ConfigReader r = ConfigReader::FromBytes("Wave1\r\nHold\r\nWave1x\r\n");
    ASSERT_TRUE(r.ReadConfigLine());
    EXPECT_STREQ(r.Line(), "Wave1!");
    EXPECT_STREQ(r.Value(), "");
    ASSERT_TRUE(r.ReadConfigLine());
    EXPECT_STREQ(r.Line(), "Hold!");
    EXPECT_STREQ(r.Value(), "");
    ASSERT_TRUE(r.ReadConfigLine());
    EXPECT_STREQ(r.Value(), "!");
    EXPECT_FALSE(r.ReadConfigLine());
}

TEST(ConfigReader, SkipsRunsOfSeparators) {
    // Blank lines, lone CR or LF, and high bytes all separate lines.
    EXPECT_EQ(
        Lines(ConfigReader::FromBytes("\r\n\r\nSwpSp 1\rSySrc 0\n\n\nSyPol 1\x80\xB1Hold  1")),
        (std::vector<std::string>{"SwpSp 1!", "SySrc 0!", "SyPol 1!", "Hold  1!"}));
    EXPECT_EQ(Values(ConfigReader::FromBytes("Freq1 1\xB1"
                                             "2")),
              (std::vector<std::string>{"1!", ""}));
    EXPECT_EQ(Lines(ConfigReader::FromBytes("\r\n\n\x01")), std::vector<std::string>{});
}

TEST(ConfigReader, KeepsSeparatorsAndCharactersWithinNinetyBytes) {
    // After CR LF the LF counts as one separator: 89 characters, then the other 31.
    std::string longLine;
    for (int i = 0; i < 120; ++i) {
        longLine += static_cast<char>('A' + i % 26);
    }
    const auto lines = Lines(ConfigReader::FromBytes("SwpSp 1\r\n" + longLine + "\r\nSySrc 0"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], longLine.substr(0, 89) + "!");
    EXPECT_EQ(lines[2], longLine.substr(89) + "!");
    EXPECT_EQ(lines[3], "SySrc 0!");

    // 89 separators leave room for one character.
    EXPECT_EQ(Lines(ConfigReader::FromBytes(std::string(89, '\n') + "abc")),
              (std::vector<std::string>{"a!", "bc!"}));
}

TEST(ConfigReader, LongRunsOfSeparatorsNeverMakeLines) {
    // The count restarts at each full 90: 150 separators leave 60, so 30 characters fit.
    const std::string text(40, 'x');
    EXPECT_EQ(Lines(ConfigReader::FromBytes(std::string(150, '\r') + text)),
              (std::vector<std::string>{std::string(30, 'x') + "!", std::string(10, 'x') + "!"}));
    EXPECT_EQ(Lines(ConfigReader::FromBytes(std::string(90, '\xFF') + std::string(95, 'y'))),
              (std::vector<std::string>{std::string(90, 'y') + "!", "yyyyy!"}));
    EXPECT_EQ(Lines(ConfigReader::FromBytes(std::string(1000, '\0'))), std::vector<std::string>{});
}

TEST(ConfigReader, ReadsLinesByPositionUntilTheFileEnds) {
    std::string tenLines;
    std::string known = kKnownFile;
    for (int i = 0, pos = 0; i < 10; ++i) {
        const auto end = known.find("\r\n", pos) + 2;
        tenLines += known.substr(pos, end - pos);
        pos = static_cast<int>(end);
    }
    const auto lines = Lines(ConfigReader::FromBytes(tenLines));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[9], "SyPos 2048");

    // Keys are not read: swapped lines come back in file order.
    EXPECT_EQ(Values(ConfigReader::FromBytes("SySrc 1                \r\n"
                                             "SwpSp 0                \r\n")),
              (std::vector<std::string>{"1 ", "0 "}));
}

TEST_F(ConfigFolder, OpeningCreatesAMissingFileEmpty) {
    const fs::path path = dir_ / "Config.Ini";
    ConfigReader reader(path.string());
    EXPECT_TRUE(reader.IsOpen());
    EXPECT_FALSE(reader.ReadConfigLine());
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(fs::file_size(path), 0u);

    EXPECT_FALSE(ConfigReader((dir_ / "missing" / "Config.Ini").string()).IsOpen());
    EXPECT_FALSE(ConfigReader(dir_.string()).IsOpen());
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(ConfigFolder, SaveReplacesTheFileAndLoadReadsIt) {
    const fs::path path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "old";
    ASSERT_TRUE(WriteConfigFile(path.string(), kKnownFile));
    EXPECT_EQ(ReadAll(path), kKnownFile);
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});

    ConfigReader reader(path.string());
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_EQ(Lines(std::move(reader)).size(), 25u);
}

TEST_F(ConfigFolder, FailedSaveKeepsTheOldFile) {
    const fs::path path = dir_ / "Config.Ini";
    std::ofstream(path, std::ios::binary) << "SwpSp 1\r\n";

    EXPECT_FALSE(WriteConfigFile((dir_ / "missing" / "Config.Ini").string(), kKnownFile));

    // A target that is a folder cannot be replaced; the temporary is removed.
    fs::create_directory(dir_ / "Busy.Ini");
    EXPECT_FALSE(WriteConfigFile((dir_ / "Busy.Ini").string(), kKnownFile));
    EXPECT_TRUE(fs::is_directory(dir_ / "Busy.Ini"));
    fs::remove(dir_ / "Busy.Ini");

    // A write that fails halfway (file size limit, which holds even for root).
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved = WriteConfigFile(path.string(), kKnownFile);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);

    EXPECT_EQ(ReadAll(path), "SwpSp 1\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Config.Ini"});
}

TEST(ParseLong, FollowsAtolAndSaturates) {
    EXPECT_EQ(ParseLong("  42"), 42);
    EXPECT_EQ(ParseLong("\t\n-17x"), -17);
    EXPECT_EQ(ParseLong("+8"), 8);
    EXPECT_EQ(ParseLong("12!"), 12);
    EXPECT_EQ(ParseLong("1 2"), 1);
    EXPECT_EQ(ParseLong("abc"), 0);
    EXPECT_EQ(ParseLong(""), 0);
    EXPECT_EQ(ParseLong("- 5"), 0);
    EXPECT_EQ(ParseLong("!"), 0);
    EXPECT_EQ(ParseLong("2147483647"), INT32_MAX);
    EXPECT_EQ(ParseLong("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseLong("2147483648"), INT32_MAX);
    EXPECT_EQ(ParseLong("-2147483649"), INT32_MIN);
    EXPECT_EQ(ParseLong("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseLong("-00000000000000000000007"), -7);
}

} // namespace
} // namespace duruz
