// The command stream as the instrument reads it, seen through the frames it sends.

#include "sim_test_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace sim_test;
using namespace std::string_literals;
using sim::SimulatedInstrument;

constexpr sim::InstrumentOptions kQuiet{.seed = 5, .noise = false};
// The start-up sequence as the application puts it on the wire; the generator
// command has no terminator, the next '%' ends it.
const std::string kStartup = "%z\r\n%S01  298    0\r%S10 2048-2000\r%X3\r%Y7\r"
                             "%G01200.000000,1.000000%z\r\n%G151000.700012,0.250000%z\r\n";

TEST(CommandStream, SameFramesWhereverTheStreamIsSplit) {
    SimulatedInstrument whole(kQuiet);
    Send(whole, kStartup);
    const Bytes expected = TakeAll(whole);
    ASSERT_EQ(expected.size(), 3 * duruz::kFrameBytes);
    // Words 12..60 of the last frame: ranges; sync source, polarity, position, level;
    // free-running; generators A and B: code, mHz, mV.
    const std::uint32_t kHeader[] = {
        3, 7, 1, 0, 2048, std::uint32_t(-2000), 0xFFFFFFFF, 1, 200000, 1000, 5, 1000700, 250};
    for (std::size_t k = 0; k < std::size(kHeader); ++k)
        EXPECT_EQ(Word(expected, 2 * duruz::kFrameBytes + 12 + 4 * k), kHeader[k]) << k;

    for (std::size_t split = 0; split <= kStartup.size(); ++split) {
        SimulatedInstrument pieces(kQuiet);
        Send(pieces, std::string_view(kStartup).substr(0, split));
        Send(pieces, std::string_view(kStartup).substr(split));
        EXPECT_EQ(TakeAll(pieces), expected) << "split at " << split;
    }
}

TEST(CommandStream, SkipsJunkAndMalformedCommands) {
    SimulatedInstrument clean(kQuiet), messy(kQuiet);
    Send(clean, kStartup);
    Send(messy, kStartup);
    Send(messy, "hello\r\n%Q12\r%X9\r%X-1\r%X\r%X33333333333333333\r%S0  298    0\r%S21  298    0\r"
                "%S01 29a8    0\r%S01  298    0 \r%S01  298    0\n%G2100,1%%G01abc,1\r%G011.0;2.0\r"
                "%G01nan,1\r%G01inf,1\r%G011000,\r%z\n%z\r\r\n%%%%%zz\r\n\0\xff\x80%\0"s +
                    "%Y" + std::string(500, '5') + "\r");
    // Good commands around junk still count, one cut short by a '%' or too long is
    // dropped, and CR or LF also ends a generator command.
    Send(messy, "xx%S11  100  -50\r\xff%S10  999  -77%X5\r%G0640000.000000,1.500000\r%G179.5,0\n"
                "%G15" +
                    std::string(60, '0') + "1,1%z\r");
    EXPECT_EQ(Capture(messy), Capture(clean, "%S11  100  -50\r%X5\r%G0640000,1.5%G179.5,0"));

    // A flood of requests and noise keeps the output bounded: four frames queue.
    const std::uint32_t sent = messy.FramesSent();
    for (int i = 0; i < 100; ++i)
        Send(messy, "%z\r\n");
    std::string noise(200000, '\0');
    std::uint32_t x = 12345;
    for (char& c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    Send(messy, noise);
    EXPECT_LE(messy.OutputAvailable(), SimulatedInstrument::kOutputCapacity);
    EXPECT_EQ(messy.FramesSent(), sent + 4);
    Send(messy, "\r%X6\r"); // the parser has not lost its footing
    EXPECT_EQ(messy.Settings().rangeIndex[0], 6);
}

} // namespace
