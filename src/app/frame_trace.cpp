#include "app/frame_trace.h"

#include "serial/steady_time.h"

#include <algorithm>

namespace duruz {

FrameTrace::FrameTrace(const std::string& path) {
    if (path.empty())
        return;
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr)
        std::perror(path.c_str());
}

FrameTrace::~FrameTrace() {
    if (file_ == nullptr)
        return;
    // The lateness below which the given share of the probes fell.
    const auto at = [this](double share) {
        const double wanted = share * double(probes_);
        std::uint64_t counted = 0;
        for (std::size_t step = 0; step < lateness_.size(); ++step) {
            counted += lateness_[step];
            if (double(counted) >= wanted && counted > 0)
                return double(step + 1) / 10.0;
        }
        return 0.0;
    };
    std::fprintf(file_, "answer %.1f %.1f %.1f\n", at(0.5), at(0.95), latest_);
    std::fclose(file_);
}

void FrameTrace::FrameDrawn(const CaptureStore& frame, const SettingMarks& drawn) {
    if (file_ == nullptr)
        return;
    std::fprintf(file_, "frame %lld", static_cast<long long>(serial::SteadyMicros() / 1000));
    for (std::size_t pair = 0; pair < 3; ++pair)
        std::fprintf(file_, " %d %d", frame.Sample(pair, 0), frame.Sample(pair, 1));
    std::fprintf(file_, " drawn");
    for (const int mark : drawn)
        std::fprintf(file_, " %d", mark);
    std::fprintf(file_, "\n");
    std::fflush(file_);
}

void FrameTrace::ProbeFired() {
    const std::int64_t nowMicros = serial::SteadyMicros();
    if (lastProbe_ >= 0) {
        const double late = std::max(0.0, double(nowMicros - lastProbe_) / 1000.0 - kProbeMs);
        const auto step = std::min<std::size_t>(std::size_t(late * 10.0), lateness_.size() - 1);
        ++lateness_[step];
        ++probes_;
        latest_ = std::max(latest_, late);
    }
    lastProbe_ = nowMicros;
}

} // namespace duruz
