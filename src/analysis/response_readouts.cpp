#include "analysis/response_readouts.h"

#include "analysis/response_point.h"

#include <cmath>

namespace duruz {

namespace {

constexpr double kHalfPowerDb = 3.0102999566398120; // 10 log10(2)

// The readout a share of the way from measured point a to b in log frequency,
// gain and phase interpolated linearly there.
CrossingReadout Between(const ResponsePoint& a, const PointReadout& ra, const ResponsePoint& b,
                        const PointReadout& rb, double share) {
    CrossingReadout crossing;
    crossing.found = true;
    crossing.hertz = a.hertz * std::pow(b.hertz / a.hertz, share);
    crossing.gainDb = ra.gainDb + share * (rb.gainDb - ra.gainDb);
    crossing.phaseDegrees = ra.phaseDegrees + share * (rb.phaseDegrees - ra.phaseDegrees);
    return crossing;
}

} // namespace

SweepReadouts ReadSweep(std::span<const ResponsePoint> sweep) {
    SweepReadouts readouts;
    readouts.points.resize(sweep.size());
    // The measured points' indexes, in order.
    std::vector<std::size_t> measured;
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        if (!sweep[i].measured)
            continue;
        PointReadout& point = readouts.points[i];
        point.measured = true;
        point.gainDb = GainDb(sweep[i].ratio);
        point.phaseDegrees = PhaseDegrees(sweep[i].ratio);
        if (!measured.empty()) {
            // The step from the last measured point taken the shorter way round.
            const double last = readouts.points[measured.back()].phaseDegrees;
            point.phaseDegrees = last + std::remainder(point.phaseDegrees - last, 360.0);
        }
        measured.push_back(i);
    }
    if (measured.empty())
        return readouts;

    // Group delay by central differences inside, one-sided at the ends. Phase in
    // turns (degrees / 360) over hertz is seconds.
    for (std::size_t k = 0; measured.size() > 1 && k < measured.size(); ++k) {
        const std::size_t before = measured[k == 0 ? 0 : k - 1];
        const std::size_t after = measured[k + 1 == measured.size() ? k : k + 1];
        PointReadout& point = readouts.points[measured[k]];
        point.hasGroupDelay = true;
        point.groupDelaySeconds =
            -(readouts.points[after].phaseDegrees - readouts.points[before].phaseDegrees) / 360.0 /
            (sweep[after].hertz - sweep[before].hertz);
    }

    std::size_t peak = 0; // among measured
    for (std::size_t k = 1; k < measured.size(); ++k)
        if (readouts.points[measured[k]].gainDb > readouts.points[measured[peak]].gainDb)
            peak = k;
    readouts.maxGainDb = readouts.points[measured[peak]].gainDb;
    if (peak > 0 && peak + 1 < measured.size()) {
        // A resonance falls between points: the parabola through the highest and its
        // neighbours, in log frequency, finds the top that the corners are below.
        const double u0 = std::log(sweep[measured[peak - 1]].hertz / sweep[measured[peak]].hertz);
        const double u2 = std::log(sweep[measured[peak + 1]].hertz / sweep[measured[peak]].hertz);
        const double y0 = readouts.points[measured[peak - 1]].gainDb;
        const double y2 = readouts.points[measured[peak + 1]].gainDb;
        const double y1 = readouts.maxGainDb;
        const double slopeBelow = (y1 - y0) / -u0;
        const double curvature = ((y2 - y1) / u2 - slopeBelow) / (u2 - u0);
        const double slope = slopeBelow - curvature * u0; // at the highest point
        if (curvature < 0.0 && -slope / (2.0 * curvature) > u0 && -slope / (2.0 * curvature) < u2)
            readouts.maxGainDb = y1 - slope * slope / (4.0 * curvature);
    }
    const double corner = readouts.maxGainDb - kHalfPowerDb;
    // Consecutive measured points k - 1 and k, the readouts' crossing of a value.
    const auto crossing = [&](std::size_t k, double from, double to, double target) {
        return Between(sweep[measured[k - 1]], readouts.points[measured[k - 1]], sweep[measured[k]],
                       readouts.points[measured[k]], (target - from) / (to - from));
    };
    for (std::size_t k = peak + 1; k < measured.size(); ++k) {
        const double from = readouts.points[measured[k - 1]].gainDb;
        const double to = readouts.points[measured[k]].gainDb;
        if (from >= corner && to < corner) {
            readouts.upperCorner = crossing(k, from, to, corner);
            break;
        }
    }
    for (std::size_t k = peak; k > 0; --k) {
        const double from = readouts.points[measured[k - 1]].gainDb;
        const double to = readouts.points[measured[k]].gainDb;
        if (from < corner && to >= corner) {
            readouts.lowerCorner = crossing(k, from, to, corner);
            break;
        }
    }
    for (std::size_t k = 1; k < measured.size(); ++k) {
        const double from = readouts.points[measured[k - 1]].phaseDegrees;
        const double to = readouts.points[measured[k]].phaseDegrees;
        if (from > -180.0 && to <= -180.0) {
            readouts.phaseAt180 = crossing(k, from, to, -180.0);
            break;
        }
    }
    return readouts;
}

} // namespace duruz
