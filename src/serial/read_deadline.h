#pragma once

#include "serial/serial_port.h"

#include <cstddef>
#include <cstdint>

namespace serial {

// When a read of n bytes under Timeouts stops waiting, on a clock in microseconds:
// once n bytes are in, at the first gap longer than the interval after the first
// byte, or at the total bound, whichever comes first. Each port that waits for bytes
// works its waits out here.
struct ReadDeadline {
    static constexpr std::int64_t kNever = INT64_MAX;
    // Caps a total bound (about 35 years) so that the sum in microseconds cannot overflow.
    static constexpr std::uint64_t kMaxTotalMs = std::uint64_t(1) << 40;

    // Win32's "return at once with whatever is there": no wait at all.
    bool immediate = false;
    std::int64_t totalEnd = kNever;
    std::int64_t gapMicros = 0; // 0: no gap ends the read

    static ReadDeadline For(const Timeouts& timeouts, std::size_t count, std::int64_t startMicros);

    // When the wait for more bytes ends, with `got` bytes in and the last of them in at
    // lastByteMicros (kNever: no end).
    std::int64_t WaitEnd(std::size_t got, std::int64_t lastByteMicros) const {
        if (got > 0 && gapMicros > 0 && lastByteMicros + gapMicros < totalEnd)
            return lastByteMicros + gapMicros;
        return totalEnd;
    }
};

// The end of a total bound of totalMs from startMicros; kNever for 0, which means none.
inline std::int64_t TotalBoundEnd(std::int64_t startMicros, std::uint64_t totalMs) {
    if (totalMs == 0)
        return ReadDeadline::kNever;
    if (totalMs > ReadDeadline::kMaxTotalMs)
        totalMs = ReadDeadline::kMaxTotalMs;
    return startMicros + std::int64_t(totalMs) * 1000;
}

inline ReadDeadline ReadDeadline::For(const Timeouts& t, std::size_t count,
                                      std::int64_t startMicros) {
    constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;
    ReadDeadline deadline;
    deadline.immediate =
        t.readIntervalMs == kMaxDword && t.readTotalMultiplierMs == 0 && t.readTotalConstantMs == 0;
    deadline.totalEnd = TotalBoundEnd(startMicros, std::uint64_t(t.readTotalMultiplierMs) * count +
                                                       t.readTotalConstantMs);
    if (t.readIntervalMs != 0 && !deadline.immediate)
        deadline.gapMicros = std::int64_t(t.readIntervalMs) * 1000;
    return deadline;
}

} // namespace serial
