#include "base/whole_file_writer.h"

#include "base/system_error_text.h"

#include <windows.h>

namespace duruz {

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD chunk = left > MAXDWORD ? MAXDWORD : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// A fresh name beside the target, held with no sharing while it is written;
// CREATE_NEW keeps a leftover or a stranger's file untouched.
HANDLE CreateTemporary(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath =
            path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        HANDLE file = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

Failure Failed(DWORD code = GetLastError()) {
    return Failure{SystemErrorText(static_cast<int>(code))};
}

// For a folder that takes no new file: the file itself, emptied and written again.
Result<FileWritten> WriteInPlace(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Failed();
    const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed)
        return Failed(written ? GetLastError() : writeError);
    return FileWritten::WrittenInPlace;
}

} // namespace

bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

Result<FileWritten> WriteWholeFile(const std::string& path, const std::string& bytes) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Failed(ERROR_ACCESS_DENIED);
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return Failure{kReadOnlyFileReason};
    std::string tempPath;
    HANDLE file = CreateTemporary(path, tempPath);
    if (file == INVALID_HANDLE_VALUE)
        return exists ? WriteInPlace(path, bytes) : Failed();
    const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    const bool closed = CloseHandle(file) != 0;
    // The old file is replaced only by a complete new one; write-through returns
    // once the replacement itself is on disk.
    if (!written || !closed ||
        !MoveFileExA(tempPath.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = written ? GetLastError() : writeError;
        DeleteFileA(tempPath.c_str());
        return Failed(code);
    }
    return FileWritten::Replaced;
}

} // namespace duruz
