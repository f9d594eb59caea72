#include "app/config_open.h"

#include <fcntl.h>
#include <unistd.h>

namespace duruz {

std::FILE* OpenConfigForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr)
        ::close(fd);
    return file;
}

} // namespace duruz
