#pragma once

#include "serial/serial_port.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace testing_support {

// A scripted serial port: each Read takes the next scripted piece (an empty piece
// is a read that times out), writes are recorded byte for byte, and every step of
// opening can be made to fail.
class FakeSerialPort : public serial::SerialPort {
public:
    serial::OpenResult openResult{serial::OpenStatus::Opened, 0};
    bool getSettingsOk = true;
    bool setSettingsOk = true;
    bool setTimeoutsOk = true;

    std::deque<std::string> reads;   // what successive reads return
    std::string written;             // every byte written, in order
    std::vector<std::string> writes; // each write call separately
    std::vector<std::string> events; // "open <path>", "close", "get", "clear", "set", "timeouts"
    serial::LineSettings applied{};
    serial::Timeouts appliedTimeouts{};
    int emptyReads = 0; // reads that found nothing
    int readCalls = 0;
    // Read with the port's own time-outs, which a failed configuration leaves
    // unbounded: such a read would block for good, so it is counted and fails.
    bool blocksWithoutBound = false;
    int unboundedReads = 0;
    std::uint32_t lastBoundMs = 0; // the wait of the last ReadWithin
    bool open = false;
    bool gone = false; // the device has vanished under the open port

    serial::OpenResult Open(const char* path) override {
        events.push_back(std::string("open ") + path);
        open = openResult.status == serial::OpenStatus::Opened;
        return openResult;
    }
    bool IsOpen() const override { return open; }
    bool GetSettings(serial::LineSettings& settings) override {
        events.push_back("get");
        settings = serial::LineSettings{};
        return getSettingsOk;
    }
    void ClearErrors() override { events.push_back("clear"); }
    bool SetSettings(const serial::LineSettings& settings) override {
        events.push_back("set");
        if (setSettingsOk)
            applied = settings;
        return setSettingsOk;
    }
    bool SetTimeouts(const serial::Timeouts& timeouts) override {
        events.push_back("timeouts");
        if (setTimeoutsOk)
            appliedTimeouts = timeouts;
        return setTimeoutsOk;
    }
    std::size_t Read(void* buffer, std::size_t count) override {
        ++readCalls;
        if (blocksWithoutBound && !bounded_) {
            ++unboundedReads;
            return 0;
        }
        if (reads.empty() || reads.front().empty()) {
            if (!reads.empty())
                reads.pop_front();
            ++emptyReads;
            return 0;
        }
        std::string& piece = reads.front();
        std::size_t n = std::min(count, piece.size());
        std::memcpy(buffer, piece.data(), n);
        piece.erase(0, n);
        if (piece.empty())
            reads.pop_front();
        return n;
    }
    // The short reads of a drain take the script's next piece like any read.
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) override {
        lastBoundMs = ms;
        bounded_ = true;
        const std::size_t n = Read(buffer, count);
        bounded_ = false;
        return n;
    }
    void Interrupt() override {}
    bool DeviceGone() const override { return gone; }
    std::size_t Write(const void* data, std::size_t count) override {
        std::string bytes(static_cast<const char*>(data), count);
        written += bytes;
        writes.push_back(bytes);
        return count;
    }
    void Close() override {
        events.push_back("close");
        open = false;
    }

private:
    bool bounded_ = false; // a ReadWithin is under way
};

} // namespace testing_support
