#pragma once

#include "serial/serial_port.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace testing_support {

// A line that plays a byte stream held in memory, without allocating: each read
// gives what is asked for, or less when read sizes are given (used in turn and over
// again; 0 is a read that times out); past the stream's end every read times out.
// Opening, settings and writes all succeed.
class ScriptedPort : public serial::SerialPort {
public:
    ScriptedPort(const std::uint8_t* stream, std::size_t size, const std::uint8_t* sizes = nullptr,
                 std::size_t sizeCount = 0)
        : stream_(stream), size_(size), sizes_(sizes), sizeCount_(sizeCount) {}

    void Rewind() { position_ = reads_ = 0; }
    std::size_t Position() const { return position_; }

    serial::OpenResult Open(const char*) override { return {serial::OpenStatus::Opened, 0}; }
    bool IsOpen() const override { return true; }
    bool GetSettings(serial::LineSettings&) override { return true; }
    void ClearErrors() override {}
    bool SetSettings(const serial::LineSettings&) override { return true; }
    bool SetTimeouts(const serial::Timeouts&) override { return true; }
    std::size_t Read(void* buffer, std::size_t count) override {
        std::size_t n = std::min(count, size_ - position_);
        if (sizeCount_ > 0)
            n = std::min<std::size_t>(n, sizes_[reads_++ % sizeCount_]);
        std::memcpy(buffer, stream_ + position_, n);
        position_ += n;
        return n;
    }
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t) override {
        return Read(buffer, count);
    }
    std::size_t Write(const void*, std::size_t count) override { return count; }
    void Close() override {}
    void Interrupt() override {}

private:
    const std::uint8_t* stream_;
    std::size_t size_;
    const std::uint8_t* sizes_;
    std::size_t sizeCount_;
    std::size_t position_ = 0;
    std::size_t reads_ = 0;
};

} // namespace testing_support
