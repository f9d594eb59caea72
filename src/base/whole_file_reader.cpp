#include "base/whole_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace duruz {

Result<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return Failure{path + ": " + std::strerror(errno)};
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return Failure{path + ": the file could not be read"};
    return text;
}

} // namespace duruz
