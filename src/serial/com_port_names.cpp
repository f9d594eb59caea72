#include "serial/com_port_names.h"

#include <algorithm>
#include <cstdio>

namespace serial {

std::string ComPortName(std::uint32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "COM%lu", static_cast<unsigned long>(number));
    return text;
}

std::string ComPortDevicePath(std::uint32_t number) {
    char text[24];
    std::snprintf(text, sizeof text, "\\\\.\\COM%lu", static_cast<unsigned long>(number));
    return text;
}

bool ParseComPortName(std::string_view name, std::uint32_t& number) {
    constexpr std::string_view kPrefix = "COM";
    if (name.size() <= kPrefix.size())
        return false;
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        if ((name[i] & ~0x20) != kPrefix[i])
            return false;
    }
    std::uint64_t value = 0;
    for (std::size_t i = kPrefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return false;
    }
    if (value == 0)
        return false;
    number = static_cast<std::uint32_t>(value);
    return true;
}

std::vector<std::uint32_t> ComPortNumbers(const std::vector<std::string>& names) {
    std::vector<std::uint32_t> numbers;
    for (const std::string& name : names) {
        std::uint32_t number = 0;
        if (ParseComPortName(name, number))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace serial
