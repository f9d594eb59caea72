#pragma once

#include "serial/steady_time.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace serial {

enum class OpenStatus {
    Opened,
    NotFound,   // the device path does not exist
    OtherError, // in use, access denied, not a serial device, ...
};

// Why an open failed, in terms the user can act on.
enum class OpenFailure {
    None,
    PermissionDenied, // the user may not open the device
    InUse,            // another program holds it
    NotSerialDevice,  // the path names a file, a folder or another kind of device
    Other,            // see errorCode
};

struct OpenResult {
    OpenStatus status = OpenStatus::OtherError;
    int errorCode = 0; // the platform's own error number, for OtherError
    OpenFailure reason = OpenFailure::Other;
};

// The platform's own description of an error number that OpenResult carries.
std::string ErrorText(int errorCode);

enum class Parity : std::uint8_t { None, Odd, Even };
enum class StopBits : std::uint8_t { One, OneAndHalf, Two };

// One neutral description of the line; each backend translates it to its native
// form (termios, DCB) in exactly one get/set pair.
struct LineSettings {
    std::uint32_t baudRate = 0;
    std::uint8_t dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool dtrOn = false;
    bool rtsHandshake = false;
    bool txContinueOnXoff = false;
    bool abortOnError = false;
    std::uint16_t xonLimit = 0;
    std::uint16_t xoffLimit = 0;
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;
    std::uint8_t errorChar = 0;
};

// Read time-outs in milliseconds, in the Win32 sense: a read of n bytes returns
// when n bytes are in, when more than intervalMs pass between two bytes after the
// first, or at the latest totalMultiplierMs * n + totalConstantMs after it began.
// Write time-outs of 0 mean a write blocks until every byte is taken.
struct Timeouts {
    std::uint32_t readIntervalMs = 0;
    std::uint32_t readTotalMultiplierMs = 0;
    std::uint32_t readTotalConstantMs = 0;
    std::uint32_t writeTotalMultiplierMs = 0;
    std::uint32_t writeTotalConstantMs = 0;
};

// One serial port. Every call blocks the calling thread until it is done or its
// time-out passes, so one thread owns the port and drives it; only Interrupt may
// come from another thread. After Close the object can be opened again.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual OpenResult Open(const char* path) = 0;
    virtual bool IsOpen() const = 0;
    virtual bool GetSettings(LineSettings& settings) = 0;
    virtual void ClearErrors() = 0;
    virtual bool SetSettings(const LineSettings& settings) = 0;
    virtual bool SetTimeouts(const Timeouts& timeouts) = 0;
    // Reads up to count bytes; returns how many arrived (0 on time-out or failure).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Reads up to count bytes that arrive within ms milliseconds, whatever the
    // time-outs; 0 means the line stayed silent that long. Stale input is dropped
    // with it before a request, without waiting out a whole read time-out.
    virtual std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) = 0;
    // Writes count bytes; returns how many were taken (0 on failure).
    virtual std::size_t Write(const void* data, std::size_t count) = 0;
    virtual void Close() = 0;
    // Cuts short the wait of a Read, ReadWithin or Write under way on another
    // thread, and every later one, for good: the port is being shut down and only
    // Close follows. Safe to call from any thread, open or not.
    virtual void Interrupt() = 0;
    // The device went away under the open port (unplugged, or the far end of a
    // pseudo-terminal closed): reads and writes fail until the port is closed.
    // Ports whose device cannot vanish, like an in-process one, never report it.
    virtual bool DeviceGone() const { return false; }
    // The time of this port's read time-outs, in microseconds on a steady scale:
    // the machine's steady clock, or a simulated line's own clock.
    virtual std::int64_t NowMicros() { return SteadyMicros(); }
};

// Whether a device path names something that exists now (a symbolic link counts
// when its target exists). Looks, never opens.
bool DevicePresent(const char* path);

// A symbolic link itself, as lstat sees it. A link made anew differs from the one
// that stood there before, even when both point at the same device; an old link
// that points somewhere again does not.
struct LinkIdentity {
    bool isLink = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t changeNs = 0; // its change time
    bool operator==(const LinkIdentity&) const = default;
};

// The symbolic link at path; isLink is false for anything else, or nothing.
LinkIdentity LinkAt(const char* path);

// Whether path, links followed, leads to a character device. Looks, never opens.
bool LeadsToCharacterDevice(const char* path);

} // namespace serial
