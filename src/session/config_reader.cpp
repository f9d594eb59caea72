#include "session/config_file.h"

#include "session/config_open.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace duruz {

namespace {

// Characters plus separators before them: a line never spans more than this many bytes.
constexpr std::size_t kLineBudget = 90;
// The first character that may cut the line; the two after the value's start never are.
constexpr std::size_t kCutFrom = 8;
constexpr std::size_t kValueStart = 6;

bool IsTextByte(int byte) {
    return byte >= 0x20 && byte <= 0x7F;
}

} // namespace

ConfigReader::ConfigReader(const std::string& path, bool createWhenMissing) {
    file_ = OpenConfigForReading(path, createWhenMissing, notRegularFile_, readError_);
}

ConfigReader ConfigReader::FromBytes(std::string bytes) {
    ConfigReader reader;
    reader.memory_ = std::move(bytes);
    reader.fromMemory_ = true;
    return reader;
}

ConfigReader::~ConfigReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

ConfigReader::ConfigReader(ConfigReader&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), memory_(std::move(other.memory_)),
      memoryPos_(other.memoryPos_), bytesRead_(other.bytesRead_), fromMemory_(other.fromMemory_),
      notRegularFile_(other.notRegularFile_), readError_(std::move(other.readError_)),
      ConfigLine(other.ConfigLine), length_(other.length_) {}

bool ConfigReader::IsOpen() const {
    return fromMemory_ || file_ != nullptr;
}

int ConfigReader::NextByte() {
    if (bytesRead_ == kMaxConfigBytes) {
        return -1;
    }
    ++bytesRead_;
    if (fromMemory_) {
        if (memoryPos_ >= memory_.size()) {
            return -1;
        }
        return static_cast<unsigned char>(memory_[memoryPos_++]);
    }
    if (file_ == nullptr) {
        return -1;
    }
    const int byte = std::fgetc(file_);
    // A read that fails halfway (a region another program holds locked) is no end.
    if (byte == EOF && std::ferror(file_) != 0 && readError_.empty())
        readError_ = std::generic_category().message(errno);
    return byte == EOF ? -1 : byte;
}

bool ConfigReader::ReadConfigLine() {
    length_ = 0;
    ConfigLine[0] = '\0';

    // A run of separators never makes a line. A run longer than the budget is skipped
    // whole; the count restarts at each full budget, so the line after it still gets
    // 90 bytes less the separators of the last, partial stretch.
    std::size_t skipped = 0;
    int byte = NextByte();
    while (byte >= 0 && !IsTextByte(byte)) {
        if (++skipped == kLineBudget) {
            skipped = 0;
        }
        byte = NextByte();
    }
    if (byte < 0) {
        return false;
    }

    const std::size_t maxChars = kLineBudget - skipped;
    ConfigLine[length_++] = static_cast<char>(byte);
    while (length_ < maxChars) {
        byte = NextByte();
        if (byte < 0 || !IsTextByte(byte)) {
            break; // the separator is consumed with the line
        }
        ConfigLine[length_++] = static_cast<char>(byte);
    }

    ConfigLine[length_++] = '!';
    ConfigLine[length_] = '\0';
    for (std::size_t i = kCutFrom; i < length_; ++i) {
        if (static_cast<unsigned char>(ConfigLine[i]) <= 0x20) {
            ConfigLine[i] = '\0';
            length_ = i;
            break;
        }
    }
    return true;
}

const char* ConfigReader::Value() const {
    // A line of five characters or fewer ends before the value's place.
    return length_ > kValueStart ? ConfigLine.data() + kValueStart : "";
}

} // namespace duruz
