#include "app/recording_control.h"

#include "app/version.h"

#include <cstdio>

namespace duruz {

Status RecordingControl::Start(const std::string& path, const InstrumentSession& session,
                               std::int64_t nowMs) {
    Result<std::unique_ptr<SessionRecorder>> created =
        SessionRecorder::Create(path, DURUZ_VERSION, session, true);
    if (!created.Ok())
        return Failure{created.Reason()};
    recorder_ = created.Take();
    startedMs_ = nowMs;
    return {};
}

Status RecordingControl::Follow(const InstrumentSession& session, const SessionOutput& output,
                                bool averaging, const FloatFrame* newAverage) {
    if (!recorder_)
        return {};
    const Status followed = averaging ? recorder_->FollowAveraged(session, output, newAverage)
                                      : recorder_->Follow(session, output);
    if (!followed.Ok())
        recorder_.reset();
    return followed;
}

std::string RecordingControl::Stop() {
    if (!recorder_)
        return {};
    const std::string line = "Recording ended: " + std::to_string(recorder_->Frames()) +
                             " frames in " + recorder_->Path();
    recorder_.reset();
    return line;
}

std::string RecordingControl::IndicatorText(std::int64_t nowMs) const {
    if (!recorder_)
        return {};
    const double bytes = static_cast<double>(recorder_->Bytes());
    const std::int64_t seconds = nowMs > startedMs_ ? (nowMs - startedMs_) / 1000 : 0;
    char text[96];
    std::snprintf(text, sizeof text, "Recording: %llu frames, %.1f %s, %lld:%02lld:%02lld",
                  static_cast<unsigned long long>(recorder_->Frames()),
                  bytes < 1e6 ? bytes / 1e3 : bytes / 1e6, bytes < 1e6 ? "kB" : "MB",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

std::string RecordingControl::Path() const {
    return recorder_ ? recorder_->Path() : std::string();
}

} // namespace duruz
