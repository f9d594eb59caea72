#include "sim/simulator_port.h"

#include <algorithm>
#include <array>

namespace sim {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

} // namespace

SimulatorPort::SimulatorPort(SimClock& clock, const InstrumentOptions& options, bool paced)
    : clock_(clock), instrument_(options), paced_(paced) {
    settings_.baudRate = kWireBaud;
}

serial::OpenResult SimulatorPort::Open(const char*) {
    Close();
    open_ = true;
    timeouts_ = serial::Timeouts{};
    origin_ = clock_.NowMicros();
    sent_ = 0;
    lastArrival_ = origin_;
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
    if (!paced_)
        return origin_;
    const std::uint64_t micros = (k * kBitsPerByte * kMicrosPerSecond + kWireBaud - 1) / kWireBaud;
    return origin_ + std::int64_t(micros);
}

void SimulatorPort::Advance(std::int64_t now) {
    for (;;) {
        std::size_t available = instrument_.OutputAvailable();
        if (available == 0) {
            if (!instrument_.AtStall())
                return;
            // The line goes quiet for the stall after the last byte before it.
            origin_ = LineTime(sent_) + std::int64_t(instrument_.StallMs()) * 1000;
            sent_ = 0;
            instrument_.EndStall();
            continue;
        }
        if (now < origin_)
            return;
        std::uint64_t arrived =
            paced_ ? std::uint64_t(now - origin_) * kWireBaud / (kBitsPerByte * kMicrosPerSecond)
                   : UINT64_MAX;
        if (arrived <= sent_)
            return;
        if (received_.Free() == 0) {
            // Held back by handshaking: the line resumes from now.
            origin_ = now;
            sent_ = 0;
            return;
        }
        std::size_t count =
            std::size_t(std::min<std::uint64_t>({arrived - sent_, available, received_.Free()}));
        std::array<std::uint8_t, 512> piece;
        count = std::min(count, piece.size());
        count = instrument_.TakeOutput(piece.data(), count);
        received_.Push(piece.data(), count);
        sent_ += count;
        lastArrival_ = LineTime(sent_);
    }
}

std::int64_t SimulatorPort::NextArrival() const {
    if (instrument_.OutputAvailable() == 0)
        return kNever;
    return LineTime(sent_ + 1);
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
    const bool immediate =
        t.readIntervalMs == kMaxDword && t.readTotalMultiplierMs == 0 && t.readTotalConstantMs == 0;
    const std::int64_t start = clock_.NowMicros();
    const std::uint64_t totalMs =
        std::uint64_t(t.readTotalMultiplierMs) * count + t.readTotalConstantMs;
    const std::int64_t totalDeadline = totalMs == 0 ? kNever : start + std::int64_t(totalMs) * 1000;
    const std::int64_t interval =
        (t.readIntervalMs == 0 || immediate) ? 0 : std::int64_t(t.readIntervalMs) * 1000;

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
        if (got == count || immediate || interrupted_.load())
            return got;

        std::int64_t deadline = totalDeadline;
        if (got > 0 && interval > 0)
            deadline = std::min(deadline, lastByte + interval);
        const std::int64_t next = NextArrival();
        // Nothing will come and no time-out ends the wait: a real port would block
        // for ever; the model cannot change its mind, so return.
        if (next == kNever && deadline == kNever)
            return got;
        if (next > deadline) {
            clock_.SleepUntil(deadline);
            return got;
        }
        // Sleep until the read can be filled or the bytes in sight have run out.
        const std::size_t inSight =
            std::min({count - got, instrument_.OutputAvailable(), received_.Free()});
        clock_.SleepUntil(std::min(LineTime(sent_ + inSight), deadline));
        now = clock_.NowMicros();
    }
}

std::size_t SimulatorPort::Write(const void* data, std::size_t count) {
    if (!open_ || interrupted_.load())
        return 0;
    const std::int64_t now = clock_.NowMicros();
    Advance(now);
    if (instrument_.OutputAvailable() == 0) {
        // An idle line: the answer starts once the command has reached the instrument.
        const std::int64_t reached =
            now + (paced_ ? std::int64_t((count * kBitsPerByte * kMicrosPerSecond + kWireBaud - 1) /
                                         kWireBaud)
                          : 0);
        origin_ = std::max(reached, LineTime(sent_));
        sent_ = 0;
    }
    instrument_.Receive(static_cast<const std::uint8_t*>(data), count);
    return count;
}

} // namespace sim
