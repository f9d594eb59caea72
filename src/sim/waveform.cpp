#include "sim/waveform.h"

#include <cmath>
#include <numbers>

namespace sim {

Waveform WaveformFromCode(char code) {
    if (code >= '1' && code <= '8')
        return static_cast<Waveform>(code - '0');
    return Waveform::Off;
}

double WaveformValue(Waveform waveform, double phase) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    switch (waveform) {
    case Waveform::Off:
        return 0.0;
    case Waveform::Sine:
        return std::sin(kTurn * phase);
    case Waveform::Cosine:
        return std::cos(kTurn * phase);
    case Waveform::SawRising:
        return phase < 0.5 ? 2.0 * phase : 2.0 * phase - 2.0;
    case Waveform::SawFalling:
        return phase < 0.5 ? -2.0 * phase : 2.0 - 2.0 * phase;
    case Waveform::Triangle:
        if (phase < 0.25)
            return 4.0 * phase;
        if (phase < 0.75)
            return 2.0 - 4.0 * phase;
        return 4.0 * phase - 4.0;
    case Waveform::Square50:
        return phase < 0.5 ? 1.0 : -1.0;
    case Waveform::Square10:
        return phase < 0.1 ? 1.0 : -1.0;
    case Waveform::Square90:
        return phase < 0.9 ? 1.0 : -1.0;
    }
    return 0.0;
}

double DemoVolts(int input, double seconds) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    if (input == 0) {
        constexpr double kPeriod = 1e-3;
        constexpr double kRingHertz = 20000.0;
        constexpr double kRingDecay = 20e-6;
        const double phase = seconds / kPeriod - std::floor(seconds / kPeriod);
        const bool high = phase < 0.5;
        // The last edge: upward at the period's start, downward at its middle.
        const double sinceEdge = (high ? phase : phase - 0.5) * kPeriod;
        const double level = high ? 0.5 : -0.5;
        return level * (1.0 + 0.1 * std::exp(-sinceEdge / kRingDecay) *
                                  std::cos(kTurn * kRingHertz * sinceEdge));
    }
    constexpr double kMains = 50.0;
    return 0.6 * std::sin(kTurn * kMains * seconds) +
           0.12 * std::sin(3.0 * kTurn * kMains * seconds + 0.4) +
           0.06 * std::sin(5.0 * kTurn * kMains * seconds + 1.1);
}

} // namespace sim
