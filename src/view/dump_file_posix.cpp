#include "view/dump_file.h"

namespace duruz {

std::FILE* OpenDumpForAppend(const std::string& path) {
    return std::fopen(path.c_str(), "ab");
}

} // namespace duruz
