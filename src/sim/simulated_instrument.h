#pragma once

#include "link/capture_store.h"
#include "link/instrument_facts.h"
#include "sim/byte_ring.h"
#include "sim/circuit.h"
#include "sim/command_parser.h"
#include "sim/waveform.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

// The most a simulator's timing options take: a minute's capture, and the range of
// a USB serial adapter's latency timer.
constexpr std::uint32_t kMaxCaptureMs = 60000;
constexpr std::uint32_t kMaxUsbLatencyMs = 255;

struct InstrumentOptions {
    std::uint64_t seed = 1;
    bool noise = true; // a little deterministic noise on both inputs
    bool demo = true;  // an input whose generator is off sees DemoVolts, not silence
    // The first three sample pairs of each frame carry the settings it was captured
    // under instead of samples: the range of input 1 and 2; the trigger position and
    // level as received; source * 2 + polarity; generator A's code * 16 + B's. A soak
    // run compares them with the settings the window drew the frame under.
    bool markSettings = false;
    // A SimulatorPort keeps the wire's pace and the timing below; unpaced, answers
    // are there at once, which measures a client without the wire's time in it.
    bool paced = true;
    // Capturing 2,048 samples takes 20 ms, so an answer's first byte goes on the
    // line that long after the instrument reaches its request.
    std::uint32_t captureMs = 20;
    // The latency timer of a USB serial adapter between the line and the reader:
    // bytes reach the reader in 62-byte packets, a partial one usbLatencyMs after
    // the last byte came in (1 to 255 on such adapters). 0: no adapter, each byte
    // is readable as soon as it has arrived.
    std::uint32_t usbLatencyMs = 0;
    // With a circuit or a mismatch, input 1 sees generator A and input 2 sees
    // generator A through them (silence while A is off); generator B reaches no
    // input. A sine passes exactly; another waveform is scaled and shifted as a
    // whole by the response at its fundamental.
    Circuit circuit{};
    InputMismatch mismatch{};
};

// True when the options put a circuit or a mismatch between generator A and input 2.
bool WiresCircuit(const InstrumentOptions& options);

struct GeneratorSetting {
    char code = '0'; // as sent
    Waveform waveform = Waveform::Off;
    double frequency = 1000.0; // Hz
    double amplitude = 0.0;    // volts peak
};

struct SyncSetting {
    int source = 0;      // 0 Ch1, 1 Ch2
    int polarity = 1;    // 0 Fall, 1 Rise (as seen on screen)
    int position = 1024; // sample index that the trigger crossing lands on
    int level = 0;       // sample value
};

struct InstrumentSettings {
    std::array<int, 2> rangeIndex{0, 0};
    SyncSetting sync;
    std::array<GeneratorSetting, 2> generator;
};

// A model of the oscilloscope and generator at the far end of the serial line: it
// reads the command stream and answers each capture request with one 8,320-byte
// frame on its output queue.
//
// Acquisition: 102,400 samples a second on an absolute sample clock that advances
// with every frame, so the generator's phase runs on between frames. Generator A
// feeds input 1 and B feeds input 2, unless the options wire a circuit (see
// InstrumentOptions::circuit). A voltage v on a range of full scale FS
// becomes round(-v * 2047 / FS) (positive volts upward on screen), plus noise.
//
// Header words after the marker (byte offset: value, 32-bit little-endian):
//   4: pair count, 2048         8: frame number, from 1     12: range index of input 1
//  16: range index of input 2  20: sync source            24: sync polarity
//  28: sync position used      32: sync level (signed)    36: trigger sample index,
//      -1 when free-running    40: generator A code       44: A frequency in mHz
//  48: A amplitude in mV       52: generator B code       56: B frequency in mHz
//  60: B amplitude in mV       64: sample rate, 102400    68: absolute index of sample 0
//      (low 32 bits)           72..127: zero
// A generator code is the wire character minus '0' ('9' gives 9, ':' 10).
class SimulatedInstrument {
public:
    // One capture request's answer and the faults' stray bytes, four frames deep; a
    // request that finds no room for its frame goes unanswered.
    static constexpr std::size_t kMaxStrayBytes = 64;
    static constexpr std::size_t kOutputCapacity = 4 * (duruz::kFrameBytes + kMaxStrayBytes);
    // Answers whose first byte has not been taken yet, at most; a request beyond
    // them goes unanswered.
    static constexpr std::size_t kMaxAnswersWaiting = 8;
    // How far past the pre-trigger samples a trigger crossing is looked for before
    // the frame free-runs: 80 ms, four frames' worth.
    static constexpr std::int64_t kTriggerSearch = 4 * duruz::kSamplePairs;

    explicit SimulatedInstrument(const InstrumentOptions& options = {});

    // Takes bytes from the line; commands may be split anywhere. arrivedMicros is
    // when they reached the instrument, on the caller's clock: the answer to a
    // capture request among them carries it, for the line to time that answer.
    void Receive(const std::uint8_t* data, std::size_t count, std::int64_t arrivedMicros = 0);

    const InstrumentSettings& Settings() const { return settings_; }
    std::uint32_t FramesSent() const { return frameNumber_; }
    std::uint32_t CaptureRequests() const { return captureRequests_; }

    // The output towards the host. Output halts at a stall point until EndStall.
    std::size_t OutputAvailable() const;
    std::size_t TakeOutput(std::uint8_t* out, std::size_t count);
    bool AtStall() const;
    std::uint32_t StallMs() const { return stallMs_; }
    void EndStall() { stallActive_ = false; }
    // True when the next byte of output is the first of an answer; requestArrived
    // is then when its request came in.
    bool AtAnswerStart(std::int64_t& requestArrived) const;
    // The output bytes up to the start of the next answer after the next byte (all
    // of them when no other answer waits), so that the line can stop there.
    std::size_t OutputBeforeNextAnswer() const;

    // Faults, each for the next frame that is sent (ignored requests send none).
    // Stray bytes go out before that frame (at most kMaxStrayBytes).
    void InjectStrayBytes(const std::uint8_t* data, std::size_t count);
    // Only the first count bytes of the frame go out.
    void CutNextFrame(std::size_t count);
    // Output stops after the first count bytes of the frame until the stall ends;
    // a paced port waits milliseconds before it goes on.
    void StallNextFrame(std::size_t count, std::uint32_t milliseconds);
    // The next count capture requests get no answer.
    void IgnoreRequests(std::uint32_t count) { ignoreRequests_ += count; }

    // The sample of input 0 or 1 at an absolute sample index.
    std::int16_t InputSample(int input, std::int64_t index) const;

private:
    void Apply(const ParsedCommand& command);
    void AnswerCapture();
    // Where the frame starts on the sample clock, and the trigger index in it (-1 none).
    std::int64_t FindFrameStart(int& triggerIndex) const;
    void BuildFrame(std::int64_t start, int triggerIndex);

    InstrumentOptions options_;
    InstrumentSettings settings_;
    CommandParser parser_;
    std::int64_t sampleClock_ = 0; // the first sample after the last frame
    std::uint32_t frameNumber_ = 0;
    std::uint32_t captureRequests_ = 0;

    std::array<std::uint8_t, duruz::kFrameBytes> frame_{};
    ByteRing<kOutputCapacity> output_;
    std::uint64_t queuedTotal_ = 0; // bytes ever queued
    std::uint64_t takenTotal_ = 0;  // bytes ever taken
    std::int64_t receivedAt_ = 0;   // when the bytes being received arrived

    struct WaitingAnswer {
        std::uint64_t startsAt = 0; // in bytes ever queued
        std::int64_t requestArrived = 0;
    };
    // Oldest first, from waitingFirst_ round the array.
    std::array<WaitingAnswer, kMaxAnswersWaiting> waiting_{};
    std::size_t waitingFirst_ = 0;
    std::size_t waitingCount_ = 0;

    std::array<std::uint8_t, kMaxStrayBytes> stray_{};
    std::size_t strayCount_ = 0;
    bool cutArmed_ = false;
    std::size_t cutAfter_ = 0;
    bool stallArmed_ = false;
    std::size_t stallAfter_ = 0;
    std::uint32_t stallArmedMs_ = 0;
    bool stallActive_ = false;
    std::uint64_t stallAt_ = 0; // in bytes ever taken
    std::uint32_t stallMs_ = 0;
    std::uint32_t ignoreRequests_ = 0;
};

} // namespace sim
