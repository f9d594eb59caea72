#pragma once

#include "serial/serial_port.h"
#include "sim/byte_ring.h"
#include "sim/sim_clock.h"
#include "sim/simulated_instrument.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sim {

// The simulated instrument behind the serial interface, in-process. Writes reach
// the model at the wire rate of 115200 baud, ten bits a byte. It answers each
// capture request, in order, once it has sent the frames before it and then spent
// the capture time (InstrumentOptions::captureMs); the answer comes back at the
// wire rate, so one frame takes about 0.722 s, and reads keep the Win32 time-out
// rules. With a USB latency (InstrumentOptions::usbLatencyMs) the bytes reach the
// reader in packets, as through a USB serial adapter. Unpaced
// (InstrumentOptions::paced false), the answer is there at once: no line time, no
// capture time, no packets. Bytes that have arrived wait in a receive buffer of
// 4,096 bytes, like a driver's; when it is full the model holds its output back,
// as under RTS handshaking.
class SimulatorPort : public serial::SerialPort {
public:
    static constexpr std::uint32_t kWireBaud = 115200;
    static constexpr std::uint32_t kBitsPerByte = 10; // start, 8 data, stop
    static constexpr std::size_t kReceiveBufferBytes = 4096;
    // The payload of one USB packet from the adapter (64 bytes less 2 of modem status).
    static constexpr std::size_t kUsbPacketBytes = 62;

    explicit SimulatorPort(SimClock& clock, const InstrumentOptions& options = {});

    serial::OpenResult Open(const char* path) override;
    bool IsOpen() const override { return open_; }
    bool GetSettings(serial::LineSettings& settings) override;
    void ClearErrors() override {}
    bool SetSettings(const serial::LineSettings& settings) override;
    bool SetTimeouts(const serial::Timeouts& timeouts) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) override;
    std::size_t Write(const void* data, std::size_t count) override;
    void Close() override;
    void Interrupt() override { interrupted_.store(true); }
    std::int64_t NowMicros() override { return clock_.NowMicros(); }

    const serial::Timeouts& Timeouts() const { return timeouts_; }
    // The model itself, for its settings and for fault injection.
    SimulatedInstrument& Instrument() { return instrument_; }

private:
    std::size_t ReadWith(const serial::Timeouts& timeouts, void* buffer, std::size_t count);
    // Time on the line of the k-th byte counted from origin_: when it has fully arrived.
    std::int64_t LineTime(std::uint64_t k) const;
    // Moves every byte that has arrived by now into the receive buffer.
    void Advance(std::int64_t now);
    // When the next byte reaches the receive buffer, or kNever. With USB packets it
    // may be only the next moment to look again (where the line goes quiet).
    std::int64_t NextArrival() const;
    // The model's output that can go on the line without a pause: up to a stall or
    // the start of the next answer.
    std::size_t LineBytesAvailable() const;
    // When the packet being filled goes to the receive buffer if no byte comes first.
    std::int64_t PacketDue() const;
    void DeliverPacket(std::int64_t at);

    static constexpr std::int64_t kNever = INT64_MAX;

    SimClock& clock_;
    SimulatedInstrument instrument_;
    bool paced_;
    std::int64_t captureMicros_;    // 0 unpaced
    std::int64_t usbLatencyMicros_; // 0: no packets
    bool open_ = false;
    serial::LineSettings settings_{};
    serial::Timeouts timeouts_{};
    ByteRing<kReceiveBufferBytes> received_;
    std::int64_t origin_ = 0;      // the line's time origin for the bytes in flight
    std::uint64_t sent_ = 0;       // bytes taken from the model since origin_
    std::int64_t lastArrival_ = 0; // when the last byte reached the receive buffer
    // The answer at the front of the model's output has its start in origin_.
    bool answerScheduled_ = false;
    std::array<std::uint8_t, kUsbPacketBytes> packet_{};
    std::size_t packetFill_ = 0;
    std::int64_t lastWireByte_ = 0; // when the last byte came in on the line
    // Set from another thread to end the wait of a read; a wait lasts one read
    // time-out at most, so the flag is looked at between waits.
    std::atomic<bool> interrupted_{false};
};

} // namespace sim
