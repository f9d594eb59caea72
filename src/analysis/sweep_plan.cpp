#include "analysis/sweep_plan.h"

#include "link/commands.h"

#include <charconv>
#include <cmath>
#include <string>

namespace duruz {

namespace {

// A number in its shortest form, a full stop for the decimal point in any locale.
std::string Number(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string("?");
}

} // namespace

Result<std::vector<double>> PlanFrequencies(const SweepParameters& p) {
    const double highest = kMaxGeneratorHertz;
    if (!(p.startHertz >= kMinSweepHertz))
        return Failure{"the start, " + Number(p.startHertz) + " Hz, is below " +
                       Number(kMinSweepHertz) +
                       " Hz, the lowest frequency with a whole period in a frame"};
    if (!(p.stopHertz <= highest))
        return Failure{"the stop, " + Number(p.stopHertz) + " Hz, is above the generator's " +
                       Number(highest) + " Hz"};
    if (!(p.startHertz < p.stopHertz))
        return Failure{"the start, " + Number(p.startHertz) + " Hz, must lie below the stop, " +
                       Number(p.stopHertz) + " Hz"};
    if (!(p.amplitudeVolts > kMinGeneratorVolts && p.amplitudeVolts <= kMaxGeneratorVolts))
        return Failure{"the amplitude, " + Number(p.amplitudeVolts) +
                       " V, must lie above 0 V and at most at the generator's " +
                       Number(kMaxGeneratorVolts) + " V"};

    std::vector<double> frequencies;
    if (p.spacing == FrequencySpacing::Logarithmic) {
        if (p.pointsPerDecade < 1 || p.pointsPerDecade > kMaxPointsPerDecade)
            return Failure{"points per decade must be from 1 to " +
                           std::to_string(kMaxPointsPerDecade) + ", not " +
                           std::to_string(p.pointsPerDecade)};
        const double decades = std::log10(p.stopHertz / p.startHertz);
        // A hair below a whole number of steps is that number, not one more.
        const int steps = std::max(1, int(std::ceil(decades * p.pointsPerDecade - 1e-9)));
        for (int k = 0; k <= steps; ++k)
            frequencies.push_back(p.startHertz * std::pow(10.0, decades * k / steps));
    } else {
        if (p.pointCount < 2 || p.pointCount > kMaxSweepPoints)
            return Failure{"a linear sweep takes from 2 to " + std::to_string(kMaxSweepPoints) +
                           " points, not " + std::to_string(p.pointCount)};
        for (int k = 0; k < p.pointCount; ++k)
            frequencies.push_back(p.startHertz +
                                  (p.stopHertz - p.startHertz) * k / (p.pointCount - 1));
    }
    // The ends exactly as asked, whatever the rounding.
    frequencies.front() = p.startHertz;
    frequencies.back() = p.stopHertz;
    return frequencies;
}

} // namespace duruz
