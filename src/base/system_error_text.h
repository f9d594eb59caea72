#pragma once

#include <string>

namespace duruz {

// The system's own description of an error number: errno on POSIX, GetLastError's
// code on Windows ("Permission denied", "Access is denied").
std::string SystemErrorText(int code);

} // namespace duruz
