#include "view/dump_file.h"

#include <cstdint>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace duruz {

std::FILE* OpenDumpForAppend(const std::string& path) {
    // Write access, no sharing, created when missing and kept when present.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    SetFilePointer(handle, 0, nullptr, FILE_END);
    // The block is formatted through the C library; the descriptor and then the
    // stream own the handle from here on. Append mode keeps every write at the end.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_APPEND | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "ab");
    if (file == nullptr)
        _close(fd);
    return file;
}

} // namespace duruz
