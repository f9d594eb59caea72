// duruz-sim: serves the simulated instrument on a pseudo-terminal. The first line
// on standard output is the slave's path; open it as a serial port, or the symbolic
// link that --link makes to it. Runs until SIGINT or SIGTERM.

#include "sim/circuit.h"
#include "sim/pseudo_terminal.h"
#include "sim/sim_clock.h"
#include "sim/simulator_port.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}

struct Faults {
    std::size_t strayBytes = 0;
    bool cut = false;
    std::size_t cutAfter = 0;
    bool stall = false;
    std::size_t stallAfter = 0;
    std::uint32_t stallMs = 0;
    std::uint32_t ignore = 0;
    std::uint32_t every = 0; // 0: only the first frame
    bool chaos = false;      // --chaos: faults at random on every request
    std::uint64_t chaosState = 0;
};

struct Options {
    sim::InstrumentOptions instrument;
    Faults faults;
    const char* link = nullptr; // --link PATH
    const char* log = nullptr;  // --log FILE
};

constexpr const char* kUsage =
    "usage: duruz-sim [options]\n"
    "Serves the simulated oscilloscope and generator on a pseudo-terminal at the\n"
    "pace of 115200 baud. The first output line is the device path to open.\n"
    "\n"
    "  --link PATH     a symbolic link PATH to the pseudo-terminal while it runs;\n"
    "                  an existing link there is replaced, any other file is not\n"
    "  --log FILE      write every byte received to FILE (created or emptied),\n"
    "                  flushed as it comes, for tests that check the wire\n"
    "  --seed N        noise seed (default 1)\n"
    "  --no-noise      no noise on the inputs\n"
    "  --no-demo       silence, not the demo signals, on inputs whose generator is off\n"
    "  --capture-ms MS each answer starts MS milliseconds after the instrument\n"
    "                  reaches its request, the time it captures (0 to 60000,\n"
    "                  default 20)\n"
    "  --usb-latency MS\n"
    "                  bytes come in 62-byte packets as from a USB serial adapter,\n"
    "                  a partial one MS milliseconds after its last byte (1 to\n"
    "                  255; 0, the default, is off)\n"
    "  --stray N       N stray bytes before the first frame\n"
    "  --cut N         the first frame stops after N bytes\n"
    "  --stall N:MS    the first frame pauses MS milliseconds after N bytes\n"
    "  --ignore K      the first K capture requests get no answer\n"
    "  --every M       repeat the faults above on every M-th capture request\n"
    "  --chaos SEED    after each capture request, at random: its answer is slow,\n"
    "                  ignored, cut, stalled or preceded by garbage (for soak runs)\n"
    "  --dut CIRCUIT   a circuit between generator A and input 2, input 1 on\n"
    "                  generator A: lowpass:FC, highpass:FC, bandpass:F0:Q or\n"
    "                  lowpass2:FC:Q (FC and F0 in Hz), or none: input 2 straight\n"
    "                  on generator A too, to calibrate\n"
    "  --mismatch GAIN:DELAY_US\n"
    "                  a gain error and a delay on input 2, input 1 on generator A\n"
    "  --mark-settings the first three sample pairs of each frame carry the settings\n"
    "                  it was captured under: ranges 1 and 2, trigger position and\n"
    "                  level, source * 2 + polarity, generator codes A * 16 + B\n"
    "  --help          this text\n";

template <typename T> bool ParseNumber(std::string_view text, T& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// Returns 0 to run, 1 for a usage error, 2 after --help.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&](std::string_view& text) {
            if (i + 1 >= argc)
                return false;
            text = argv[++i];
            return true;
        };
        std::string_view text;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 2;
        } else if (arg == "--link") {
            ok = value(text);
            options.link = text.data();
        } else if (arg == "--log") {
            ok = value(text);
            options.log = text.data();
        } else if (arg == "--no-noise") {
            options.instrument.noise = false;
        } else if (arg == "--no-demo") {
            options.instrument.demo = false;
        } else if (arg == "--seed") {
            ok = value(text) && ParseNumber(text, options.instrument.seed);
        } else if (arg == "--capture-ms") {
            ok = value(text) && ParseNumber(text, options.instrument.captureMs) &&
                 options.instrument.captureMs <= sim::kMaxCaptureMs;
        } else if (arg == "--usb-latency") {
            ok = value(text) && ParseNumber(text, options.instrument.usbLatencyMs) &&
                 options.instrument.usbLatencyMs <= sim::kMaxUsbLatencyMs;
        } else if (arg == "--stray") {
            ok = value(text) && ParseNumber(text, options.faults.strayBytes) &&
                 options.faults.strayBytes <= sim::SimulatedInstrument::kMaxStrayBytes;
        } else if (arg == "--cut") {
            ok = value(text) && ParseNumber(text, options.faults.cutAfter);
            options.faults.cut = true;
        } else if (arg == "--stall") {
            std::size_t colon = 0;
            ok = value(text) && (colon = text.find(':')) != std::string_view::npos &&
                 ParseNumber(text.substr(0, colon), options.faults.stallAfter) &&
                 ParseNumber(text.substr(colon + 1), options.faults.stallMs);
            options.faults.stall = true;
        } else if (arg == "--ignore") {
            ok = value(text) && ParseNumber(text, options.faults.ignore);
        } else if (arg == "--chaos") {
            ok = value(text) && ParseNumber(text, options.faults.chaosState);
            options.faults.chaos = true;
        } else if (arg == "--dut" || arg == "--mismatch") {
            std::optional<std::string> refusal = "needs a value";
            if (value(text))
                refusal = arg == "--dut" ? sim::ParseCircuit(text, options.instrument.circuit)
                                         : sim::ParseMismatch(text, options.instrument.mismatch);
            if (refusal) {
                std::fprintf(stderr, "duruz-sim: %s %s\n", arg.data(), refusal->c_str());
                return 1;
            }
        } else if (arg == "--mark-settings") {
            options.instrument.markSettings = true;
        } else if (arg == "--every") {
            ok = value(text) && ParseNumber(text, options.faults.every) && options.faults.every > 0;
        } else {
            std::fprintf(stderr, "duruz-sim: unknown option %s\n%s", argv[i], kUsage);
            return 1;
        }
        if (!ok) {
            std::fprintf(stderr, "duruz-sim: bad value for %s\n%s", arg.data(), kUsage);
            return 1;
        }
    }
    return 0;
}

void ArmFaults(sim::SimulatedInstrument& instrument, const Faults& faults) {
    std::array<std::uint8_t, sim::SimulatedInstrument::kMaxStrayBytes> stray{};
    // Pieces of the marker, to give the frame synchronisation something to chew on.
    for (std::size_t i = 0; i < stray.size(); ++i)
        stray[i] = i % 4 == 3 ? 0x00 : (i % 2 == 0 ? 0x48 : 0x78);
    instrument.InjectStrayBytes(stray.data(), faults.strayBytes);
    if (faults.cut)
        instrument.CutNextFrame(faults.cutAfter);
    if (faults.stall)
        instrument.StallNextFrame(faults.stallAfter, faults.stallMs);
    instrument.IgnoreRequests(faults.ignore);
}

std::uint64_t NextRandom(std::uint64_t& state) {
    std::uint64_t x = (state += 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// One request in three or so gets a fault for the next answer: mostly a slow answer
// (a long capture, as when waiting for a trigger), else an ignored request, a cut
// or stalled frame, or garbage before it.
void ArmChaos(sim::SimulatedInstrument& instrument, std::uint64_t& state) {
    const auto below = [&state](std::uint64_t n) { return std::size_t(NextRandom(state) % n); };
    switch (below(25)) {
    case 0:
        instrument.IgnoreRequests(1);
        break;
    case 1:
        instrument.CutNextFrame(below(duruz::kFrameBytes));
        break;
    case 2:
        instrument.StallNextFrame(below(duruz::kFrameBytes), std::uint32_t(100 + below(1400)));
        break;
    case 3: {
        std::array<std::uint8_t, sim::SimulatedInstrument::kMaxStrayBytes> garbage{};
        for (std::uint8_t& byte : garbage)
            byte = std::uint8_t(below(256));
        instrument.InjectStrayBytes(garbage.data(), 1 + below(garbage.size()));
        break;
    }
    case 4:
    case 5:
    case 6:
        instrument.StallNextFrame(0, std::uint32_t(50 + below(800)));
        break;
    default:
        break;
    }
}

// Where --log writes the bytes received; none without it.
FILE* receivedLog = nullptr;

void TakeCommands(int master, sim::SimulatorPort& port, Faults& faults) {
    std::array<std::uint8_t, 256> input;
    for (;;) {
        ssize_t n = ::read(master, input.data(), input.size());
        if (n <= 0)
            return;
        // Flushed at once, so a reader sees each command while the run goes on.
        if (receivedLog != nullptr) {
            std::fwrite(input.data(), 1, std::size_t(n), receivedLog);
            std::fflush(receivedLog);
        }
        std::uint32_t before = port.Instrument().CaptureRequests();
        // Byte by byte, so that faults meant for every M-th request are armed in time.
        for (ssize_t i = 0; i < n; ++i) {
            port.Write(&input[std::size_t(i)], 1);
            std::uint32_t requests = port.Instrument().CaptureRequests();
            if (requests != before && faults.every > 0 && requests % faults.every == 0)
                ArmFaults(port.Instrument(), faults);
            if (requests != before && faults.chaos)
                ArmChaos(port.Instrument(), faults.chaosState);
            before = requests;
        }
    }
}

// Writes all of it to the master, taking in commands while the client is slow to
// read. Returns false when stopped or the line failed.
bool WriteAll(int master, sim::SimulatorPort& port, const std::uint8_t* data, std::size_t count,
              Faults& faults) {
    while (count > 0 && !stopRequested) {
        ssize_t n = ::write(master, data, count);
        if (n > 0) {
            data += n;
            count -= std::size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd entry{master, POLLIN | POLLOUT, 0};
        if (poll(&entry, 1, 200) > 0 && (entry.revents & POLLIN))
            TakeCommands(master, port, faults);
    }
    return !stopRequested;
}

// Without USB packets, pieces of 8 bytes (0.69 ms) keep the gaps on the line under
// a client's 1 ms interval time-out; with them, a piece is what came in one packet.
std::size_t ReadPiece(sim::SimulatorPort& port,
                      std::array<std::uint8_t, sim::SimulatorPort::kUsbPacketBytes>& piece,
                      bool packets) {
    if (!packets)
        return port.Read(piece.data(), 8);
    port.SetTimeouts(serial::Timeouts{});
    if (port.Read(piece.data(), 1) == 0)
        return 0;
    // The rest of the packet is there already: take it without waiting.
    port.SetTimeouts(serial::Timeouts{0xFFFFFFFF, 0, 0, 0, 0});
    return 1 + port.Read(piece.data() + 1, piece.size() - 1);
}

// The symbolic link --link makes to the slave, so a client keeps one name across
// restarts. It replaces an older link at once, never any other file, and goes when
// the simulator ends, unless a newer one has taken its place meanwhile.
class SlaveLink {
public:
    // Makes the link, or says on standard error why not and returns false.
    bool Make(const char* path, const char* slave) {
        struct stat there {};
        if (::lstat(path, &there) == 0 && !S_ISLNK(there.st_mode)) {
            std::fprintf(stderr, "duruz-sim: %s exists and is not a symbolic link; not replaced\n",
                         path);
            return false;
        }
        // Made beside it and renamed over it, so the name is never missing meanwhile.
        const std::string fresh = std::string(path) + ".duruz-sim-" + std::to_string(::getpid());
        bool made = ::symlink(slave, fresh.c_str()) == 0;
        if (made && (::rename(fresh.c_str(), path) != 0 || ::lstat(path, &made_) != 0)) {
            const int error = errno;
            ::unlink(fresh.c_str());
            errno = error;
            made = false;
        }
        if (!made) {
            std::fprintf(stderr, "duruz-sim: cannot make the link %s: %s\n", path,
                         std::strerror(errno));
            return false;
        }
        path_ = path;
        return true;
    }
    ~SlaveLink() {
        struct stat there {};
        if (!path_.empty() && ::lstat(path_.c_str(), &there) == 0 && there.st_dev == made_.st_dev &&
            there.st_ino == made_.st_ino)
            ::unlink(path_.c_str());
    }

private:
    std::string path_;
    struct stat made_ {};
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (int result = ParseOptions(argc, argv, options); result != 0)
        return result == 2 ? 0 : 2;

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr); // no SA_RESTART: a stop ends any wait
    sigaction(SIGTERM, &action, nullptr);

    if (options.log != nullptr && (receivedLog = std::fopen(options.log, "wb")) == nullptr) {
        std::fprintf(stderr, "duruz-sim: cannot write the log %s: %s\n", options.log,
                     std::strerror(errno));
        return 1;
    }
    sim::PseudoTerminal terminal;
    if (!sim::OpenPseudoTerminal(terminal)) {
        std::fprintf(stderr, "duruz-sim: cannot create a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    SlaveLink link;
    if (options.link != nullptr && !link.Make(options.link, terminal.slavePath.data())) {
        sim::ClosePseudoTerminal(terminal);
        return 1;
    }
    std::printf("%s\n", terminal.slavePath.data());
    std::fflush(stdout);

    sim::SteadySimClock clock;
    sim::SimulatorPort port(clock, options.instrument);
    port.Open("Simulator");
    // No read time-outs: each read waits for its piece at the wire's pace, or
    // returns at once when nothing more is on its way.
    port.SetTimeouts(serial::Timeouts{});
    ArmFaults(port.Instrument(), options.faults);

    std::array<std::uint8_t, sim::SimulatorPort::kUsbPacketBytes> piece;
    while (!stopRequested) {
        TakeCommands(terminal.master, port, options.faults);
        std::size_t n = ReadPiece(port, piece, options.instrument.usbLatencyMs > 0);
        if (n > 0) {
            if (!WriteAll(terminal.master, port, piece.data(), n, options.faults))
                break;
            continue;
        }
        pollfd entry{terminal.master, POLLIN, 0};
        poll(&entry, 1, 200);
    }
    sim::ClosePseudoTerminal(terminal);
    if (receivedLog != nullptr)
        std::fclose(receivedLog);
    return 0;
}
