#include "sim/command_parser.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace sim {

namespace {

constexpr std::size_t kSyncBody = 12; // source, polarity, two 5-character numbers
constexpr std::size_t kRangeBody = 11;
constexpr int kRangeCount = 8;

// A whole text as one integer, leading spaces allowed (the fixed-width fields are
// right-aligned), nothing after it.
bool ParseInt(std::string_view text, int& value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// A whole text as a finite number, in the C locale's notation whatever the
// process locale.
bool ParseNumber(std::string_view text, double& value) {
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && std::isfinite(value);
}

bool IsCommandLetter(std::uint8_t byte) {
    return byte == 'z' || byte == 'X' || byte == 'Y' || byte == 'S' || byte == 'G';
}

} // namespace

void CommandParser::Start(char letter) {
    state_ = State::Body;
    letter_ = letter;
    length_ = 0;
}

ParsedCommand CommandParser::Feed(std::uint8_t byte) {
    ParsedCommand done;
    if (byte == '%') {
        // A '%' ends a generator command; any other command it cuts short is dropped.
        if (state_ == State::Body && letter_ == 'G')
            done = Finish();
        state_ = State::Letter;
        return done;
    }

    switch (state_) {
    case State::Idle:
        break;
    case State::Letter:
        if (IsCommandLetter(byte))
            Start(static_cast<char>(byte));
        else
            state_ = State::Idle;
        break;
    case State::Body: {
        const bool terminator =
            letter_ == 'z' ? byte == '\n' : (byte == '\r' || (letter_ == 'G' && byte == '\n'));
        if (terminator) {
            if (letter_ == 'z') {
                if (length_ == 1 && body_[0] == '\r')
                    done.kind = CommandKind::Capture;
            } else {
                done = Finish();
            }
            state_ = State::Idle;
            break;
        }
        std::size_t limit = letter_ == 'z'   ? 1
                            : letter_ == 'S' ? kSyncBody
                            : letter_ == 'G' ? kMaxBody
                                             : kRangeBody;
        if (length_ == limit || byte == '\n' || (letter_ == 'z' && byte != '\r')) {
            state_ = State::Idle;
            break;
        }
        body_[length_++] = static_cast<char>(byte);
        break;
    }
    }
    return done;
}

ParsedCommand CommandParser::Finish() const {
    ParsedCommand command;
    std::string_view body(body_.data(), length_);
    switch (letter_) {
    case 'X':
    case 'Y': {
        int index = 0;
        if (!ParseInt(body, index) || index < 0 || index >= kRangeCount)
            return command;
        command.kind = CommandKind::Range;
        command.channel = letter_ == 'X' ? 0 : 1;
        command.rangeIndex = index;
        return command;
    }
    case 'S': {
        if (body.size() != kSyncBody)
            return command;
        int source = body[0] - '0';
        int polarity = body[1] - '0';
        if (source < 0 || source > 1 || polarity < 0 || polarity > 1)
            return command;
        if (!ParseInt(body.substr(2, 5), command.syncPosition) ||
            !ParseInt(body.substr(7, 5), command.syncLevel))
            return command;
        command.kind = CommandKind::Sync;
        command.syncSource = source;
        command.syncPolarity = polarity;
        return command;
    }
    case 'G': {
        if (body.size() < 2 || (body[0] != '0' && body[0] != '1'))
            return command;
        std::string_view numbers = body.substr(2);
        std::size_t comma = numbers.find(',');
        if (comma == std::string_view::npos ||
            !ParseNumber(numbers.substr(0, comma), command.frequency) ||
            !ParseNumber(numbers.substr(comma + 1), command.amplitude))
            return command;
        command.kind = CommandKind::Generator;
        command.channel = body[0] - '0';
        command.waveformCode = body[1];
        return command;
    }
    default:
        return command;
    }
}

} // namespace sim
