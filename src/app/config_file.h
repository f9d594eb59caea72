#pragma once

#include "base/result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <variant>

namespace duruz {

// The window's place and client size on a first start, before Config.Ini has any.
constexpr std::int32_t kDefaultWindowLeft = 0;
constexpr std::int32_t kDefaultWindowTop = 277;
constexpr std::int32_t kDefaultWindowWidth = 1511;
constexpr std::int32_t kDefaultWindowHeight = 899;

// The 25 persisted settings, one per line of Config.Ini, in file order. Texts are
// single-byte Windows-1252.
struct ScopeSettings {
    std::int32_t SwpSp = 1;
    std::int32_t SySrc = -1;
    std::int32_t SyPol = -1;
    std::int32_t ComPt = -1;
    std::int32_t Prob1 = 1;
    std::int32_t Scal1 = 7;
    std::int32_t Prob2 = 1;
    std::int32_t Scal2 = 7;
    std::int32_t SyLev = 0;
    std::int32_t SyPos = 1024;
    std::int32_t Wleft = kDefaultWindowLeft;
    std::int32_t Wtopp = kDefaultWindowTop;
    std::int32_t Wwidt = kDefaultWindowWidth;
    std::int32_t Whigh = kDefaultWindowHeight;
    bool Scop1 = true;
    bool Scop2 = true;
    bool Fft1C = false;
    bool Fft2C = false;
    bool Hold = false;
    std::int32_t Wave1 = -1;
    std::string Freq1 = "200";
    std::string Ampl1 = "1.00";
    std::int32_t Wave2 = -1;
    std::string Freq2 = "201";
    std::string Ampl2 = "1.00";
};

// Where a line's value lives: a number, a flag (written 0 or 1) or a text.
using SettingMember = std::variant<std::int32_t ScopeSettings::*, bool ScopeSettings::*,
                                   std::string ScopeSettings::*>;

struct SettingField {
    const char* key; // five characters; "Hold " is four letters and a space
    SettingMember member;
};

// The lines of Config.Ini, in file order, which is also the order start-up applies
// them in. ComPt is a number with the port path written after it.
inline constexpr std::array<SettingField, 25> kSettingFields{{
    {"SwpSp", &ScopeSettings::SwpSp}, {"SySrc", &ScopeSettings::SySrc},
    {"SyPol", &ScopeSettings::SyPol}, {"ComPt", &ScopeSettings::ComPt},
    {"Prob1", &ScopeSettings::Prob1}, {"Scal1", &ScopeSettings::Scal1},
    {"Prob2", &ScopeSettings::Prob2}, {"Scal2", &ScopeSettings::Scal2},
    {"SyLev", &ScopeSettings::SyLev}, {"SyPos", &ScopeSettings::SyPos},
    {"Wleft", &ScopeSettings::Wleft}, {"Wtopp", &ScopeSettings::Wtopp},
    {"Wwidt", &ScopeSettings::Wwidt}, {"Whigh", &ScopeSettings::Whigh},
    {"Scop1", &ScopeSettings::Scop1}, {"Scop2", &ScopeSettings::Scop2},
    {"Fft1C", &ScopeSettings::Fft1C}, {"Fft2C", &ScopeSettings::Fft2C},
    {"Hold ", &ScopeSettings::Hold},  {"Wave1", &ScopeSettings::Wave1},
    {"Freq1", &ScopeSettings::Freq1}, {"Ampl1", &ScopeSettings::Ampl1},
    {"Wave2", &ScopeSettings::Wave2}, {"Freq2", &ScopeSettings::Freq2},
    {"Ampl2", &ScopeSettings::Ampl2},
}};

constexpr int kConfigLines = static_cast<int>(kSettingFields.size());

// Sets the setting of line `index` (0-based) from the line's value as start-up
// reads it: a number through ParseLong, a flag set by any number but 0, a text as
// it stands.
void ParseSetting(ScopeSettings& settings, int index, const char* value);

// The whole file as SaveConfig writes it: 25 CR LF lines; the ComPt line carries
// the port path after its number.
std::string FormatConfig(const ScopeSettings& settings, const char* portPath);

// How a save ended when it did not fail.
enum class SaveOutcome {
    Replaced,       // a complete new file took the old one's place
    WrittenInPlace, // the folder takes no new file, so the file itself was rewritten
    ReadOnly,       // the file is read-only and stays as it is
};

// Writes the file whole or not at all (see WriteWholeFile). A read-only file is
// the user's way to keep the settings it holds: it is left as it is, which is no
// failure. A failure carries the system's reason.
Result<SaveOutcome> WriteConfigFile(const std::string& path, const std::string& bytes);

// The most a reader takes from the file: 25 lines of 80 bytes many times over, and
// small enough that a device with no end is given up at once.
constexpr std::size_t kMaxConfigBytes = 64 * 1024;

// Reads Config.Ini line by line, a byte at a time, so that files written by
// hand or by other versions load the same: runs of control and high bytes
// separate lines, a line holds at most 90 bytes together with the separators
// before it, and it is cut at its first blank from index 8 on (the padding after
// the value). Reading stops after kMaxConfigBytes, so an endless source cannot
// hold start-up.
class ConfigReader {
public:
    // Opens the file, creating an empty one when there is none. Anything but a
    // regular file (a FIFO, a device, a folder) is not read: it counts as no file.
    explicit ConfigReader(const std::string& path);
    // Reads from memory, for tests.
    static ConfigReader FromBytes(std::string bytes);
    ~ConfigReader();
    ConfigReader(ConfigReader&& other) noexcept;
    ConfigReader& operator=(ConfigReader&&) = delete;

    bool IsOpen() const;
    // The path names something that exists but is not a regular file.
    bool NotRegularFile() const { return notRegularFile_; }
    // Why a regular file that is there could not be opened ("Permission denied"), or
    // a read of it failed; empty when it was read or is not there.
    const std::string& ReadError() const { return readError_; }
    // Reads the next line; false at the end of the file.
    bool ReadConfigLine();
    // The line as cut, key included ("ConfigLine").
    const char* Line() const { return ConfigLine.data(); }
    // The value: the text from index 6 to the cut ("" for a line of five
    // characters or fewer).
    const char* Value() const;

private:
    ConfigReader() = default;
    int NextByte(); // -1 at the end or on a failed read

    std::FILE* file_ = nullptr;
    std::string memory_;
    std::size_t memoryPos_ = 0;
    std::size_t bytesRead_ = 0;
    bool fromMemory_ = false;
    bool notRegularFile_ = false;
    std::string readError_;
    std::array<char, 92> ConfigLine{};
    std::size_t length_ = 0;
};

// The C library's atol: leading white space, an optional sign, decimal digits.
std::int32_t ParseLong(const char* text);

} // namespace duruz
