// The readouts over exact responses, and the frequency plan's refusals.

#include "analysis/response_readouts.h"
#include "analysis/sweep_plan.h"
#include "sim/circuit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace duruz;

// The circuit's exact response at the default plan's 31 points, 50 Hz to 40 kHz.
std::vector<ResponsePoint> Sweep(const sim::Circuit& circuit, sim::InputMismatch mismatch = {}) {
    std::vector<ResponsePoint> sweep;
    const Result<std::vector<double>> plan = PlanFrequencies({});
    for (const double hertz : plan.Value())
        sweep.push_back(
            {hertz, sim::CircuitResponse(circuit, hertz) * sim::MismatchResponse(mismatch, hertz)});
    return sweep;
}

TEST(SweepReadouts, FirstOrderLowPassBandPassAndThePhaseAt180) {
    std::vector<ResponsePoint> sweep = Sweep({sim::CircuitKind::LowPass, 1234.0});
    sweep[3].measured = false; // a point below the noise takes no part
    SweepReadouts low = ReadSweep(sweep);
    EXPECT_FALSE(low.points[3].measured || low.lowerCorner.found || low.phaseAt180.found);
    EXPECT_NEAR(low.upperCorner.hertz, 1234.0, 12.34);
    EXPECT_NEAR(low.upperCorner.phaseDegrees, -45.0, 1.0);
    // A lag: a positive delay, 1 / (2 pi FC) at low frequencies.
    EXPECT_NEAR(low.points[0].groupDelaySeconds, 1 / (2 * std::numbers::pi * 1234.0), 3e-6);

    // Q = 2 between the plan's points (corners at 0.781 and 1.281 F0): its top lies
    // 0.6 dB above the highest point, and the corners are below the top.
    const SweepReadouts band = ReadSweep(Sweep({sim::CircuitKind::BandPass, 2000.0, 2.0}));
    EXPECT_NEAR(band.lowerCorner.hertz, 1561.6, 0.02 * 1561.6);
    EXPECT_NEAR(band.upperCorner.hertz, 2561.6, 0.02 * 2561.6);
    EXPECT_NEAR(band.lowerCorner.phaseDegrees, 45.0, 1.5);

    // Two poles and a delay run past -180 degrees: unwrapped, not back at +180.
    const sim::Circuit second{sim::CircuitKind::LowPass2, 2000.0, 2.0};
    const SweepReadouts late = ReadSweep(Sweep(second, {1.0, 20.0}));
    EXPECT_LT(late.points.back().phaseDegrees, -200.0);
    const double at = late.phaseAt180.hertz;
    const auto exact = sim::CircuitResponse(second, at) * sim::MismatchResponse({1.0, 20.0}, at);
    EXPECT_NEAR(std::abs(std::arg(exact)), std::numbers::pi, 0.05);
    EXPECT_NEAR(late.phaseAt180.gainDb, 20 * std::log10(std::abs(exact)), 0.5);
}

TEST(SweepPlan, PointsAndEachRefusal) {
    const Result<std::vector<double>> plan = PlanFrequencies({});
    const std::vector<double>& f = plan.Value();
    // Even steps in log frequency, at least ten a decade, both ends exact.
    EXPECT_TRUE(f.size() == 31 && f.front() == 50.0 && f.back() == 40000.0);
    EXPECT_NEAR(f[1] / f[0] - f[30] / f[29], 0, 1e-12);
    EXPECT_EQ(PlanFrequencies({100, 400, FrequencySpacing::Linear, 10, 4}).Value(),
              (std::vector<double>{100, 200, 300, 400}));
    const auto refusal = [](SweepParameters p) { return PlanFrequencies(p).Reason(); };
    EXPECT_EQ(refusal({.startHertz = 49.5}),
              "the start, 49.5 Hz, is below 50 Hz, the lowest frequency with a whole period in a "
              "frame");
    EXPECT_EQ(refusal({.stopHertz = 40000.5}),
              "the stop, 40000.5 Hz, is above the generator's 40000 Hz");
    EXPECT_EQ(refusal({.startHertz = 1000, .stopHertz = 1000}),
              "the start, 1000 Hz, must lie below the stop, 1000 Hz");
    EXPECT_EQ(refusal({.pointsPerDecade = 0}), "points per decade must be from 1 to 1000, not 0");
    EXPECT_EQ(refusal({.spacing = FrequencySpacing::Linear, .pointCount = 1}),
              "a linear sweep takes from 2 to 10000 points, not 1");
    EXPECT_EQ(refusal({.amplitudeVolts = 1.51}),
              "the amplitude, 1.51 V, must lie above 0 V and at most at the generator's 1.5 V");
    EXPECT_TRUE(!PlanFrequencies({.amplitudeVolts = 0}).Ok() &&
                PlanFrequencies({.amplitudeVolts = 1.5}).Ok());
}

} // namespace
