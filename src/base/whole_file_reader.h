#pragma once

#include "base/result.h"

#include <string>

namespace duruz {

// The bytes of a whole file, or why they could not be read: the path and the
// system's reason ("...: No such file or directory").
Result<std::string> ReadWholeFile(const std::string& path);

} // namespace duruz
