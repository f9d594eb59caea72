#include "app/config_file.h"

#include "base/whole_file_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <variant>

namespace duruz {

namespace {

// A line is formatted into 80 bytes, terminator included: 79 characters with CR LF.
constexpr int kLineBuffer = 80;
// 79 less the key, its space, 15 padding spaces and CR LF.
constexpr int kMaxTextLength = 56;

// Bytes the reader takes as separators (controls and everything from 0x80 up) would
// split the line and shift every later setting, so they are stored as '?'.
std::string Printable(std::string_view text, std::size_t maxLength) {
    std::string out(text.substr(0, maxLength));
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7F) {
            c = '?';
        }
    }
    return out;
}

void AppendNumber(std::string& out, const char* key, std::int32_t value) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%s %d                \r\n", key, static_cast<int>(value));
    out += line;
}

void AppendText(std::string& out, const char* key, const std::string& text) {
    char line[kLineBuffer];
    std::snprintf(line, sizeof line, "%s %s               \r\n", key,
                  Printable(text, kMaxTextLength).c_str());
    out += line;
}

// The path is write-only (loading restores the port by its row), so it is cut to what
// fits the line rather than overflowing it.
void AppendPort(std::string& out, const char* key, std::int32_t row, const char* portPath) {
    char line[kLineBuffer];
    const int head =
        std::snprintf(line, sizeof line, "%s %d                ", key, static_cast<int>(row));
    const std::size_t room = static_cast<std::size_t>(kLineBuffer - 1 - 2 - head);
    const std::string path = Printable(portPath != nullptr ? portPath : "", room);
    std::snprintf(line + head, sizeof line - static_cast<std::size_t>(head), "%s\r\n",
                  path.c_str());
    out += line;
}

} // namespace

std::string FormatConfig(const ScopeSettings& settings, const char* portPath) {
    std::string out;
    out.reserve(kConfigLines * kLineBuffer);
    for (const SettingField& field : kSettingFields) {
        std::visit(
            [&](auto member) {
                const auto& value = settings.*member;
                using Value = std::remove_cvref_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, bool>)
                    AppendNumber(out, field.key, value ? 1 : 0);
                else if constexpr (std::is_same_v<Value, std::string>)
                    AppendText(out, field.key, value);
                else if (member == &ScopeSettings::ComPt)
                    AppendPort(out, field.key, value, portPath);
                else
                    AppendNumber(out, field.key, value);
            },
            field.member);
    }
    return out;
}

void ParseSetting(ScopeSettings& settings, int index, const char* value) {
    std::visit(
        [&](auto member) {
            auto& target = settings.*member;
            using Value = std::remove_cvref_t<decltype(target)>;
            if constexpr (std::is_same_v<Value, bool>)
                target = ParseLong(value) != 0;
            else if constexpr (std::is_same_v<Value, std::string>)
                target = value;
            else
                target = ParseLong(value);
        },
        kSettingFields.at(static_cast<std::size_t>(index)).member);
}

std::int32_t ParseLong(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Saturates at the 32-bit limits instead of overflowing; the magnitude stops growing
    // once it is past them.
    constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
    std::int64_t magnitude = 0;
    while (*p >= '0' && *p <= '9') {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (*p - '0');
        }
        ++p;
    }
    if (negative) {
        return magnitude >= kLimit ? INT32_MIN : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

Result<SaveOutcome> WriteConfigFile(const std::string& path, const std::string& bytes) {
    if (IsReadOnlyFile(path))
        return SaveOutcome::ReadOnly;
    const Result<FileWritten> written = WriteWholeFile(path, bytes);
    if (!written.Ok())
        return Failure{written.Reason()};
    return written.Value() == FileWritten::Replaced ? SaveOutcome::Replaced
                                                    : SaveOutcome::WrittenInPlace;
}

} // namespace duruz
