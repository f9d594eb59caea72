#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

enum class CommandKind : std::uint8_t { None, Capture, Range, Sync, Generator };

// One command as the instrument understood it. Only the fields of its kind are set.
struct ParsedCommand {
    CommandKind kind = CommandKind::None;
    int channel = 0;       // Range: 0 for "%X", 1 for "%Y". Generator: 0 A, 1 B.
    int rangeIndex = 0;    // Range: 0..7
    int syncSource = 0;    // Sync: 0 Ch1, 1 Ch2
    int syncPolarity = 0;  // Sync: 0 Fall, 1 Rise
    int syncPosition = 0;  // Sync: the position field as sent
    int syncLevel = 0;     // Sync: the level field as sent (a sample value)
    char waveformCode = 0; // Generator: the code character as sent
    double frequency = 0;  // Generator: Hz
    double amplitude = 0;  // Generator: volts peak
};

// Splits the instrument's input byte stream into commands, one byte at a time, so
// a command may arrive in any number of pieces. Every command starts with '%' and a
// letter; "%z\r\n" asks for a frame, "%X<d>\r" and "%Y<d>\r" set a range,
// "%S<src><pol><pos:5><level:5>\r" the trigger, and "%G<ch><wave><freq>,<ampl>"
// the generator; the last has no terminator and ends at the next '%' or at CR/LF.
// Anything malformed is dropped, and bytes outside a command are skipped. The body
// buffer is fixed, so no input can make it grow.
class CommandParser {
public:
    static constexpr std::size_t kMaxBody = 48;

    // Takes one byte; returns the command it completed, or kind None.
    ParsedCommand Feed(std::uint8_t byte);

private:
    enum class State : std::uint8_t { Idle, Letter, Body };

    ParsedCommand Finish() const;
    void Start(char letter);

    State state_ = State::Idle;
    char letter_ = 0;
    std::array<char, kMaxBody> body_{};
    std::size_t length_ = 0;
};

} // namespace sim
