#include "sim/command_parser.h"
#include "sim/simulated_instrument.h"
#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using sim::CommandKind;
using sim::CommandParser;
using sim::ParsedCommand;
using sim::SimulatedInstrument;
using sim_test::Send;

std::vector<ParsedCommand> ParseAll(std::string_view text) {
    CommandParser parser;
    std::vector<ParsedCommand> commands;
    for (char c : text) {
        ParsedCommand command = parser.Feed(std::uint8_t(c));
        if (command.kind != CommandKind::None)
            commands.push_back(command);
    }
    return commands;
}

// The start-up sequence as the application puts it on the wire.
const std::string kStartup = std::string("%z\r\n") + "%S01  298    0\r" + "%S10 2048-2000\r" +
                             "%X3\r" + "%Y7\r" + "%G01200.000000,1.000000" + "%z\r\n" +
                             "%G151000.700012,0.250000" + "%z\r\n";

TEST(CommandParser, ReadsEveryFieldOfEachCommand) {
    std::vector<ParsedCommand> commands = ParseAll(kStartup);
    ASSERT_EQ(commands.size(), 9u);
    EXPECT_EQ(commands[0].kind, CommandKind::Capture);

    EXPECT_EQ(commands[1].kind, CommandKind::Sync);
    EXPECT_EQ(commands[1].syncSource, 0);
    EXPECT_EQ(commands[1].syncPolarity, 1);
    EXPECT_EQ(commands[1].syncPosition, 298);
    EXPECT_EQ(commands[1].syncLevel, 0);
    EXPECT_EQ(commands[2].syncSource, 1);
    EXPECT_EQ(commands[2].syncPolarity, 0);
    EXPECT_EQ(commands[2].syncPosition, 2048);
    EXPECT_EQ(commands[2].syncLevel, -2000);

    EXPECT_EQ(commands[3].kind, CommandKind::Range);
    EXPECT_EQ(commands[3].channel, 0);
    EXPECT_EQ(commands[3].rangeIndex, 3);
    EXPECT_EQ(commands[4].channel, 1);
    EXPECT_EQ(commands[4].rangeIndex, 7);

    // The generator command has no terminator: the next '%' ends it.
    EXPECT_EQ(commands[5].kind, CommandKind::Generator);
    EXPECT_EQ(commands[5].channel, 0);
    EXPECT_EQ(commands[5].waveformCode, '1');
    EXPECT_DOUBLE_EQ(commands[5].frequency, 200.0);
    EXPECT_DOUBLE_EQ(commands[5].amplitude, 1.0);
    EXPECT_EQ(commands[6].kind, CommandKind::Capture);
    EXPECT_EQ(commands[7].channel, 1);
    EXPECT_EQ(commands[7].waveformCode, '5');
    EXPECT_DOUBLE_EQ(commands[7].frequency, 1000.700012);
    EXPECT_DOUBLE_EQ(commands[7].amplitude, 0.25);
    EXPECT_EQ(commands[8].kind, CommandKind::Capture);

    // CR or LF also ends a generator command.
    std::vector<ParsedCommand> ended = ParseAll("%G0640000.000000,1.500000\r%G179.5,0\n");
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].waveformCode, '6');
    EXPECT_DOUBLE_EQ(ended[0].frequency, 40000.0);
    EXPECT_EQ(ended[1].waveformCode, '7');
    EXPECT_DOUBLE_EQ(ended[1].frequency, 9.5);
}

TEST(CommandParser, SkipsJunkAndMalformedCommands) {
    std::string junk = std::string("hello\r\n") + "%Q12\r" + "%X9\r" + "%X-1\r" + "%X\r" +
                       "%X33333333333333333\r" + "%S0  298    0\r" + "%S21  298    0\r" +
                       "%S01 29a8    0\r" + "%S01  298    0 \r" + "%S01  298    0\n" + "%G2100,1%" +
                       "%G01abc,1\r" + "%G011.0;2.0\r" + "%G01nan,1\r" + "%G01inf,1\r" +
                       "%G011000,\r" + "%z\n" + "%z\r\r\n" + "%%%%" + "%zz\r\n" +
                       std::string("\0\xff\x80%\0", 5) + "%Y" + std::string(500, '5') + "\r";
    EXPECT_TRUE(ParseAll(junk).empty());

    // Good commands around the junk still come through, and a command cut short by
    // the next '%' is dropped.
    std::vector<ParsedCommand> commands = ParseAll("xx%X5\r\xff%S11  100  -50%S11  100  -50\r%G0" +
                                                   std::string(1000, '9') + "%Y2\r%z\r%z\r\n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].rangeIndex, 5);
    EXPECT_EQ(commands[1].kind, CommandKind::Sync);
    EXPECT_EQ(commands[1].syncLevel, -50);
    EXPECT_EQ(commands[2].kind, CommandKind::Range);
    EXPECT_EQ(commands[2].rangeIndex, 2);
    EXPECT_EQ(commands[3].kind, CommandKind::Capture);
}

TEST(SimulatedInstrument, SameResultWhereverTheStreamIsSplit) {
    SimulatedInstrument whole({.seed = 5, .noise = false});
    Send(whole, kStartup);
    std::vector<std::uint8_t> expected = sim_test::TakeAll(whole);
    ASSERT_EQ(expected.size(), 3 * duruz::kFrameBytes);

    for (std::size_t split = 0; split <= kStartup.size(); ++split) {
        SimulatedInstrument pieces({.seed = 5, .noise = false});
        Send(pieces, std::string_view(kStartup).substr(0, split));
        Send(pieces, std::string_view(kStartup).substr(split));
        EXPECT_EQ(sim_test::TakeAll(pieces), expected) << "split at " << split;
    }

    SimulatedInstrument bytes({.seed = 5, .noise = false});
    for (char c : kStartup)
        Send(bytes, std::string_view(&c, 1));
    EXPECT_EQ(sim_test::TakeAll(bytes), expected);
    EXPECT_EQ(bytes.CaptureRequests(), 3u);
    const sim::InstrumentSettings& settings = bytes.Settings();
    EXPECT_EQ(settings.rangeIndex[0], 3);
    EXPECT_EQ(settings.rangeIndex[1], 7);
    EXPECT_EQ(settings.sync.source, 1);
    EXPECT_EQ(settings.sync.position, 2048);
    EXPECT_EQ(settings.sync.level, -2000);
    EXPECT_EQ(settings.generator[0].waveform, sim::Waveform::Sine);
    EXPECT_EQ(settings.generator[1].waveform, sim::Waveform::Triangle);
    EXPECT_DOUBLE_EQ(settings.generator[1].amplitude, 0.25);
}

TEST(SimulatedInstrument, HostileInputKeepsItsOutputBounded) {
    SimulatedInstrument instrument;
    // Flood it with capture requests and pseudo-random bytes.
    std::string flood;
    for (int i = 0; i < 100; ++i)
        flood += "%z\r\n";
    std::uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        flood.push_back(char(x >> 24));
    }
    Send(instrument, flood);
    EXPECT_LE(instrument.OutputAvailable(), SimulatedInstrument::kOutputCapacity);
    EXPECT_EQ(instrument.FramesSent(), 4u); // the queue holds four frames

    // The parser has not lost its footing.
    Send(instrument, "\r%X6\r");
    EXPECT_EQ(instrument.Settings().rangeIndex[0], 6);
}

} // namespace
