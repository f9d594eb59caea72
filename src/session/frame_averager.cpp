#include "session/frame_averager.h"

#include <algorithm>

namespace duruz {

int NextAveragingFrames(int frames) {
    const auto* at = std::find(std::begin(kAveragingSteps), std::end(kAveragingSteps), frames);
    if (at == std::end(kAveragingSteps) || at + 1 == std::end(kAveragingSteps))
        return kAveragingSteps[0];
    return at[1];
}

void FrameAverager::Choose(AveragingChoice choice) {
    choice_ = choice;
    Restart();
}

void FrameAverager::Restart() {
    filled_ = 0;
    average_.frames = 0;
}

// What changes the samples: the window's place, the traces shown and the probe
// (which only relabels volts) do not.
bool FrameAverager::SameCapture(const ScopeSettings& capturedUnder,
                                std::uint32_t generation) const {
    const ScopeSettings& a = settings_;
    const ScopeSettings& b = capturedUnder;
    return generation == generation_ && a.sweepRow == b.sweepRow &&
           a.channels[0].rangeRow == b.channels[0].rangeRow &&
           a.channels[1].rangeRow == b.channels[1].rangeRow && a.trigger == b.trigger &&
           a.generator == b.generator && a.port.path == b.port.path;
}

bool FrameAverager::Add(const CaptureStore& frame, const ScopeSettings& capturedUnder,
                        std::uint32_t generation) {
    if (!choice_.On())
        return false;
    if (!SameCapture(capturedUnder, generation) || (filled_ == 0 && average_.frames == 0)) {
        Restart();
        settings_ = capturedUnder;
        generation_ = generation;
    }
    const int n = choice_.frames;
    if (choice_.mode == AveragingMode::Running) {
        // The plain mean until N frames are in, then each frame weighs 1/N.
        filled_ = std::min(filled_ + 1, n);
        const float weight = 1.0f / float(filled_);
        for (std::size_t i = 0; i < frame.CaptureBuffer.size(); ++i) {
            const float sample = frame.CaptureBuffer[i];
            float& mean = average_.samples[i];
            mean = filled_ == 1 ? sample : mean + (sample - mean) * weight;
        }
        average_.frames = filled_;
        average_.pointCount = FramePoints(frame);
        return true;
    }
    if (filled_ == n)
        filled_ = 0;
    for (std::size_t i = 0; i < frame.CaptureBuffer.size(); ++i)
        sum_.samples[i] = (filled_ == 0 ? 0.0f : sum_.samples[i]) + float(frame.CaptureBuffer[i]);
    sum_.pointCount =
        std::min(filled_ == 0 ? FramePoints(frame) : sum_.pointCount, FramePoints(frame));
    if (++filled_ < n)
        return false;
    // Sums of up to 64 counts are whole numbers well within a float's exact range.
    const float scale = 1.0f / float(n);
    for (std::size_t i = 0; i < sum_.samples.size(); ++i)
        average_.samples[i] = sum_.samples[i] * scale;
    average_.pointCount = sum_.pointCount;
    average_.frames = n;
    return true;
}

std::string FrameAverager::ProgressText() const {
    if (!choice_.On())
        return {};
    const std::string total = std::to_string(choice_.frames);
    if (choice_.mode == AveragingMode::Running && filled_ == choice_.frames)
        return "avg " + total;
    return "avg " + std::to_string(filled_) + "/" + total;
}

} // namespace duruz
