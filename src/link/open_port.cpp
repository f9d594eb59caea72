#include "link/open_port.h"

#include "link/capture_stream.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace duruz {

namespace {

// Input-buffer levels, in bytes, of the driver's flow control (RTS handshaking
// included): the sender is stopped when only kXoffLimit bytes are free and may go on
// once the buffer has drained to kXonLimit.
constexpr std::uint16_t kXonLimit = 80;
constexpr std::uint16_t kXoffLimit = 200;
// 'T' and 'T' with its high bit set, not the customary 0x11 and 0x13; like the error
// character they matter only on a port whose driver already has XON/XOFF on.
constexpr std::uint8_t kXonChar = 0x54;
constexpr std::uint8_t kXoffChar = 0xD4;
// '&' replaces a byte received with a parity error, where the driver replaces such bytes.
constexpr std::uint8_t kErrorChar = 0x26;

// The line the instrument expects, laid over what the driver reported.
void ApplyInstrumentSettings(serial::LineSettings& settings) {
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.parity = serial::Parity::None;
    settings.stopBits = serial::StopBits::One;
    settings.dtrOn = true;
    settings.rtsHandshake = true;
    settings.txContinueOnXoff = true;
    settings.abortOnError = true;
    settings.xonLimit = kXonLimit;
    settings.xoffLimit = kXoffLimit;
    settings.xonChar = kXonChar;
    settings.xoffChar = kXoffChar;
    settings.errorChar = kErrorChar;
}

// Why a port refused to open, and what the user can do.
std::string OpenFailureReason(const serial::OpenResult& result) {
    switch (result.reason) {
    case serial::OpenFailure::PermissionDenied:
        return "permission denied: add your user to the dialout group, then log in again";
    case serial::OpenFailure::InUse:
        return "in use by another program";
    case serial::OpenFailure::NotSerialDevice:
        return "not a serial device";
    default:
        return serial::ErrorText(result.errorCode);
    }
}

// The open port is used as it is; the step it refused is logged before its path.
OpenedPort NotConfigured(tk::LineLog& log, const char* path, const char* step) {
    log.Add(step);
    log.Add(path);
    return {step};
}

} // namespace

bool SelectPortRow(SerialLink& link, int row) {
    const std::uint32_t rows = link.PortCount < kPortTableSize ? link.PortCount : kPortTableSize;
    if (row < 0 || static_cast<std::uint32_t>(row) >= rows)
        return false;
    const PortEntry& entry = link.PortTable[row];
    const std::size_t length = strnlen(entry.path.data(), entry.path.size());
    const std::size_t copied = length < kPortPathSize ? length : kPortPathSize - 1;
    link.PortPath.fill('\0');
    std::memcpy(link.PortPath.data(), entry.path.data(), copied);
    return true;
}

Result<OpenedPort> OpenPort(SerialLink& link, PortProvider& provider, int row, tk::LineLog& log,
                            serial::OpenFailure* refusal) {
    ClosePort(link);
    // A failed attempt counts nothing of the port it replaced.
    link.Counters = LinkCounters{};
    if (!SelectPortRow(link, row)) {
        const char* reason = "No port selected";
        log.Add(reason);
        return Failure{reason};
    }

    const PortEntry& entry = link.PortTable[row];
    const char* path = link.PortPath.data();
    log.Add(path);

    serial::SerialPort& port = provider.PortFor(entry);
    const serial::OpenResult opened = port.Open(path);
    if (opened.status == serial::OpenStatus::NotFound) {
        const char* reason = "does not exist";
        log.Add(path);
        log.Add(std::string("   ") + reason);
        return Failure{reason};
    }
    if (opened.status != serial::OpenStatus::Opened) {
        if (refusal != nullptr)
            *refusal = opened.reason;
        const std::string reason = OpenFailureReason(opened);
        log.Add("Error opening");
        log.Add(path);
        log.Add("   " + reason);
        return Failure{reason};
    }
    link.PortHandle = &port;
    link.PortOpen = true;
    // A partial frame or a request of the last line can never be answered on this one.
    ResetReceiver(link);
    log.Add(path);
    log.Add("   opened");
    // Until every step below has succeeded the port's read time-outs are unknown.
    link.PortUnconfigured = true;

    serial::LineSettings settings;
    if (!port.GetSettings(settings))
        return NotConfigured(log, path, "Error getting state of");
    port.ClearErrors();
    ApplyInstrumentSettings(settings);
    port.ClearErrors();
    if (!port.SetSettings(settings))
        return NotConfigured(log, path, "Error setting state of");
    if (!port.SetTimeouts(kInstrumentTimeouts))
        return NotConfigured(log, path, "Error setting timeouts for");
    link.PortUnconfigured = false;
    log.Add(path);
    log.Add("   configured");
    return OpenedPort{};
}

} // namespace duruz
