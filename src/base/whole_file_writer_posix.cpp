#include "base/whole_file_writer.h"

#include "base/system_error_text.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace duruz {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A fresh name beside the target; O_EXCL keeps a leftover or a stranger's file untouched.
int CreateTemporary(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Follows symbolic links to the file they name, so a write replaces that file and
// the links stay links. A relative target is taken from the link's folder.
bool ResolveLinks(std::string& path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
            return false;
        const std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' || path.find('/') == std::string::npos
                   ? next
                   : FolderOf(path) + "/" + next;
    }
    return false; // a loop of links
}

// A file that nobody may write, or that this user may not write, was made so on
// purpose. The mode bits count for the superuser too, who passes every access test.
bool IsReadOnly(const std::string& path, const struct stat& info) {
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

bool WriteSynced(int fd, const std::string& bytes) {
    return WriteAll(fd, bytes) && ::fsync(fd) == 0;
}

Failure Failed(int code) {
    return Failure{SystemErrorText(code)};
}

// For a folder that takes no new file: the file itself, emptied and written again.
Result<FileWritten> WriteInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Failed(errno);
    struct stat info {};
    errno = EINVAL; // a file that turned into something else meanwhile
    const bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                         ::ftruncate(fd, 0) == 0 && WriteSynced(fd, bytes);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        return Failed(written ? errno : writeError);
    return FileWritten::WrittenInPlace;
}

} // namespace

bool IsReadOnlyFile(const std::string& given) {
    std::string path = given;
    struct stat info {};
    return ResolveLinks(path) && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           IsReadOnly(path, info);
}

Result<FileWritten> WriteWholeFile(const std::string& given, const std::string& bytes) {
    std::string path = given;
    if (!ResolveLinks(path))
        return Failed(ELOOP);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return Failed(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    if (exists && IsReadOnly(path, old))
        return Failure{kReadOnlyFileReason};

    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0)
        return exists ? WriteInPlace(path, bytes) : Failed(errno);
    // An existing file keeps its permissions.
    if (exists)
        ::fchmod(fd, old.st_mode & 07777);
    const bool written = WriteSynced(fd, bytes);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    // In a folder with the sticky bit, another user's file is not ours to replace.
    if (!written || !closed || ::rename(tempPath.c_str(), path.c_str()) != 0) {
        const int code = written ? errno : writeError;
        ::unlink(tempPath.c_str());
        return Failed(code);
    }
    // Make the rename itself durable; the new file is complete either way.
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return FileWritten::Replaced;
}

} // namespace duruz
