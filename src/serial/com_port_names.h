#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace serial {

// The row text of COM port n: "COM%lu", e.g. "COM3".
std::string ComPortName(std::uint32_t number);

// The device path that opens COM port n: "\\.\COM%lu". The same form for every
// number, below 10 as well.
std::string ComPortDevicePath(std::uint32_t number);

// The n of a port name "COMn" as the system lists its ports (any case, n from 1,
// decimal digits only); false for any other name.
bool ParseComPortName(std::string_view name, std::uint32_t& number);

// The numbers of the COMn names among the given ones, ascending, each once.
std::vector<std::uint32_t> ComPortNumbers(const std::vector<std::string>& names);

} // namespace serial
