#pragma once

#include <charconv>
#include <string>

namespace duruz {

// Numbers as text through std::to_chars, which no C or C++ locale changes: a '.'
// decimal point and no group separators, unlike printf's "%f".

inline void AppendNumber(std::string& out, double value, std::chars_format format, int precision) {
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, format, precision);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

inline void AppendFixed(std::string& out, double value, int decimals) {
    AppendNumber(out, value, std::chars_format::fixed, decimals);
}

// The shortest text that reads back as exactly the same double.
inline void AppendExact(std::string& out, double value) {
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

inline void AppendInt(std::string& out, long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

} // namespace duruz
