#pragma once

#include "serial/serial_port.h"
#include "sim/byte_ring.h"
#include "sim/sim_clock.h"
#include "sim/simulated_instrument.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sim {

// The simulated instrument behind the serial interface, in-process. Writes go
// straight to the model; its answer comes back at the wire rate of 115200 baud,
// ten bits a byte, so one frame takes about 0.722 s, and reads keep the Win32
// time-out rules. Unpaced, the answer is there at once. Bytes that have arrived
// wait in a receive buffer of 4,096 bytes, like a driver's; when it is full the
// model holds its output back, as under RTS handshaking.
class SimulatorPort : public serial::SerialPort {
public:
    static constexpr std::uint32_t kWireBaud = 115200;
    static constexpr std::uint32_t kBitsPerByte = 10; // start, 8 data, stop
    static constexpr std::size_t kReceiveBufferBytes = 4096;

    explicit SimulatorPort(SimClock& clock, const InstrumentOptions& options = {},
                           bool paced = true);

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
    // When the next byte arrives, or kNever.
    std::int64_t NextArrival() const;

    static constexpr std::int64_t kNever = INT64_MAX;

    SimClock& clock_;
    SimulatedInstrument instrument_;
    bool paced_;
    bool open_ = false;
    serial::LineSettings settings_{};
    serial::Timeouts timeouts_{};
    ByteRing<kReceiveBufferBytes> received_;
    std::int64_t origin_ = 0; // the line's time origin for the bytes in flight
    std::uint64_t sent_ = 0;  // bytes taken from the model since origin_
    std::int64_t lastArrival_ = 0;
    // Set from another thread to end the wait of a read; a wait lasts one read
    // time-out at most, so the flag is looked at between waits.
    std::atomic<bool> interrupted_{false};
};

} // namespace sim
