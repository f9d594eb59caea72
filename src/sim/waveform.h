#pragma once

#include <cstdint>

namespace sim {

// The generator's waveforms by their code on the wire ('0' + code).
enum class Waveform : std::uint8_t {
    Off,
    Sine,
    Cosine,
    SawRising,
    SawFalling,
    Triangle,
    Square50,
    Square10,
    Square90,
};

// '1'..'8' name a waveform; '0', the lists' blank rows ('9', ':') and anything
// else switch the channel off.
Waveform WaveformFromCode(char code);

// The waveform's value, -1 to +1, at a phase given in turns (0 <= phase < 1).
// Every shape but the cosine starts its turn at the same point as the sine.
double WaveformValue(Waveform waveform, double phase);

// What an input sees with its generator off, like a probe on a calibration
// terminal: input 0 a 1 kHz square of +-0.5 V whose edges overshoot by 10% and ring
// out within a few samples, input 1 a 50 Hz hum of 0.6 V peak with its third and
// fifth harmonics. Time in seconds.
double DemoVolts(int input, double seconds);

} // namespace sim
