#pragma once

#include "serial/serial_port.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <tuple>
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
    // Of them, reads with a bound of their own. Any other read follows the port's
    // time-outs, which on a port that refused them may never end.
    int boundedReads = 0;
    std::uint32_t lastBoundMs = 0;
    bool open = false;
    bool gone = false; // the device has vanished under the open port, until it is closed
    std::int64_t nowMicros = 0;

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
    // The short reads of a drain take the script's next piece like any read; one
    // that finds nothing waits its time out on the port's clock, which nothing else moves.
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) override {
        std::tie(boundedReads, lastBoundMs) = std::tuple(boundedReads + 1, ms);
        const std::size_t n = Read(buffer, count);
        nowMicros += n == 0 ? std::int64_t(ms) * 1000 : 0;
        return n;
    }
    std::int64_t NowMicros() override { return nowMicros; }
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
        open = gone = false;
    }
};

} // namespace testing_support
