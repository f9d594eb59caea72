#include "sim/simulated_instrument.h"

#include "link/commands.h"
#include "link/instrument_facts.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace sim {

namespace {

// The model's generator goes up to half the sample rate; the front panel itself
// never asks for more than kMaxGeneratorHertz.
constexpr double kMaxFrequency = 51200.0;
// Peak noise in sample steps, triangular around zero.
constexpr double kNoiseCounts = 2.0;

std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Noise as a function of the seed, the input and the absolute sample index, so
// that a frame depends on nothing but the commands received and the seed.
double Noise(std::uint64_t seed, int input, std::int64_t index) {
    std::uint64_t bits = SplitMix64(seed ^ SplitMix64(std::uint64_t(index) * 2 + unsigned(input)));
    double u1 = double(bits & 0xFFFF);
    double u2 = double((bits >> 16) & 0xFFFF);
    return ((u1 + u2) / 65535.0 - 1.0) * kNoiseCounts;
}

void PutWord(std::uint8_t* at, std::uint32_t value) {
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
    at[2] = std::uint8_t(value >> 16);
    at[3] = std::uint8_t(value >> 24);
}

void PutSample(std::uint8_t* at, std::int16_t value) {
    auto bits = std::uint16_t(value);
    at[0] = std::uint8_t(bits);
    at[1] = std::uint8_t(bits >> 8);
}

std::uint32_t Milli(double value) {
    return std::uint32_t(std::lround(value * 1000.0));
}

} // namespace

bool WiresCircuit(const InstrumentOptions& options) {
    return options.circuit.kind != CircuitKind::None || options.mismatch.given;
}

SimulatedInstrument::SimulatedInstrument(const InstrumentOptions& options) : options_(options) {}

void SimulatedInstrument::Receive(const std::uint8_t* data, std::size_t count,
                                  std::int64_t arrivedMicros) {
    receivedAt_ = arrivedMicros;
    for (std::size_t i = 0; i < count; ++i) {
        ParsedCommand command = parser_.Feed(data[i]);
        if (command.kind != CommandKind::None)
            Apply(command);
    }
}

void SimulatedInstrument::Apply(const ParsedCommand& command) {
    switch (command.kind) {
    case CommandKind::None:
        break;
    case CommandKind::Capture:
        AnswerCapture();
        break;
    case CommandKind::Range:
        settings_.rangeIndex[command.channel] = command.rangeIndex;
        break;
    case CommandKind::Sync:
        settings_.sync.source = command.syncSource;
        settings_.sync.polarity = command.syncPolarity;
        settings_.sync.position = command.syncPosition;
        settings_.sync.level = command.syncLevel;
        break;
    case CommandKind::Generator: {
        GeneratorSetting& generator = settings_.generator[command.channel];
        generator.code = command.waveformCode;
        generator.waveform = WaveformFromCode(command.waveformCode);
        generator.frequency = std::clamp(command.frequency, 0.0, kMaxFrequency);
        generator.amplitude = std::clamp(command.amplitude, double(duruz::kMinGeneratorVolts),
                                         double(duruz::kMaxGeneratorVolts));
        break;
    }
    }
}

std::int16_t SimulatedInstrument::InputSample(int input, std::int64_t index) const {
    input &= 1;
    const bool wired = WiresCircuit(options_);
    const bool throughCircuit = wired && input == 1;
    const GeneratorSetting& generator = settings_.generator[wired ? 0 : input];
    double volts = 0.0;
    if (generator.waveform != Waveform::Off) {
        double cycles = generator.frequency * double(index) / duruz::kSampleRate;
        double gain = 1.0;
        if (throughCircuit) {
            const std::complex<double> response =
                CircuitResponse(options_.circuit, generator.frequency) *
                MismatchResponse(options_.mismatch, generator.frequency);
            gain = std::abs(response);
            cycles += std::arg(response) / (2.0 * std::numbers::pi);
        }
        volts = generator.amplitude * gain *
                WaveformValue(generator.waveform, cycles - std::floor(cycles));
    } else if (options_.demo && !throughCircuit) {
        volts = DemoVolts(input, double(index) / duruz::kSampleRate);
    }
    double counts = -volts * duruz::kFullScaleCount /
                    duruz::kInputRanges[settings_.rangeIndex[input] & 7].volts;
    if (options_.noise)
        counts += Noise(options_.seed, input, index);
    counts = std::clamp(counts, -32768.0, 32767.0);
    return std::int16_t(std::lround(counts));
}

std::int64_t SimulatedInstrument::FindFrameStart(int& triggerIndex) const {
    const SyncSetting& sync = settings_.sync;
    const int position = std::clamp(sync.position, 0, int(duruz::kSamplePairs));
    const int source = sync.source & 1;
    // Rise is upward on screen, where sample values fall.
    const bool rise = sync.polarity == 1;

    const std::int64_t first = sampleClock_ + std::max(position, 1);
    const std::int64_t last = sampleClock_ + position + kTriggerSearch;
    int previous = InputSample(source, first - 1);
    for (std::int64_t index = first; index <= last; ++index) {
        int current = InputSample(source, index);
        bool crossed = rise ? (previous > sync.level && current <= sync.level)
                            : (previous < sync.level && current >= sync.level);
        if (crossed) {
            triggerIndex = position;
            return index - position;
        }
        previous = current;
    }
    triggerIndex = -1;
    return sampleClock_;
}

void SimulatedInstrument::BuildFrame(std::int64_t start, int triggerIndex) {
    std::uint8_t* header = frame_.data();
    std::fill(frame_.begin(), frame_.begin() + duruz::kHeaderBytes, std::uint8_t(0));
    PutWord(header + 0, duruz::kFrameMarker);
    PutWord(header + 4, std::uint32_t(duruz::kSamplePairs));
    PutWord(header + 8, frameNumber_);
    PutWord(header + 12, std::uint32_t(settings_.rangeIndex[0]));
    PutWord(header + 16, std::uint32_t(settings_.rangeIndex[1]));
    PutWord(header + 20, std::uint32_t(settings_.sync.source));
    PutWord(header + 24, std::uint32_t(settings_.sync.polarity));
    PutWord(header + 28,
            std::uint32_t(std::clamp(settings_.sync.position, 0, int(duruz::kSamplePairs))));
    PutWord(header + 32, std::uint32_t(settings_.sync.level));
    PutWord(header + 36, std::uint32_t(triggerIndex));
    for (int g = 0; g < 2; ++g) {
        const GeneratorSetting& generator = settings_.generator[g];
        std::uint8_t* at = header + 40 + 12 * g;
        PutWord(at, std::uint32_t(std::int32_t(generator.code - '0')));
        PutWord(at + 4, Milli(generator.frequency));
        PutWord(at + 8, Milli(generator.amplitude));
    }
    PutWord(header + 64, std::uint32_t(duruz::kSampleRate));
    PutWord(header + 68, std::uint32_t(std::uint64_t(start)));

    std::uint8_t* samples = frame_.data() + duruz::kHeaderBytes;
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
        PutSample(samples + 4 * i, InputSample(0, start + std::int64_t(i)));
        PutSample(samples + 4 * i + 2, InputSample(1, start + std::int64_t(i)));
    }
    if (options_.markSettings) {
        const SyncSetting& sync = settings_.sync;
        const int marks[6] = {settings_.rangeIndex[0],
                              settings_.rangeIndex[1],
                              std::clamp(sync.position, 0, int(duruz::kSamplePairs)),
                              sync.level,
                              sync.source * 2 + sync.polarity,
                              (settings_.generator[0].code - '0') * 16 +
                                  (settings_.generator[1].code - '0')};
        for (std::size_t m = 0; m < 6; ++m)
            PutSample(samples + 2 * m, std::int16_t(marks[m]));
    }
}

void SimulatedInstrument::AnswerCapture() {
    ++captureRequests_;
    if (ignoreRequests_ > 0) {
        --ignoreRequests_;
        return;
    }
    const std::size_t frameBytes =
        cutArmed_ ? std::min(cutAfter_, duruz::kFrameBytes) : duruz::kFrameBytes;
    if (output_.Free() < strayCount_ + frameBytes || waitingCount_ == kMaxAnswersWaiting)
        return; // still busy sending earlier frames

    int triggerIndex = -1;
    std::int64_t start = FindFrameStart(triggerIndex);
    ++frameNumber_;
    BuildFrame(start, triggerIndex);
    sampleClock_ = start + std::int64_t(duruz::kSamplePairs);

    if (strayCount_ + frameBytes > 0) {
        waiting_[(waitingFirst_ + waitingCount_) % kMaxAnswersWaiting] = {queuedTotal_,
                                                                          receivedAt_};
        ++waitingCount_;
    }
    queuedTotal_ += output_.Push(stray_.data(), strayCount_);
    strayCount_ = 0;
    if (stallArmed_ && !stallActive_) {
        stallActive_ = true;
        stallAt_ = queuedTotal_ + std::min(stallAfter_, frameBytes);
        stallMs_ = stallArmedMs_;
        stallArmed_ = false;
    }
    queuedTotal_ += output_.Push(frame_.data(), frameBytes);
    cutArmed_ = false;
}

std::size_t SimulatedInstrument::OutputAvailable() const {
    std::size_t size = output_.Size();
    if (stallActive_ && stallAt_ >= takenTotal_)
        size = std::min<std::uint64_t>(size, stallAt_ - takenTotal_);
    return size;
}

bool SimulatedInstrument::AtStall() const {
    return stallActive_ && takenTotal_ == stallAt_;
}

std::size_t SimulatedInstrument::TakeOutput(std::uint8_t* out, std::size_t count) {
    std::size_t taken = output_.Pop(out, std::min(count, OutputAvailable()));
    takenTotal_ += taken;
    while (waitingCount_ > 0 && waiting_[waitingFirst_].startsAt < takenTotal_) {
        waitingFirst_ = (waitingFirst_ + 1) % kMaxAnswersWaiting;
        --waitingCount_;
    }
    return taken;
}

bool SimulatedInstrument::AtAnswerStart(std::int64_t& requestArrived) const {
    if (waitingCount_ == 0 || waiting_[waitingFirst_].startsAt != takenTotal_)
        return false;
    requestArrived = waiting_[waitingFirst_].requestArrived;
    return true;
}

std::size_t SimulatedInstrument::OutputBeforeNextAnswer() const {
    for (std::size_t i = 0; i < waitingCount_; ++i) {
        const std::uint64_t startsAt = waiting_[(waitingFirst_ + i) % kMaxAnswersWaiting].startsAt;
        if (startsAt > takenTotal_)
            return std::size_t(startsAt - takenTotal_);
    }
    return output_.Size();
}

void SimulatedInstrument::InjectStrayBytes(const std::uint8_t* data, std::size_t count) {
    count = std::min(count, kMaxStrayBytes - strayCount_);
    std::copy(data, data + count, stray_.begin() + std::ptrdiff_t(strayCount_));
    strayCount_ += count;
}

void SimulatedInstrument::CutNextFrame(std::size_t count) {
    cutArmed_ = true;
    cutAfter_ = count;
}

void SimulatedInstrument::StallNextFrame(std::size_t count, std::uint32_t milliseconds) {
    stallArmed_ = true;
    stallAfter_ = count;
    stallArmedMs_ = milliseconds;
}

} // namespace sim
