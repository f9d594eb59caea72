#pragma once

#include "base/result.h"
#include "session/config_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace duruz {

// How a save ended when it did not fail.
enum class SaveOutcome {
    Replaced,       // a complete new file took the old one's place
    WrittenInPlace, // the folder takes no new file, so the file itself was rewritten
    ReadOnly,       // the file is read-only and stays as it is
};

// Writes the file whole or not at all (see WriteWholeFile). A read-only file is
// the user's way to keep the settings it holds: it is left as it is, which is no
// failure. A failure carries the system's reason.
Result<SaveOutcome> WriteConfigFile(const std::string& path, const std::string& bytes);

// The most a reader takes from the file: 25 lines of 80 bytes many times over, and
// small enough that a device with no end is given up at once.
constexpr std::size_t kMaxConfigBytes = 64 * 1024;

// Reads Config.Ini line by line, a byte at a time, so that files written by
// hand or by other versions load the same: runs of control and high bytes
// separate lines, a line holds at most 90 bytes together with the separators
// before it, and it is cut at its first blank from index 8 on (the padding after
// the value). Reading stops after kMaxConfigBytes, so an endless source cannot
// hold start-up.
class ConfigReader {
public:
    // Opens the file, creating an empty one when there is none and asked to.
    // Anything but a regular file (a FIFO, a device, a folder) is not read: it
    // counts as no file.
    explicit ConfigReader(const std::string& path, bool createWhenMissing = true);
    // Reads from memory, for tests.
    static ConfigReader FromBytes(std::string bytes);
    ~ConfigReader();
    ConfigReader(ConfigReader&& other) noexcept;
    ConfigReader& operator=(ConfigReader&&) = delete;

    bool IsOpen() const;
    // The path names something that exists but is not a regular file.
    bool NotRegularFile() const { return notRegularFile_; }
    // Why a regular file that is there could not be opened ("Permission denied"), or
    // a read of it failed; empty when it was read or is not there.
    const std::string& ReadError() const { return readError_; }
    // Reads the next line; false at the end of the file.
    bool ReadConfigLine();
    // The line as cut, key included ("ConfigLine").
    const char* Line() const { return ConfigLine.data(); }
    // The value: the text from index 6 to the cut ("" for a line of five
    // characters or fewer).
    const char* Value() const;

private:
    ConfigReader() = default;
    int NextByte(); // -1 at the end or on a failed read

    std::FILE* file_ = nullptr;
    std::string memory_;
    std::size_t memoryPos_ = 0;
    std::size_t bytesRead_ = 0;
    bool fromMemory_ = false;
    bool notRegularFile_ = false;
    std::string readError_;
    std::array<char, 92> ConfigLine{};
    std::size_t length_ = 0;
};

} // namespace duruz
