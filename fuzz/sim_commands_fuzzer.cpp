// Arbitrary bytes as the simulated instrument's command stream, handed over in
// arbitrary pieces with the frames read out in arbitrary amounts in between. Every
// setting must stay inside what the instrument can do, and every frame that comes
// out must be a whole, well-formed frame; a broken rule traps.
//
// Input layout: bytes 0 and 1 seed the choice of piece and read-out sizes; the rest
// is the command stream.
#include "sim/simulated_instrument.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using duruz::kFrameBytes;
using sim::SimulatedInstrument;

// A frame's header is cheap, its samples are not (each request searches up to four
// frames' worth for a trigger), so an input stops being fed after this many requests.
constexpr std::uint32_t kMaxCaptureRequests = 24;
constexpr std::uint8_t kMarker[4] = {0x78, 0x48, 0x78, 0x48};

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::uint32_t Word(const std::uint8_t* frame, std::size_t offset) {
    const std::uint8_t* p = frame + offset;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// The piece sizes and read-out amounts, from the input's first two bytes.
class Choices {
public:
    explicit Choices(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

private:
    std::uint32_t state_;
};

void CheckSettings(const SimulatedInstrument& instrument) {
    const sim::InstrumentSettings& settings = instrument.Settings();
    for (int range : settings.rangeIndex)
        Check(range >= 0 && range <= 7);
    Check(settings.sync.source == 0 || settings.sync.source == 1);
    Check(settings.sync.polarity == 0 || settings.sync.polarity == 1);
    for (const sim::GeneratorSetting& generator : settings.generator) {
        Check(std::isfinite(generator.frequency) && generator.frequency >= 0 &&
              generator.frequency <= 51200.0);
        Check(std::isfinite(generator.amplitude) && generator.amplitude >= 0 &&
              generator.amplitude <= 1.5);
    }
}

// Reassembles the output into frames and checks each header as it completes.
class FrameReader {
public:
    void Take(SimulatedInstrument& instrument, std::size_t amount) {
        while (amount > 0) {
            const std::size_t want = std::min(amount, kFrameBytes - filled_);
            const std::size_t got = instrument.TakeOutput(frame_.data() + filled_, want);
            if (got == 0)
                return;
            Check(got <= want);
            filled_ += got;
            amount -= got;
            taken_ += got;
            if (filled_ == kFrameBytes) {
                CheckFrame();
                filled_ = 0;
            }
        }
    }
    std::uint64_t Taken() const { return taken_; }

private:
    void CheckFrame() {
        const std::uint8_t* f = frame_.data();
        Check(std::memcmp(f, kMarker, sizeof kMarker) == 0);
        Check(Word(f, 4) == duruz::kSamplePairs);
        Check(Word(f, 8) == ++frames_); // frames are numbered from 1, none skipped
        Check(Word(f, 12) <= 7 && Word(f, 16) <= 7);
        Check(Word(f, 20) <= 1 && Word(f, 24) <= 1);
        const std::uint32_t position = Word(f, 28);
        Check(position <= duruz::kSamplePairs);
        const auto trigger = static_cast<std::int32_t>(Word(f, 36));
        Check(trigger == -1 || trigger == static_cast<std::int32_t>(position));
        for (std::size_t g = 0; g < 2; ++g) {
            Check(Word(f, 44 + 12 * g) <= 51200000u); // mHz
            Check(Word(f, 48 + 12 * g) <= 1500u);     // mV
        }
        Check(Word(f, 64) == 102400u);
        for (std::size_t offset = 72; offset < duruz::kHeaderBytes; ++offset)
            Check(f[offset] == 0);
    }

    std::array<std::uint8_t, kFrameBytes> frame_{};
    std::size_t filled_ = 0;
    std::uint64_t taken_ = 0;
    std::uint32_t frames_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    Choices choices(std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8);
    const std::uint8_t* stream = data + 2;
    const std::size_t streamSize = size - 2;

    sim::InstrumentOptions options;
    options.seed = data[0];
    SimulatedInstrument instrument(options);
    FrameReader reader;

    std::size_t at = 0;
    while (at < streamSize && instrument.CaptureRequests() < kMaxCaptureRequests) {
        const std::size_t piece = std::min<std::size_t>(1 + choices.Next() % 24, streamSize - at);
        instrument.Receive(stream + at, piece);
        at += piece;
        CheckSettings(instrument);
        Check(instrument.OutputAvailable() <= SimulatedInstrument::kOutputCapacity);
        // Now and then the host reads nothing, so that frames pile up to the limit.
        const std::uint32_t choice = choices.Next();
        if (choice % 4 != 0)
            reader.Take(instrument, choice % (2 * kFrameBytes));
    }
    reader.Take(instrument, SIZE_MAX);

    // Without faults every answered request is one whole frame, and all of it came out.
    Check(instrument.FramesSent() <= instrument.CaptureRequests());
    Check(instrument.OutputAvailable() == 0);
    Check(reader.Taken() == std::uint64_t(instrument.FramesSent()) * kFrameBytes);
    return 0;
}
