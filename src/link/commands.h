#pragma once

#include "link/serial_link.h"
#include "toolkit/line_log.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace duruz {

// Every text the instrument is sent is built here, in the C locale whatever the
// user's locale. A command fits in 64 bytes.
struct CommandText {
    char bytes[64]{};
    std::size_t length = 0;
    std::string_view View() const { return {bytes, length}; }
};

// "%z\r\n", always exactly 4 bytes.
CommandText CaptureRequestCommand();
// "%X<index>\r" for channel 1 (channel 0 here), "%Y<index>\r" for channel 2.
CommandText RangeCommand(int channel, int rangeIndex);
// "%S<source><polarity><position:5><level:5>\r"; level is the field as sent
// (minus SyncLevel).
CommandText SyncCommand(int source, int polarity, int position, int level);
// What the generator is ever asked for: 1 Hz to 40 kHz, 0 to 1.5 V peak.
constexpr float kMinGeneratorHertz = 1.0f;
constexpr float kMaxGeneratorHertz = 40000.0f;
constexpr float kMinGeneratorVolts = 0.0f;
constexpr float kMaxGeneratorVolts = 1.5f;
// The generator's output settles within the time a 128-byte read on a silent line
// takes; a capture request waits that long after a generator command.
constexpr std::int64_t kGeneratorSettleMicros = 129'000;

// "%G<channel><waveform><freq>,<ampl>" with no terminator. Both values pass through
// a 32-bit float and are clamped to the generator's limits before they are printed.
// A waveform row outside 0..10 (no row selected) sends the code of "Off".
CommandText SigGenCommand(int channel, int waveformRow, double frequency, double amplitude);

// Echoes the text as one line to the log, then writes it to the port in one write.
void SendCommand(SerialLink& link, tk::LineLog& log, const CommandText& command);
// Sends a generator command; the next capture request waits for its output to settle.
void SendGeneratorCommand(SerialLink& link, tk::LineLog& log, const CommandText& command);
// "Range %d" line, then the range command.
void SendRange(SerialLink& link, tk::LineLog& log, int channel, int rangeIndex);

} // namespace duruz
