#pragma once

#include "base/result.h"

#include <vector>

namespace duruz {

enum class FrequencySpacing { Logarithmic, Linear };

// What the user asks of a sweep.
struct SweepParameters {
    double startHertz = 50.0;
    double stopHertz = 40000.0;
    FrequencySpacing spacing = FrequencySpacing::Logarithmic;
    int pointsPerDecade = 10; // logarithmic
    int pointCount = 100;     // linear, both ends included
    double amplitudeVolts = 1.0;
};

// The lowest start: one whole period in a 2,048-sample frame.
constexpr double kMinSweepHertz = 50.0;
constexpr int kMaxPointsPerDecade = 1000;
constexpr int kMaxSweepPoints = 10000;

// The frequencies to visit, in rising order from the start to the stop, both
// included: logarithmic ones evenly spaced in log frequency with at least the
// points per decade asked for, linear ones evenly spaced. Refuses parameters the
// instrument cannot carry out, each with its reason.
Result<std::vector<double>> PlanFrequencies(const SweepParameters& parameters);

} // namespace duruz
