#pragma once

#include "link/capture_store.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace duruz {

// The instrument settings a frame was drawn under, as six numbers in the order a
// simulator started with --mark-settings writes them into the first three sample
// pairs of each frame: range of input 1 and 2; trigger position and level as sent;
// source * 2 + polarity; generator A's waveform code * 16 + generator B's.
using SettingMarks = std::array<int, 6>;

// With a path, a line per frame drawn: "frame", the time on the steady clock in ms,
// the frame's six marks, "drawn", and the window's six; so a soak run can check that no frame was
// drawn under settings it was not captured under. When it closes, "answer" and the median, 95th
// percentile and maximum of how late a 20 ms timer on the window's thread fired, in ms.
class FrameTrace {
public:
    explicit FrameTrace(const std::string& path);
    ~FrameTrace();
    FrameTrace(const FrameTrace&) = delete;
    FrameTrace& operator=(const FrameTrace&) = delete;

    bool Enabled() const { return file_ != nullptr; }
    void FrameDrawn(const CaptureStore& frame, const SettingMarks& drawn);
    // The 20 ms probe fired now.
    void ProbeFired();

    static constexpr int kProbeMs = 20;

private:
    std::FILE* file_ = nullptr;
    std::int64_t lastProbe_ = -1;
    // Lateness in steps of 0.1 ms, the last step holding everything beyond; fixed, so
    // a long run's memory does not grow with it.
    std::array<std::uint32_t, 5000> lateness_{};
    std::uint64_t probes_ = 0;
    double latest_ = 0; // the largest lateness, in ms
};

} // namespace duruz
