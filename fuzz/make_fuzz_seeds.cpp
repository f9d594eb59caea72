// Writes the seed corpora into the folder given (fuzz/corpus): settings files as the
// program saves them and as people edit them, frames as the simulated instrument
// sends them with the usual troubles of a serial line, and each instrument command.
// The layouts are those of the fuzz targets' own comments.
#include "session/config_file.h"
#include "session/settings_defaults.h"
#include "sim/simulated_instrument.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void Write(const fs::path& path, const std::string& text) {
    Write(path, Bytes(text.begin(), text.end()));
}

Bytes Frame(sim::SimulatedInstrument& instrument) {
    const std::string request = "%z\r\n";
    instrument.Receive(reinterpret_cast<const std::uint8_t*>(request.data()), request.size());
    Bytes frame(instrument.OutputAvailable());
    frame.resize(instrument.TakeOutput(frame.data(), frame.size()));
    return frame;
}

// interval byte, tick count, read sizes, one op a tick, then the stream.
Bytes CaptureInput(std::uint8_t ticks, std::initializer_list<std::uint8_t> ops,
                   std::initializer_list<std::uint8_t> sizes, const Bytes& stream) {
    Bytes input = {0, std::uint8_t(ticks - 1), std::uint8_t(sizes.size()), 0};
    input.insert(input.end(), ops.begin(), ops.end());
    input.resize(4 + ticks, 0);
    input.insert(input.end(), sizes.begin(), sizes.end());
    input.insert(input.end(), stream.begin(), stream.end());
    return input;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

void WriteConfigSeeds(const fs::path& dir) {
    fs::create_directories(dir);
    duruz::ScopeSettings settings;
    duruz::ApplyStartupDefaults(settings, -1);
    settings.port.path = "/dev/ttyUSB0";
    Write(dir / "saved_start_up.ini", duruz::FormatConfig(settings));

    settings.sweepRow = 0;
    settings.trigger = {1, -1, -1500, 2048};
    settings.hold = true;
    settings.generator[0] = {8, "5", ""};
    settings.generator[1].frequency = "12 345";
    settings.port.path = "COM5";
    const std::string changed = duruz::FormatConfig(settings);
    Write(dir / "saved_changed.ini", changed);

    // Ten lines only, then every line ending in LF alone with blank lines between.
    std::size_t tenth = 0;
    for (int line = 0; line < 10; ++line)
        tenth = changed.find("\r\n", tenth) + 2;
    Write(dir / "ten_lines.ini", changed.substr(0, tenth));
    std::string edited;
    for (char c : changed) {
        if (c == '\r')
            continue;
        edited += c;
        if (c == '\n')
            edited += '\n';
    }
    Write(dir / "edited_lf.ini", edited);

    // A line of 120 characters after a line end, and a run of high bytes.
    Write(dir / "long_line.ini", "SwpSp 1\r\n" + std::string(120, '7') + "\r\nSySrc 1\r\n");
    Write(dir / "high_bytes.ini",
          "SwpSp 1" + std::string(100, '\xE9') + "SySrc 0\x80\x81SyPol 1\r\nComPt 2 x\r\n");
}

void WriteCaptureSeeds(const fs::path& dir) {
    fs::create_directories(dir);
    sim::SimulatedInstrument instrument;
    const Bytes frame = Frame(instrument);
    const Bytes next = Frame(instrument);

    // Reads alternate between nothing and a whole chunk; the drain meets the silence.
    Write(dir / "clean_frame", CaptureInput(3, {}, {0, 128}, frame));
    Write(dir / "stray_2_bytes", CaptureInput(3, {}, {0, 128}, Join({{0x11, 0x22}, frame})));
    Write(dir / "stray_5_bytes", CaptureInput(3, {}, {0, 128}, Join({{1, 2, 3, 4, 5}, frame})));
    Write(dir / "stray_0x48", CaptureInput(3, {}, {0, 128}, Join({{0x48}, frame})));
    // Ragged reads, two frames back to back, Hold on for the second tick.
    Write(dir / "ragged_reads",
          CaptureInput(6, {0, 1, 0, 0}, {0, 1, 7, 128, 0, 0, 33, 100}, Join({frame, next})));
    // A frame cut short, a screen click that requests again, then a whole frame.
    const Bytes cut(frame.begin(), frame.begin() + 3000);
    Write(dir / "cut_then_click", CaptureInput(5, {0, 0, 2, 0, 0}, {0, 64}, Join({cut, next})));
    // Held from the start: nothing is requested, nothing read.
    Write(dir / "held", CaptureInput(4, {1, 1, 1, 1}, {0, 128}, frame));
}

void WriteSimCommandSeeds(const fs::path& dir) {
    fs::create_directories(dir);
    // Two bytes choose the pieces; then the commands as the program sends them.
    const auto seed = [](const std::string& commands) {
        return std::string("\x01\x00", 2) + commands;
    };
    Write(dir / "capture", seed("%z\r\n"));
    Write(dir / "range_x", seed("%X3\r%z\r\n"));
    Write(dir / "range_y", seed("%Y7\r%z\r\n"));
    Write(dir / "sync", seed("%S01  298    0\r%z\r\n"));
    Write(dir / "sync_xy", seed("%S10 2048-2000\r%z\r\n"));
    Write(dir / "generator", seed("%G01200.000000,1.000000%z\r\n"));
    Write(dir / "generator_lf", seed("%G179.5,0\n%z\r\n"));
    Write(dir / "start_up", seed("%z\r\n%S01  298    0\r%S10 2048-2000\r%X3\r%Y7\r"
                                 "%G01200.000000,1.000000%z\r\n%G151000.700012,0.250000%z\r\n"));
    Write(dir / "junk", seed("hello\r\n%Q12\r%X9\r%X-1\r%X\r%S0  298    0\r%G2100,1%z\r\n"));
    Write(dir / "many_requests", seed("%z\r\n%z\r\n%z\r\n%z\r\n%z\r\n%z\r\n"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    WriteConfigSeeds(corpus / "config");
    WriteCaptureSeeds(corpus / "capture");
    WriteSimCommandSeeds(corpus / "sim_commands");
    return 0;
}
