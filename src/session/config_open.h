#pragma once

#include <cstdio>
#include <string>

namespace duruz {

// Opens Config.Ini for reading, creating it empty when it is missing and asked to,
// so a first run of the window leaves an empty file behind. On Windows nobody else may open the
// file while it is held. nullptr when it cannot be opened (a missing folder, a file without read
// permission or held by another program) or is not a regular file; notRegularFile then tells the
// latter apart, and readError gives the system's reason when a regular file is there but could not
// be opened, or, when nothing is created, why nothing could be opened. A FIFO or a device never
// blocks the open.
std::FILE* OpenConfigForReading(const std::string& path, bool createWhenMissing,
                                bool& notRegularFile, std::string& readError);

} // namespace duruz
