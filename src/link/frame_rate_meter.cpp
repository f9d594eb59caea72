#include "link/frame_rate_meter.h"

#include <algorithm>

namespace duruz {

void FrameRateMeter::Reset(std::int64_t nowMs, std::uint32_t framesReceived) {
    next_ = 0;
    count_ = 0;
    startMs_ = nowMs;
    seen_ = framesReceived;
}

void FrameRateMeter::Follow(std::uint32_t framesReceived, std::int64_t nowMs) {
    if (framesReceived < seen_)
        seen_ = 0;
    for (; seen_ < framesReceived; ++seen_)
        AddFrame(nowMs);
}

void FrameRateMeter::AddFrame(std::int64_t nowMs) {
    times_[next_] = nowMs;
    next_ = (next_ + 1) % kCapacity;
    count_ = std::min(count_ + 1, kCapacity);
}

double FrameRateMeter::Rate(std::int64_t nowMs) const {
    const std::int64_t span = std::min(kWindowMs, nowMs - startMs_);
    if (span <= 0)
        return 0.0;
    std::size_t inWindow = 0;
    for (std::size_t i = 0; i < count_; ++i)
        if (times_[i] > nowMs - span && times_[i] <= nowMs)
            ++inWindow;
    return static_cast<double>(inWindow) * 1000.0 / static_cast<double>(span);
}

} // namespace duruz
