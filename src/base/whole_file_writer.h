#pragma once

#include "base/result.h"

#include <string>

namespace duruz {

// How a whole file came to hold its new bytes.
enum class FileWritten {
    Replaced,       // a complete new file took the old one's place
    WrittenInPlace, // the folder takes no new file, so the file itself was rewritten
};

// The reason a read-only file is refused with.
inline constexpr const char* kReadOnlyFileReason = "the file is read-only";

// Writes the file so that a failed write never loses the previous one: the bytes go
// to a fresh file beside it, made only by this call (a file of any other name,
// such as the user's own "<name>.part", stays untouched), synced to disk, which
// then replaces it once complete. On POSIX a symbolic link stays a link: the file
// it points to is the one replaced, with its permissions kept. A read-only file, or
// anything but a regular file, is refused and left alone. When the folder takes no
// new file but the file itself is writable, it is rewritten in place (truncated,
// written, synced), which a failure halfway can leave short. A failure's reason is
// the system's text.
Result<FileWritten> WriteWholeFile(const std::string& path, const std::string& bytes);

// True when path names, through its links, a regular file that is read-only: nobody
// may write it, or this user may not.
bool IsReadOnlyFile(const std::string& path);

} // namespace duruz
