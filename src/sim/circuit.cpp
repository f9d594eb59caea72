#include "sim/circuit.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <vector>

namespace sim {

namespace {

using Complex = std::complex<double>;

// The text split at its colons.
std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon - start));
        if (colon == std::string_view::npos)
            return fields;
        start = colon + 1;
    }
}

// A finite number from low to high, in the C locale's digits, nothing after it.
bool NumberIn(std::string_view text, double low, double high, double& value) {
    double number = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(number) ||
        number < low || number > high)
        return false;
    value = number;
    return true;
}

} // namespace

Complex CircuitResponse(const Circuit& circuit, double hertz) {
    // s normalised to the corner: j f / FC.
    const Complex s(0.0, hertz / circuit.cornerHertz);
    switch (circuit.kind) {
    case CircuitKind::None:
    case CircuitKind::Wire:
        return 1.0;
    case CircuitKind::LowPass:
        return 1.0 / (1.0 + s);
    case CircuitKind::HighPass:
        return s / (1.0 + s);
    case CircuitKind::BandPass:
        return (s / circuit.q) / (1.0 + s / circuit.q + s * s);
    case CircuitKind::LowPass2:
        return 1.0 / (1.0 + s / circuit.q + s * s);
    }
    return 1.0;
}

Complex MismatchResponse(const InputMismatch& mismatch, double hertz) {
    return std::polar(mismatch.gain, -2.0 * std::numbers::pi * hertz * mismatch.delayMicros * 1e-6);
}

std::optional<std::string> ParseCircuit(std::string_view text, Circuit& circuit) {
    const std::vector<std::string_view> fields = Fields(text);
    struct Form {
        std::string_view name;
        CircuitKind kind;
        bool hasQ;
    };
    constexpr Form kForms[] = {{"lowpass", CircuitKind::LowPass, false},
                               {"highpass", CircuitKind::HighPass, false},
                               {"bandpass", CircuitKind::BandPass, true},
                               {"lowpass2", CircuitKind::LowPass2, true}};
    Circuit parsed;
    if (text == "none") {
        circuit = {CircuitKind::Wire};
        return std::nullopt;
    }
    bool ok = false;
    for (const Form& form : kForms)
        if (fields[0] == form.name && fields.size() == (form.hasQ ? 3u : 2u)) {
            parsed.kind = form.kind;
            ok = NumberIn(fields[1], kMinCircuitHertz, kMaxCircuitHertz, parsed.cornerHertz) &&
                 (!form.hasQ || NumberIn(fields[2], kMinCircuitQ, kMaxCircuitQ, parsed.q));
        }
    if (!ok)
        return std::string("takes ") + kCircuitForms + ", FC and F0 in Hz from 1 to 1000000, " +
               "Q from 0.1 to 100, not '" + std::string(text) + "'";
    circuit = parsed;
    return std::nullopt;
}

std::optional<std::string> ParseMismatch(std::string_view text, InputMismatch& mismatch) {
    const std::vector<std::string_view> fields = Fields(text);
    InputMismatch parsed;
    // A gain of 0 would leave input 2 silent, nothing a calibration could divide out.
    if (fields.size() != 2 || !NumberIn(fields[0], 1e-3, kMaxMismatchGain, parsed.gain) ||
        !NumberIn(fields[1], -kMaxMismatchMicros, kMaxMismatchMicros, parsed.delayMicros))
        return std::string("takes ") + kMismatchForm +
               ", a gain from 0.001 to 10 and a delay from -1000 to 1000 microseconds, not '" +
               std::string(text) + "'";
    parsed.given = true;
    mismatch = parsed;
    return std::nullopt;
}

} // namespace sim
