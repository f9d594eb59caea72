#include "session/config_open.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace duruz {

std::FILE* OpenConfigForReading(const std::string& path, bool createWhenMissing,
                                bool& notRegularFile, std::string& readError) {
    notRegularFile = false;
    readError.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int create = createWhenMissing ? O_CREAT : 0;
    const int fd = ::open(path.c_str(), O_RDONLY | create | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat info {};
    if (fd < 0) {
        const int error = errno;
        if (::stat(path.c_str(), &info) == 0) {
            notRegularFile = !S_ISREG(info.st_mode);
            if (!notRegularFile)
                readError = std::generic_category().message(error);
        } else if (!createWhenMissing) {
            readError = std::generic_category().message(error);
        }
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        notRegularFile = true;
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr)
        ::close(fd);
    return file;
}

} // namespace duruz
