#include "sim/simulator_port.h"

#include "serial/read_deadline.h"

#include <algorithm>
#include <array>

namespace sim {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;

// Wire time of k bytes in microseconds, rounded up: when the k-th has fully arrived.
std::int64_t WireMicros(std::uint64_t k) {
    return std::int64_t(
        (k * SimulatorPort::kBitsPerByte * kMicrosPerSecond + SimulatorPort::kWireBaud - 1) /
        SimulatorPort::kWireBaud);
}

} // namespace

SimulatorPort::SimulatorPort(SimClock& clock, const InstrumentOptions& options)
    : clock_(clock), instrument_(options), paced_(options.paced),
      captureMicros_(options.paced ? std::int64_t(options.captureMs) * 1000 : 0),
      usbLatencyMicros_(options.paced ? std::int64_t(options.usbLatencyMs) * 1000 : 0) {
    settings_.baudRate = kWireBaud;
}

serial::OpenResult SimulatorPort::Open(const char*) {
    Close();
    open_ = true;
    timeouts_ = serial::Timeouts{};
    origin_ = clock_.NowMicros();
    sent_ = 0;
    lastArrival_ = origin_;
    answerScheduled_ = false;
    packetFill_ = 0;
    return {serial::OpenStatus::Opened, 0};
}

bool SimulatorPort::GetSettings(serial::LineSettings& settings) {
    if (!open_)
        return false;
    settings = settings_;
    return true;
}

bool SimulatorPort::SetSettings(const serial::LineSettings& settings) {
    if (!open_)
        return false;
    settings_ = settings;
    return true;
}

bool SimulatorPort::SetTimeouts(const serial::Timeouts& timeouts) {
    if (!open_)
        return false;
    timeouts_ = timeouts;
    return true;
}

void SimulatorPort::Close() {
    if (!open_)
        return;
    open_ = false;
    // What was on its way is lost with the line; the instrument keeps its settings.
    received_.Clear();
    packetFill_ = 0;
    std::array<std::uint8_t, 256> scrap;
    for (;;) {
        if (instrument_.TakeOutput(scrap.data(), scrap.size()) > 0)
            continue;
        if (!instrument_.AtStall())
            break;
        instrument_.EndStall();
    }
}

std::int64_t SimulatorPort::LineTime(std::uint64_t k) const {
    return paced_ ? origin_ + WireMicros(k) : origin_;
}

std::size_t SimulatorPort::LineBytesAvailable() const {
    return std::min(instrument_.OutputAvailable(), instrument_.OutputBeforeNextAnswer());
}

std::int64_t SimulatorPort::PacketDue() const {
    return packetFill_ == kUsbPacketBytes ? lastWireByte_ : lastWireByte_ + usbLatencyMicros_;
}

void SimulatorPort::DeliverPacket(std::int64_t at) {
    received_.Push(packet_.data(), packetFill_);
    packetFill_ = 0;
    lastArrival_ = at;
}

void SimulatorPort::Advance(std::int64_t now) {
    const bool packets = usbLatencyMicros_ > 0;
    for (;;) {
        std::int64_t requestArrived = 0;
        if (paced_ && !answerScheduled_ && instrument_.AtAnswerStart(requestArrived)) {
            // The instrument reaches a request once the frames before it are out,
            // and captures before it answers.
            origin_ = std::max(requestArrived, LineTime(sent_)) + captureMicros_;
            sent_ = 0;
            answerScheduled_ = true;
        }
        const std::size_t available = LineBytesAvailable();
        if (available == 0 && instrument_.AtStall()) {
            // The line goes quiet for the stall after the last byte before it.
            origin_ = LineTime(sent_) + std::int64_t(instrument_.StallMs()) * 1000;
            sent_ = 0;
            instrument_.EndStall();
            continue;
        }
        const std::int64_t next = available == 0 ? kNever : LineTime(sent_ + 1);
        // A byte that comes in just as the latency timer runs out is too late for it.
        const bool packetDue = packetFill_ > 0 && PacketDue() <= std::min(now, next);
        if (packetDue && received_.Free() >= packetFill_) {
            DeliverPacket(PacketDue());
            continue;
        }
        if (next > now)
            return;
        const std::size_t room =
            packets ? (packetDue ? 0 : kUsbPacketBytes - packetFill_) : received_.Free();
        if (room == 0) {
            // Held back by handshaking: the line resumes from now.
            origin_ = now;
            sent_ = 0;
            return;
        }
        const std::uint64_t arrived =
            paced_ ? std::uint64_t(now - origin_) * kWireBaud / (kBitsPerByte * kMicrosPerSecond)
                   : UINT64_MAX;
        std::array<std::uint8_t, 512> piece;
        std::size_t count =
            std::size_t(std::min<std::uint64_t>({arrived - sent_, available, room, piece.size()}));
        count = instrument_.TakeOutput(piece.data(), count);
        answerScheduled_ = false;
        sent_ += count;
        if (packets) {
            std::copy_n(piece.begin(), count, packet_.begin() + std::ptrdiff_t(packetFill_));
            packetFill_ += count;
            lastWireByte_ = LineTime(sent_);
        } else {
            received_.Push(piece.data(), count);
            lastArrival_ = LineTime(sent_);
        }
    }
}

std::int64_t SimulatorPort::NextArrival() const {
    const std::size_t available = LineBytesAvailable();
    if (usbLatencyMicros_ == 0)
        return available == 0 ? kNever : LineTime(sent_ + 1);
    if (available == 0)
        return packetFill_ > 0 ? PacketDue() : kNever;
    if (packetFill_ > 0 && PacketDue() <= LineTime(sent_ + 1))
        return PacketDue();
    // The packet fills, or the line goes quiet before it does.
    return LineTime(sent_ + std::min(available, kUsbPacketBytes - packetFill_));
}

std::size_t SimulatorPort::Read(void* buffer, std::size_t count) {
    return ReadWith(timeouts_, buffer, count);
}

std::size_t SimulatorPort::ReadWithin(void* buffer, std::size_t count, std::uint32_t ms) {
    return ReadWith(serial::Timeouts{ms, 0, ms, 0, 0}, buffer, count);
}

std::size_t SimulatorPort::ReadWith(const serial::Timeouts& t, void* buffer, std::size_t count) {
    if (!open_ || count == 0 || interrupted_.load())
        return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::int64_t start = clock_.NowMicros();
    const serial::ReadDeadline readDeadline = serial::ReadDeadline::For(t, count, start);

    std::size_t got = 0;
    std::int64_t lastByte = start;
    std::int64_t now = start;
    for (;;) {
        Advance(now);
        std::size_t taken = received_.Pop(out + got, count - got);
        if (taken > 0) {
            got += taken;
            // Bytes already waiting count as received when the read began.
            lastByte = std::max(lastArrival_, start);
        }
        if (got == count || readDeadline.immediate || interrupted_.load())
            return got;

        const std::int64_t deadline = readDeadline.WaitEnd(got, lastByte);
        const std::int64_t next = NextArrival();
        // Nothing will come and no time-out ends the wait: a real port would block
        // for ever; the model cannot change its mind, so return.
        if (next == kNever && deadline == kNever)
            return got;
        if (next > deadline) {
            clock_.SleepUntil(deadline);
            return got;
        }
        // Sleep until the read can be filled or the bytes in sight have run out;
        // packets come one at a time.
        const std::size_t inSight = std::min({count - got, LineBytesAvailable(), received_.Free()});
        clock_.SleepUntil(
            std::min(usbLatencyMicros_ > 0 ? next : LineTime(sent_ + inSight), deadline));
        now = clock_.NowMicros();
    }
}

std::size_t SimulatorPort::Write(const void* data, std::size_t count) {
    if (!open_ || interrupted_.load())
        return 0;
    const std::int64_t now = clock_.NowMicros();
    Advance(now);
    // Byte by byte, so that each request carries the time its last byte arrived.
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i)
        instrument_.Receive(bytes + i, 1, paced_ ? now + WireMicros(i + 1) : now);
    return count;
}

} // namespace sim
