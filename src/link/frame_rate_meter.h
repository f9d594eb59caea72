#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace duruz {

// Frames per second over the last five seconds, from the times (in ms, any
// monotonic origin) at which frames arrived. A fixed ring: no allocation, and a
// rate above kCapacity / 5 s reads as that ceiling.
class FrameRateMeter {
public:
    static constexpr std::size_t kCapacity = 64;
    static constexpr std::int64_t kWindowMs = 5000;

    // Forgets every frame; the window starts at nowMs (a port just opened), and the
    // link's count of frames received stands at framesReceived.
    void Reset(std::int64_t nowMs, std::uint32_t framesReceived = 0);
    void AddFrame(std::int64_t nowMs);
    // Adds the frames the link's count has gained since the last look, at nowMs. A
    // count that went down was cleared: it is followed again from zero.
    void Follow(std::uint32_t framesReceived, std::int64_t nowMs);
    // Frames in (now - 5 s, now] divided by the window, or by the time since the
    // reset while that is shorter, so the first seconds read true.
    double Rate(std::int64_t nowMs) const;

private:
    std::array<std::int64_t, kCapacity> times_{};
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    std::int64_t startMs_ = 0;
    std::uint32_t seen_ = 0; // the link's count at the last look
};

} // namespace duruz
