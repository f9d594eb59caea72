#pragma once

#include "serial/serial_port.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <windows.h>

namespace serial {

// A COM port through the synchronous Win32 serial calls: CreateFileA with exclusive
// access, the driver's device control block with the neutral settings laid over
// it, COMMTIMEOUTS, and ReadFile / WriteFile without overlapped structures. A
// closed port holds INVALID_HANDLE_VALUE and no call reaches the system with it.
class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    OpenResult Open(const char* path) override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
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
    bool ReadState();
    void NoteFailure(DWORD error);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    // The block as the driver last reported or accepted it; SetSettings writes the
    // neutral fields into it so every other field keeps the driver's value.
    DCB state_{};
    bool haveState_ = false;
    Timeouts timeouts_{};
    // The open handle as another thread may see it, for CancelIoEx.
    std::atomic<HANDLE> active_{INVALID_HANDLE_VALUE};
    std::atomic<bool> interrupted_{false};
    bool gone_ = false;
};

} // namespace serial
