// Arbitrary bytes as Config.Ini: up to 25 lines read and parsed the way start-up
// applies them, then the settings they give written back out and read again, and
// the same bytes read across the reader's size bound. Any broken rule of the file
// format traps.
#include "session/config_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using duruz::ConfigReader;
using duruz::kConfigLines;
using duruz::ScopeSettings;

constexpr std::size_t kMaxLineChars = 90;  // characters a line may hold
constexpr std::size_t kMaxFileLine = 79;   // bytes of a written line, CR LF included
constexpr std::size_t kMaxTextLength = 56; // text a written line has room for
constexpr std::size_t kPortPathSize = 80;  // the serial link's PortPath, terminator included
constexpr std::size_t kPortRows = 100;     // the most rows the port list has

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The line as read: at most 90 characters and the "!" marker, nothing but text bytes,
// and the value inside it (or the empty text for a line too short to hold one).
void CheckLine(const ConfigReader& reader) {
    const char* line = reader.Line();
    const std::size_t length = std::strlen(line);
    Check(length >= 1 && length <= kMaxLineChars + 1);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        Check(byte >= 0x20 && byte <= 0x7F);
    }
    for (std::size_t i = 8; i < length; ++i)
        Check(line[i] != ' '); // the cut leaves no blank from index 8 on
    const char* value = reader.Value();
    if (length > 6)
        Check(value == line + 6);
    else
        Check(*value == '\0');
}

// What start-up does with the value of setting `index` (0-based, file order), with a
// full port list.
void Apply(ScopeSettings& s, int index, const char* value) {
    duruz::ApplyConfigLine(s, index, value, static_cast<int>(kPortRows));
}

// The file as written: 25 lines of at most 79 bytes, each ending in CR LF, with no
// byte inside a line that the reader would take as a line break.
void CheckWrittenFile(const std::string& file) {
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        Check(end != std::string::npos);
        Check(end + 2 - start <= kMaxFileLine);
        for (std::size_t i = start; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(file[i]);
            Check(byte >= 0x20 && byte <= 0x7F);
        }
        ++lines;
        start = end + 2;
    }
    Check(lines == static_cast<std::size_t>(kConfigLines));
}

// A text as it comes back from a save and a load: cut to what a line holds, and a
// text of fewer than two characters comes back padded with the spaces after it.
std::string TextAfterReload(const std::string& text) {
    std::string expected = text.substr(0, kMaxTextLength);
    expected.resize(std::max<std::size_t>(expected.size(), 2), ' ');
    return expected;
}

// Writes the settings out, reads the file back as start-up would and expects every
// number, flag and text to survive.
void CheckRoundTrip(const ScopeSettings& settings, const char* portPath) {
    ScopeSettings written = settings;
    written.port.path = portPath;
    const std::string file = duruz::FormatConfig(written);
    CheckWrittenFile(file);

    ConfigReader reader = ConfigReader::FromBytes(file);
    ScopeSettings back;
    for (int index = 0; index < kConfigLines; ++index) {
        Check(reader.ReadConfigLine());
        CheckLine(reader);
        Apply(back, index, reader.Value());
    }
    Check(!reader.ReadConfigLine());

    // Every number, flag and text comes back; the path is never read.
    ScopeSettings expected = settings;
    expected.port.path.clear();
    for (duruz::GeneratorChannelSettings& generator : expected.generator) {
        generator.frequency = TextAfterReload(generator.frequency);
        generator.amplitude = TextAfterReload(generator.amplitude);
    }
    Check(back == expected);
}

// Every line as read, to the end of the input.
std::string AllLines(const std::string& bytes) {
    ConfigReader reader = ConfigReader::FromBytes(bytes);
    std::string lines;
    while (reader.ReadConfigLine())
        lines.append(reader.Line()).push_back('\n');
    return lines;
}

// Nothing past kMaxConfigBytes is ever read: the input, moved by a run of line
// breaks so that it straddles the bound, reads as if it ended there.
void CheckReadBound(const std::string& bytes) {
    const std::size_t lead = duruz::kMaxConfigBytes - bytes.size() % 181;
    const std::string moved = std::string(lead, '\n') + bytes;
    Check(AllLines(moved) == AllLines(moved.substr(0, duruz::kMaxConfigBytes)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    ScopeSettings settings;
    ConfigReader reader = ConfigReader::FromBytes(bytes);
    int lines = 0;
    for (; lines < kConfigLines && reader.ReadConfigLine(); ++lines) {
        CheckLine(reader);
        Apply(settings, lines, reader.Value());
    }
    // The port path is write-only and may hold anything the device list gave it;
    // the input's first bytes stand in for it, control and high bytes included.
    char portPath[kPortPathSize] = {};
    std::memcpy(portPath, data, std::min(size, sizeof portPath - 1));
    CheckRoundTrip(settings, portPath);
    CheckReadBound(bytes);

    // Texts typed into the edit boxes are not limited to what a file line can carry:
    // the rest of the input, cut into four, with any byte and any length.
    if (size > 4) {
        const std::size_t quarter = size / 4;
        ScopeSettings typed = settings;
        typed.generator[0] = {typed.generator[0].waveformRow, bytes.substr(0, quarter),
                              bytes.substr(quarter, quarter)};
        typed.generator[1] = {typed.generator[1].waveformRow, bytes.substr(2 * quarter, quarter),
                              bytes.substr(3 * quarter)};
        typed.port.path = portPath;
        const std::string file = duruz::FormatConfig(typed);
        CheckWrittenFile(file);
        ConfigReader typedReader = ConfigReader::FromBytes(file);
        int typedLines = 0;
        while (typedReader.ReadConfigLine())
            ++typedLines;
        Check(typedLines == kConfigLines);
    }
    return 0;
}
