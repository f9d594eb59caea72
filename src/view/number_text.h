#pragma once

#include <charconv>
#include <string>

namespace duruz {

// Numbers as text through std::to_chars, which no C or C++ locale changes: a '.'
// decimal point and no group separators, unlike printf's "%f".

inline void AppendFixed(std::string& out, double value, int decimals) {
    char text[48];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

inline void AppendInt(std::string& out, long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<std::size_t>(result.ptr - text));
}

} // namespace duruz
