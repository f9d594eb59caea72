#pragma once

#include <cstdio>
#include <string>

namespace duruz {

// Opens the diagnostic dump for appending: created when missing, never truncated,
// every write landing at its end. On Windows nobody else may open the file while
// it is held. nullptr when it cannot be opened (a missing folder or drive, a file
// held by another program).
std::FILE* OpenDumpForAppend(const std::string& path);

} // namespace duruz
