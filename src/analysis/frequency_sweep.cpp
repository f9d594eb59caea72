#include "analysis/frequency_sweep.h"

#include "link/commands.h"
#include "link/input_ranges.h"
#include "link/instrument_facts.h"
#include "view/sample_scale.h"

#include <algorithm>
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
// A range visit fills channel 2's range this much: clear of a clip, far above the noise.
constexpr double kVisitFill = 0.6;
// On a visit channel 1 keeps its range; below this share of it its own noise would
// weigh on the ratio more than the range it is measured against.
constexpr double kMinChannel1Fill = 0.1;
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
        return "below the noise on " + channel + (point.rangeVisit ? " on the range visited" : "");
    case PointStatus::OutOfRange:
        return point.rangeVisit ? "clipped on " + channel + " on the range visited"
                                : "clipped on " + channel + "'s widest range";
    case PointStatus::Unmeasurable:
        return "no probe or range on " + channel;
    }
    return "";
}

std::vector<RangeVisit> RangeVisits(std::array<int, 2> probeRows, std::array<int, 2> rangeRows) {
    std::vector<RangeVisit> visits;
    for (std::size_t c = 0; c < 2; ++c)
        if (probeRows[c] < 0 || probeRows[c] >= kProbeRows || rangeRows[c] < 0 ||
            rangeRows[c] >= kRangeRows)
            return visits;
    const double channel1Volts = RangeVolts(rangeRows[0]) * ProbeFactor(probeRows[0]);
    for (int row = 0; row < kRangeRows; ++row) {
        const double volts = kVisitFill * RangeVolts(row) * ProbeFactor(probeRows[1]);
        const double channel1Fill = volts / channel1Volts;
        if (row != rangeRows[1] && volts <= double(kMaxGeneratorVolts) &&
            channel1Fill <= kFillLimit && channel1Fill >= kMinChannel1Fill)
            visits.push_back({row, volts});
    }
    return visits;
}

Status FrequencySweep::Start(const SweepRequest& request, double now) {
    Result<std::vector<double>> plan = PlanSweep(request);
    if (!plan.Ok())
        return Failure{plan.Reason()};
    Stop();
    request_ = request;
    frequencies_ = plan.Take();
    points_.clear();
    frequencyIndex_ = 0;
    visits_.clear();
    visiting_ = false;
    settledRow2_ = -1;
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
    // Channel 2 back from the last range visited to where the last point settled.
    if (settledRow2_ >= 0)
        session_.SetRange(1, settledRow2_);
    settledRow2_ = -1;
    sensitiveLimit_ = {kNarrowestRange, kNarrowestRange};
    SendGenerator(request_.parameters.amplitudeVolts, now);
}

void FrequencySweep::SendVisit(double now) {
    session_.SetRange(1, visits_.back().rangeRow);
    SendGenerator(visits_.back().amplitudeVolts, now);
}

void FrequencySweep::SendGenerator(double amplitudeVolts, double now) {
    const double hertz = frequencies_[frequencyIndex_];
    session_.SetGenerator(0, {kSineRow, ExactText(hertz), ExactText(amplitudeVolts)});
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
    if (visiting_ ? MeasureVisit() : Measure())
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
    const double hertz = frequencies_[frequencyIndex_];
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
    if (!Accumulate(measured))
        return false;
    const CalibrationCurve* curve = CurveFor(request_.calibration, point.rangeRows);
    point.ratio = curve ? Calibrated(average_.Mean(), curve->points, hertz) : average_.Mean();
    if (curve)
        point.calibrationRows = curve->rangeRows;
    FinishAverage(point);
    return true;
}

bool FrequencySweep::Accumulate(const ResponseMeasurement& measured) {
    average_.Add(measured.ratio);
    voltSums_[0] += measured.volts[0];
    voltSums_[1] += measured.volts[1];
    return average_.count >= request_.averageFrames;
}

void FrequencySweep::FinishAverage(SweepPoint& point) {
    point.volts = {voltSums_[0] / double(average_.count), voltSums_[1] / double(average_.count)};
    point.frames = average_.count;
    points_.push_back(point);
}

bool FrequencySweep::MeasureVisit() {
    const ScopeSettings& under = session_.CapturedUnder();
    SweepPoint point;
    point.hertz = frequencies_[frequencyIndex_];
    point.rangeVisit = true;
    point.probeRows = {under.channels[0].probeRow, under.channels[1].probeRow};
    point.rangeRows = {under.channels[0].rangeRow, under.channels[1].rangeRow};
    const ResponseMeasurement measured = MeasureResponse(
        session_.Frame(), point.hertz,
        {{{point.probeRows[0], point.rangeRows[0]}, {point.probeRows[1], point.rangeRows[1]}}});
    if (measured.status != ToneStatus::Valid) {
        point.status = measured.status == ToneStatus::Clipped    ? PointStatus::OutOfRange
                       : measured.status == ToneStatus::TooSmall ? PointStatus::BelowNoise
                                                                 : PointStatus::Unmeasurable;
        point.channel = measured.channel;
        point.volts = measured.volts;
        point.frames = 1;
        points_.push_back(point);
        return true;
    }
    if (!Accumulate(measured))
        return false;
    point.ratio = average_.Mean();
    FinishAverage(point);
    return true;
}

void FrequencySweep::FinishPoint(double now) {
    if (visiting_) {
        visits_.pop_back();
    } else if (request_.calibrating && points_.back().status == PointStatus::Measured) {
        visits_ = RangeVisits(points_.back().probeRows, points_.back().rangeRows);
        std::reverse(visits_.begin(), visits_.end()); // taken from the back
        settledRow2_ = visits_.empty() ? -1 : points_.back().rangeRows[1];
    }
    visiting_ = !visits_.empty();
    if (visiting_) {
        SendVisit(now);
        return;
    }
    if (++frequencyIndex_ == frequencies_.size()) {
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
    progress.done = int(frequencyIndex_);
    progress.total = int(frequencies_.size());
    if (progress.done > 0)
        progress.secondsLeft =
            (now - started_) / progress.done * double(progress.total - progress.done);
    return progress;
}

SweepReadouts ReadSweepPoints(std::span<const SweepPoint> points) {
    std::vector<ResponsePoint> sweep;
    for (const SweepPoint& point : points)
        sweep.push_back(
            {point.hertz, point.ratio, point.status == PointStatus::Measured && !point.rangeVisit});
    return ReadSweep(sweep);
}

} // namespace duruz
