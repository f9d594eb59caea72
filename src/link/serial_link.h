#pragma once

#include "link/capture_store.h"
#include "link/link_counters.h"
#include "link/request_ledger.h"
#include "serial/serial_port.h"
#include "toolkit/line_log.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace duruz {

// How a row of the port list is reached.
enum class PortKind : std::uint8_t { Device, Simulator };

// One row of the port list: the name the row starts with, the path that opens it,
// and what is known about the device behind it.
struct PortEntry {
    std::array<char, 32> name{};         // "ttyUSB0", "Simulator"
    std::array<char, 80> path{};         // "/dev/ttyUSB0"
    std::array<char, 96> description{};  // "FTDI FT232R USB UART (A50285BI)", or empty
    std::array<char, 64> serialNumber{}; // the USB serial number, or empty
    std::array<char, 128> sysfsPath{};   // the device's place in the device tree, or empty
    std::array<char, 5> vendorId{};      // the USB vendor ID, "0403", or empty
    std::array<char, 5> productId{};     // the USB product ID, "6001", or empty
    PortKind kind = PortKind::Device;
    // The open port's device went away; the row stays until it comes back.
    bool disconnected = false;
};

constexpr std::size_t kPortTableSize = 100;
constexpr std::size_t kPortPathSize = 80;

// The read time-outs the instrument's port is given: a read returns after a 1 ms
// gap and within n + 1 ms. Write time-outs of 0: a write blocks until taken.
constexpr serial::Timeouts kInstrumentTimeouts{1, 1, 1, 0, 0};

// Where the receive position of the capture stream points: the header buffer,
// one of the 64 sample chunks, or nowhere (just after a frame completed).
constexpr int kRxChunkHeader = -1;
constexpr int kRxChunkCount = 64;

// Which request a received frame answers: the settings generation that request
// went out under, and whether the frame is known to be captured under exactly that
// setting (no setting command was written between the request and the frame's
// first bytes, and a request was outstanding at all).
struct FrameOrigin {
    std::uint32_t generation = 0;
    bool certain = false;
};

// Takes each frame the moment it is complete, before a later byte is stored over
// it. Without one, a complete frame waits in the store (FrameReady) and nothing
// more is received until it has been taken.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void TakeFrame(const CaptureStore& frame, const FrameOrigin& origin) = 0;
};

// The port and the receive state shared by every caller of RequestCapture.
struct SerialLink {
    std::array<PortEntry, kPortTableSize> PortTable{};
    std::uint32_t PortCount = 0;
    std::array<char, kPortPathSize> PortPath{'C', 'O', 'M', '5'};
    // The open port, or nullptr for "no port": before the first open and after a
    // failed one. Never a raw descriptor, so no call can reach standard input.
    serial::SerialPort* PortHandle = nullptr;
    // A port is open. Kept with PortHandle on the link thread; the window, which
    // never holds the port, learns it from the link.
    bool PortOpen = false;
    // The open port refused its configuration, so its own read time-outs may never
    // end: PortRead then waits no longer than kInstrumentTimeouts would let it.
    bool PortUnconfigured = false;

    int RxChunk = kRxChunkHeader; // kRxChunkHeader, 0..63, or kRxChunkCount (past the end)
    std::uint32_t RxCount = 0;
    bool RequestPending = false;
    std::uint32_t RequestDeadline = 0;
    std::uint32_t TickCount = 0;
    std::int32_t TimerInterval = 0;

    // The generation of the last setting command written (range, sync, generator);
    // set by the job that writes it.
    std::uint32_t SettingsGeneration = 0;
    // The requests written and not answered yet; emptied when a port opens.
    RequestLedger Ledger;
    // The request the frame being received answers, decided when its header was accepted.
    FrameOrigin RxOrigin;
    // A frame was given up part way at a request's deadline; the instrument may still
    // be sending its rest, so until the next header is accepted no silence shows that
    // it has moved on to later requests.
    bool FrameCutShort = false;
    // The next capture request waits until then, on the port's clock: the generator
    // settles after a command.
    std::int64_t SettledAtMicros = 0;
    FrameSink* FrameOut = nullptr;
    // The window's last open or close decision that this link has acted on.
    std::uint32_t PortDecision = 0;

    LinkCounters Counters; // cleared by every OpenPort
};

// Hands out the port object behind a row. The provider owns the objects; the
// link only points at the one that is open.
class PortProvider {
public:
    virtual ~PortProvider() = default;
    virtual serial::SerialPort& PortFor(const PortEntry& entry) = 0;
};

// The blocking read and write on whatever port is open; with no port they do
// nothing and the read reports 0 bytes. On an unconfigured port the read is bounded
// as the instrument's time-outs would bound it.
std::size_t PortRead(SerialLink& link, void* buffer, std::size_t count);
// Takes what arrives within ms milliseconds; 0 when the line stayed silent.
std::size_t PortReadWithin(SerialLink& link, void* buffer, std::size_t count, std::uint32_t ms);
void PortWrite(SerialLink& link, const void* data, std::size_t count);
// The open port's clock in microseconds (a simulated line's own), or the steady clock.
std::int64_t PortNowMicros(SerialLink& link);
// Closes the open port, if any, and leaves the link with no port.
void ClosePort(SerialLink& link);

} // namespace duruz
