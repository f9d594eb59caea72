#pragma once

#include <complex>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// A circuit between generator A and input 2, input 1 on generator A, so that a
// frequency response can be measured without hardware. Its response to the
// generator's sine is computed exactly: the steady-state complex gain H(jw) scales
// and shifts the sine, whatever the sample grid.
// Wire ("none") is input 2 straight on generator A, both inputs on it as a calibration
// wants them.
enum class CircuitKind { None, Wire, LowPass, HighPass, BandPass, LowPass2 };

struct Circuit {
    CircuitKind kind = CircuitKind::None;
    double cornerHertz = 1000.0; // FC, or F0 of the band-pass
    double q = 0.707;            // of the band-pass and the second-order low-pass
};

// A gain error and a delay on input 2, as between two real inputs. Once given,
// even as no error at all, it wires input 2 to generator A.
struct InputMismatch {
    double gain = 1.0;
    double delayMicros = 0.0;
    bool given = false;
};

// The limits a command line accepts.
constexpr double kMinCircuitHertz = 1.0;
constexpr double kMaxCircuitHertz = 1e6;
constexpr double kMinCircuitQ = 0.1;
constexpr double kMaxCircuitQ = 100.0;
constexpr double kMaxMismatchGain = 10.0;
constexpr double kMaxMismatchMicros = 1000.0;

// The circuit's complex gain at a frequency (1 with no circuit).
std::complex<double> CircuitResponse(const Circuit& circuit, double hertz);
// The mismatch's complex gain at a frequency: gain * exp(-j w delay).
std::complex<double> MismatchResponse(const InputMismatch& mismatch, double hertz);

// "none", "lowpass:FC", "highpass:FC", "bandpass:F0:Q" or "lowpass2:FC:Q", and
// "GAIN:DELAY_US". Each gives the reason a text is refused, for the user.
std::optional<std::string> ParseCircuit(std::string_view text, Circuit& circuit);
std::optional<std::string> ParseMismatch(std::string_view text, InputMismatch& mismatch);

// What the tools' help says of the two options' values.
constexpr const char* kCircuitForms = "lowpass:FC, highpass:FC, bandpass:F0:Q or lowpass2:FC:Q";
constexpr const char* kMismatchForm = "GAIN:DELAY_US";

} // namespace sim
