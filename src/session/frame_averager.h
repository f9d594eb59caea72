#pragma once

#include "link/capture_store.h"
#include "session/scope_settings.h"
#include "view/float_frame.h"

#include <cstdint>
#include <string>

namespace duruz {

enum class AveragingMode {
    Block,  // shows the mean of N frames once they are in, then starts the next block
    Running // an exponential average, shown from the first frame on
};

// The user's choice: 0 for off, or 2, 4, 8, 16, 32 or 64 frames.
struct AveragingChoice {
    int frames = 0;
    AveragingMode mode = AveragingMode::Block;

    bool On() const { return frames >= 2; }
    bool operator==(const AveragingChoice&) const = default;
};

// The frame counts the user picks from, off first.
constexpr int kAveragingSteps[] = {0, 2, 4, 8, 16, 32, 64};
// The next count after the choice's, off after 64.
int NextAveragingFrames(int frames);

// Averages the frames kept, in floating point, over fixed storage. Only frames
// captured under the same instrument settings go into one average: a change of
// range, sweep, trigger, generator or port, or a new settings generation, starts
// a new one.
class FrameAverager {
public:
    // A new choice starts a new average.
    void Choose(AveragingChoice choice);
    const AveragingChoice& Choice() const { return choice_; }
    // Forgets every frame taken.
    void Restart();
    // Takes a frame kept, with the settings and the settings generation it was
    // captured under; true when it completed an average to show (a block, or each
    // frame when running). Nothing is taken while averaging is off.
    bool Add(const CaptureStore& frame, const ScopeSettings& capturedUnder,
             std::uint32_t generation);

    // An average to show: in block mode once a block is complete (the last one
    // until the next completes), in running mode from the first frame.
    bool Ready() const { return choice_.On() && average_.frames > 0; }
    const FloatFrame& Average() const { return average_; }
    // Frames in the block filling (block) or in the average, at most N (running).
    int Filled() const { return filled_; }
    // "avg k/N" while a block or the running start fills, "avg N" once running is
    // full; empty when off.
    std::string ProgressText() const;

private:
    bool SameCapture(const ScopeSettings& capturedUnder, std::uint32_t generation) const;

    AveragingChoice choice_;
    FloatFrame sum_;     // the block filling
    FloatFrame average_; // what is shown
    int filled_ = 0;
    ScopeSettings settings_; // what the frames taken were captured under
    std::uint32_t generation_ = 0;
};

} // namespace duruz
