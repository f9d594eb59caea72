#include "analysis/frequency_sweep.h"

#include "link/commands.h"
#include "link/input_ranges.h"
#include "link/instrument_facts.h"
#include "view/sample_scale.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace duruz {

namespace {

constexpr int kSineRow = 1;
constexpr int kTriggerOnChannel1 = 0;
constexpr int kTriggerRising = 1;
constexpr int kWidestRange = 0;
constexpr int kNarrowestRange = kRangeRows - 1;
// A better range is taken only when the signal, offset included, would fill at most
// this share of it: the noise and the next frame's drift must not clip it.
constexpr double kFillLimit = 0.8;
// Three frames' time on the wire: a request unanswered that long was lost.
constexpr double kRequestAgainSeconds = 2.5;

// The shortest text that reads back as exactly this number.
std::string ExactText(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string("0");
}

double RangeVolts(int row) {
    return double(kInputRanges[static_cast<std::size_t>(row)].volts);
}

} // namespace

Result<std::vector<double>> PlanSweep(const SweepRequest& request) {
    if (request.averageFrames < 1 || request.averageFrames > kMaxAverageFrames)
        return Failure{"averaging takes from 1 to " + std::to_string(kMaxAverageFrames) +
                       " frames a point, not " + std::to_string(request.averageFrames)};
    if (!(request.extraSettleSeconds >= 0.0 &&
          request.extraSettleSeconds <= kMaxExtraSettleSeconds))
        return Failure{"the extra settling time must be from 0 to " +
                       ExactText(kMaxExtraSettleSeconds) + " s, not " +
                       ExactText(request.extraSettleSeconds) + " s"};
    Result<std::vector<double>> plan = PlanFrequencies(request.parameters);
    if (!plan.Ok())
        return plan;
    // The generator takes a 32-bit float: the point is the frequency it really gets.
    std::vector<double> frequencies = plan.Take();
    for (double& hertz : frequencies)
        hertz = double(static_cast<float>(hertz));
    return frequencies;
}

std::string PointStatusText(const SweepPoint& point) {
    const std::string channel = "channel " + std::to_string(point.channel + 1);
    switch (point.status) {
    case PointStatus::Measured:
        return "measured";
    case PointStatus::BelowNoise:
        return "below the noise on " + channel;
    case PointStatus::OutOfRange:
        return "clipped on " + channel + "'s widest range";
    case PointStatus::Unmeasurable:
        return "no probe or range on " + channel;
    }
    return "";
}

Status FrequencySweep::Start(const SweepRequest& request, double now) {
    Result<std::vector<double>> plan = PlanSweep(request);
    if (!plan.Ok())
        return Failure{plan.Reason()};
    Stop();
    request_ = request;
    frequencies_ = plan.Take();
    points_.clear();
    restoreProblem_.clear();
    const ScopeSettings& user = session_.Settings();
    userGenerator_ = user.generator[0];
    userRanges_ = {user.channels[0].rangeRow, user.channels[1].rangeRow};
    userTrigger_ = user.trigger;
    userHold_ = user.hold;
    // The user's own trigger may never fire on the stimulus.
    session_.SetTrigger(kTriggerOnChannel1, kTriggerRising, 0);
    // The sweep asks for each frame itself, so that none is on the wire when the next
    // command goes out: a frame in flight then would cost the point a frame's time.
    session_.SetHold(true);
    // A channel with no range yet starts on the widest, which cannot be harmed.
    for (int c = 0; c < 2; ++c)
        if (userRanges_[static_cast<std::size_t>(c)] < 0)
            session_.SetRange(c, kWidestRange);
    started_ = now;
    SendPoint(now);
    return {};
}

void FrequencySweep::AskForFrame(double now) {
    session_.RequestCapture();
    requestedAt_ = now;
}

void FrequencySweep::SendPoint(double now) {
    const double hertz = frequencies_[points_.size()];
    session_.SetGenerator(
        0, {kSineRow, ExactText(hertz), ExactText(request_.parameters.amplitudeVolts)});
    sensitiveLimit_ = {kNarrowestRange, kNarrowestRange};
    average_ = {};
    voltSums_ = {};
    const bool settles = request_.extraSettleSeconds > 0.0;
    // Without extra settling the frame is asked for at once; the link holds the
    // request back for the generator's settling gap.
    session_.UpdateGenerator(0, !settles);
    requestedAt_ = now;
    phase_ = settles ? Phase::Settling : Phase::Measuring;
    settleUntil_ = now + double(kGeneratorSettleMicros) / 1e6 + request_.extraSettleSeconds;
}

void FrequencySweep::Collected(const SessionOutput& output, double now) {
    if (phase_ == Phase::Settling && now >= settleUntil_) {
        AskForFrame(now);
        phase_ = Phase::Measuring;
        return;
    }
    if (phase_ != Phase::Measuring)
        return;
    if (!output.frameKept) {
        // A request the instrument never answered is not waited on for ever.
        if (now - requestedAt_ >= kRequestAgainSeconds)
            AskForFrame(now);
        return;
    }
    if (Measure())
        FinishPoint(now);
    else
        AskForFrame(now);
}

int FrequencySweep::NextRange(int channel, const ToneFit& fit, int row, PointStatus& done) {
    if (fit.status == ToneStatus::Clipped) {
        if (row == kWidestRange) {
            done = PointStatus::OutOfRange;
            return row;
        }
        sensitiveLimit_[static_cast<std::size_t>(channel)] = row - 1;
        return row - 1;
    }
    // The most sensitive range, up to the limit a clip set, that the signal fits.
    const double peak = std::abs(fit.amplitude) + std::abs(fit.offset);
    int best = row;
    for (int r = row + 1; r <= sensitiveLimit_[static_cast<std::size_t>(channel)]; ++r)
        if (peak * RangeVolts(row) / RangeVolts(r) <= kFillLimit * kFullScaleCount)
            best = r;
    if (fit.status == ToneStatus::TooSmall && best == row)
        done = PointStatus::BelowNoise;
    return best;
}

bool FrequencySweep::Measure() {
    const double hertz = frequencies_[points_.size()];
    const ScopeSettings& under = session_.CapturedUnder();
    const std::array<ToneFit, 2> fits = FitTone(session_.Frame(), hertz);
    SweepPoint point;
    point.hertz = hertz;
    point.probeRows = {under.channels[0].probeRow, under.channels[1].probeRow};
    point.rangeRows = {under.channels[0].rangeRow, under.channels[1].rangeRow};
    bool moved = false;
    for (int c = 0; c < 2 && point.status == PointStatus::Measured; ++c) {
        const ChannelSettings& channel = under.channels[static_cast<std::size_t>(c)];
        const int row =
            NextRange(c, fits[static_cast<std::size_t>(c)], channel.rangeRow, point.status);
        if (point.status != PointStatus::Measured) {
            point.channel = c;
        } else if (row != channel.rangeRow) {
            session_.SetRange(c, row); // the next frame kept is captured on it
            moved = true;
        }
    }
    if (moved && point.status == PointStatus::Measured) {
        average_ = {};
        voltSums_ = {};
        return false;
    }
    if (point.status != PointStatus::Measured) {
        const std::array<ChannelScale, 2> scales{
            {{point.probeRows[0], point.rangeRows[0]}, {point.probeRows[1], point.rangeRows[1]}}};
        for (std::size_t c = 0; c < 2; ++c)
            point.volts[c] =
                fits[c].amplitude * VoltsPerCount(scales[c].probeRow, scales[c].rangeRow);
        point.frames = 1;
        points_.push_back(point);
        return true;
    }
    const ResponseMeasurement measured =
        MeasureResponse(session_.Frame(), hertz,
                        {{{under.channels[0].probeRow, under.channels[0].rangeRow},
                          {under.channels[1].probeRow, under.channels[1].rangeRow}}});
    if (measured.status != ToneStatus::Valid) {
        // No scale to turn its counts into volts: no probe or range chosen.
        point.status = PointStatus::Unmeasurable;
        point.channel = measured.channel;
        points_.push_back(point);
        return true;
    }
    average_.Add(measured.ratio);
    voltSums_[0] += measured.volts[0];
    voltSums_[1] += measured.volts[1];
    if (average_.count < request_.averageFrames)
        return false;
    const CalibrationCurve* curve = CurveFor(request_.calibration, point.rangeRows);
    point.ratio = curve ? Calibrated(average_.Mean(), curve->points, hertz) : average_.Mean();
    if (curve)
        point.calibrationRows = curve->rangeRows;
    point.volts = {voltSums_[0] / double(average_.count), voltSums_[1] / double(average_.count)};
    point.frames = average_.count;
    points_.push_back(point);
    return true;
}

void FrequencySweep::FinishPoint(double now) {
    if (points_.size() == frequencies_.size()) {
        Restore();
        return;
    }
    SendPoint(now);
}

void FrequencySweep::Stop() {
    if (phase_ != Phase::Idle)
        Restore();
}

void FrequencySweep::Restore() {
    phase_ = Phase::Idle;
    session_.SetGenerator(0, userGenerator_);
    try {
        session_.UpdateGenerator(0);
    } catch (const std::exception& error) {
        restoreProblem_ = "generator A's own frequency or amplitude is not a number (" +
                          std::string(error.what()) + "): it stays on the sweep's sine";
    }
    for (int c = 0; c < 2; ++c)
        session_.SetRange(c, userRanges_[static_cast<std::size_t>(c)]);
    session_.SetTrigger(userTrigger_.sourceRow, userTrigger_.polarityRow, userTrigger_.levelBar);
    session_.SetHold(userHold_);
}

SweepProgress FrequencySweep::Progress(double now) const {
    SweepProgress progress;
    progress.done = int(points_.size());
    progress.total = int(frequencies_.size());
    if (progress.done > 0)
        progress.secondsLeft =
            (now - started_) / progress.done * double(progress.total - progress.done);
    return progress;
}

SweepReadouts ReadSweepPoints(std::span<const SweepPoint> points) {
    std::vector<ResponsePoint> sweep;
    for (const SweepPoint& point : points)
        sweep.push_back({point.hertz, point.ratio, point.status == PointStatus::Measured});
    return ReadSweep(sweep);
}

} // namespace duruz
