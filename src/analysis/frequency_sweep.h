#pragma once

#include "analysis/response_point.h"
#include "analysis/response_readouts.h"
#include "analysis/sweep_plan.h"
#include "base/result.h"
#include "session/instrument_session.h"

#include <array>
#include <complex>
#include <span>
#include <string>
#include <vector>

namespace duruz {

// Everything one sweep is asked for.
struct SweepRequest {
    SweepParameters parameters;
    int averageFrames = 1;           // K frames per point, their ratios averaged
    double extraSettleSeconds = 0.0; // beyond the generator's own settling gap
    Calibration calibration;         // divided out, the curve of each point's ranges
    // Both inputs on the generator and no circuit: besides the range pair each point
    // settles on, channel 2's other ranges that a generator amplitude can fill are
    // visited too, so that the calibration holds a curve for each of them.
    bool calibrating = false;
};

constexpr int kMaxAverageFrames = 1000;
constexpr double kMaxExtraSettleSeconds = 60.0;

// The frequencies of a request, or the reason it cannot be carried out.
Result<std::vector<double>> PlanSweep(const SweepRequest& request);

enum class PointStatus {
    Measured,
    BelowNoise,  // a channel gave a few counts even on its most sensitive range
    OutOfRange,  // a channel clipped even on its widest range
    Unmeasurable // a channel with no probe or range to give its volts
};

// One frequency point as the sweep measured it.
struct SweepPoint {
    double hertz = 0.0; // the frequency the generator was sent
    PointStatus status = PointStatus::Measured;
    int channel = -1;           // the channel that kept a point from being Measured
    std::complex<double> ratio; // channel 2 over channel 1, calibrated; Measured only
    std::array<std::complex<double>, 2> volts{}; // each channel's mean complex amplitude
    std::array<int, 2> rangeRows{};
    std::array<int, 2> probeRows{};
    // The range rows of the calibration curve divided out, {-1, -1} for none.
    std::array<int, 2> calibrationRows{-1, -1};
    int frames = 0; // averaged
    // A calibrating sweep's extra measurement of a frequency already measured, on
    // another range of channel 2 at another amplitude: no part of the curve's readouts.
    bool rangeVisit = false;
};

// One of channel 2's other ranges a calibrating sweep visits: the range row and the
// generator amplitude that fills it.
struct RangeVisit {
    int rangeRow = 0;
    double amplitudeVolts = 0.0;
};

// The ranges of channel 2 worth a visit once a point settled on `rangeRows`: those
// an amplitude within the generator's reach fills well, while channel 1, kept on its
// range, neither clips nor drops too near its noise.
std::vector<RangeVisit> RangeVisits(std::array<int, 2> probeRows, std::array<int, 2> rangeRows);

// "Measured", "below the noise on channel 2", ...
std::string PointStatusText(const SweepPoint& point);

// The readouts of a sweep's points, only the Measured ones taking part.
SweepReadouts ReadSweepPoints(std::span<const SweepPoint> points);

struct SweepProgress {
    int done = 0; // frequencies finished, their range visits included
    int total = 0;
    double secondsLeft = 0.0; // from the points so far; 0 before the first
};

// The frequency response sweep over an instrument session. A front end starts it,
// ticks the session as always and hands each Collect's output to Collected; the
// sweep sends generator A, ranges and trigger through the session's setters and
// reads the frames the session keeps, which were captured under its latest command.
// When the sweep ends or is stopped the user's generator A, both ranges, the trigger
// and the hold go back to what they were at the start. Times are seconds on any
// steady clock the front end keeps.
class FrequencySweep {
public:
    explicit FrequencySweep(InstrumentSession& session) : session_(session) {}
    ~FrequencySweep() { Stop(); }
    FrequencySweep(const FrequencySweep&) = delete;
    FrequencySweep& operator=(const FrequencySweep&) = delete;

    // Refuses a request PlanSweep refuses, touching nothing.
    Status Start(const SweepRequest& request, double now);
    void Collected(const SessionOutput& output, double now);
    // Ends a running sweep early; the points so far stay.
    void Stop();

    bool Running() const { return phase_ != Phase::Idle; }
    SweepProgress Progress(double now) const;
    // In the sweep's order; a calibrating sweep's range visits follow their frequency's point.
    const std::vector<SweepPoint>& Points() const { return points_; }
    // Why the user's setting could not all be given back; empty when it was.
    const std::string& RestoreProblem() const { return restoreProblem_; }

private:
    enum class Phase { Idle, Settling, Measuring };
    void SendPoint(double now);
    // Channel 2 to the next range visit's row, generator A to its amplitude.
    void SendVisit(double now);
    void SendGenerator(double amplitudeVolts, double now);
    void AskForFrame(double now);
    // Fits the frame kept; true when the point is finished.
    bool Measure();
    // A range visit's frame fitted, ranges kept as they are; true when finished.
    bool MeasureVisit();
    // The range channel c should move to after a fit, or its row when it stays;
    // sets `done` to a status when the point cannot be measured.
    int NextRange(int channel, const ToneFit& fit, int row, PointStatus& done);
    // Adds a frame's ratio and volts to the point's; true once its frames are all in.
    bool Accumulate(const ResponseMeasurement& measured);
    // Keeps the point with its mean volts and frame count.
    void FinishAverage(SweepPoint& point);
    void FinishPoint(double now);
    void Restore();

    InstrumentSession& session_;
    SweepRequest request_;
    std::vector<double> frequencies_;
    std::vector<SweepPoint> points_;
    std::size_t frequencyIndex_ = 0; // the frequency being measured
    std::vector<RangeVisit> visits_; // still to come at this frequency, next last
    bool visiting_ = false;          // the frame awaited is for visits_.back()
    int settledRow2_ = -1;           // channel 2's row the last point settled on, before visits
    Phase phase_ = Phase::Idle;
    double started_ = 0.0;
    double settleUntil_ = 0.0;
    double requestedAt_ = 0.0;
    std::array<int, 2> sensitiveLimit_{}; // a row that clipped caps the search below it
    RatioAverage average_;
    std::array<std::complex<double>, 2> voltSums_{};
    // The user's setting at the start.
    GeneratorChannelSettings userGenerator_;
    std::array<int, 2> userRanges_{};
    TriggerSettings userTrigger_;
    bool userHold_ = false;
    std::string restoreProblem_;
};

} // namespace duruz
