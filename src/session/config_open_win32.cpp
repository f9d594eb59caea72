#include "session/config_open.h"

#include "serial/serial_port.h"

#include <cstdint>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace duruz {

std::FILE* OpenConfigForReading(const std::string& path, bool createWhenMissing,
                                bool& notRegularFile, std::string& readError) {
    notRegularFile = false;
    readError.clear();
    // Read access, no sharing, created when missing if asked to.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                createWhenMissing ? OPEN_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            notRegularFile = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!notRegularFile)
                readError = serial::ErrorText(static_cast<int>(error));
        } else if (!createWhenMissing) {
            readError = serial::ErrorText(static_cast<int>(error));
        }
        return nullptr;
    }
    // A pipe or a device is not read: it may never end.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        notRegularFile = true;
        CloseHandle(handle);
        return nullptr;
    }
    // The reader takes bytes through the C library; the descriptor and then the
    // stream own the handle from here on.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (file == nullptr)
        _close(fd);
    return file;
}

} // namespace duruz
