#pragma once

#include "serial/serial_port.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace serial {

// A serial device on a POSIX system, through termios and poll. The descriptor is
// non-blocking; Read and Write wait with ppoll so that the Win32 time-out rules can
// be kept to the sub-millisecond. A closed port holds no descriptor at all (-1),
// so no call can reach standard input or a descriptor someone else opened.
//
// Only a terminal character device opens; anything else fails as NotSerialDevice
// before a byte is written. RTS handshaking raises RTS and leaves CTS output flow
// control off.
//
// LineSettings fields with no termios counterpart (txContinueOnXoff, abortOnError,
// the XON/XOFF limits, errorChar) are accepted and left to the kernel's defaults.
class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort();
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    OpenResult Open(const char* path) override;
    bool IsOpen() const override { return fd_ >= 0; }
    bool GetSettings(LineSettings& settings) override;
    void ClearErrors() override;
    bool SetSettings(const LineSettings& settings) override;
    bool SetTimeouts(const Timeouts& timeouts) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) override;
    std::size_t Write(const void* data, std::size_t count) override;
    void Close() override;
    void Interrupt() override;
    bool DeviceGone() const override { return gone_; }

private:
    void NoteFailure(int error);
    std::size_t ReadWith(const Timeouts& timeouts, void* buffer, std::size_t count);

    int fd_ = -1;
    // An eventfd that every wait also watches; Interrupt makes it readable for good.
    int wakeFd_ = -1;
    std::atomic<bool> interrupted_{false};
    bool gone_ = false;
    Timeouts timeouts_{};
    bool rtsHandshake_ = false; // RTS held raised in place of CRTSCTS
};

} // namespace serial
