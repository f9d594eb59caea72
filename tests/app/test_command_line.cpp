#include "app/command_line.h"
#include "app/version.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr std::array kToolkitOptions = {
    tk::ToolkitOption{"platform", "platformName[:options]", "QPA plugin."},
    tk::ToolkitOption{"style", "style", ""},
    tk::ToolkitOption{"reverse", "", ""},
};

// The exit status (-1 for none), standard output and standard error of a run.
struct Outcome {
    int status = -1;
    std::string out, err;
    duruz::CommandLine line;
};

Outcome Read(std::vector<const char*> args) {
    args.insert(args.begin(), "duruz");
    Outcome outcome;
    std::ostringstream out, err;
    outcome.status = duruz::ReadCommandLine(int(args.size()), args.data(), kToolkitOptions,
                                            outcome.line, out, err)
                         .value_or(-1);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

// Values at their limits are taken and one past them refused with status 2; --port
// repeats in order; the toolkit's options and their values pass by, wherever they stand.
TEST(CommandLine, TakesValuesAtTheirLimitsAndLeavesTheToolkitsOptions) {
    const std::string longest = "/dev/" + std::string(74, 'p');
    const Outcome taken =
        Read({"-platform", "offscreen", "--port", "/dev/ttyUSB0", "--style=fusion", "--capture-ms",
              "1000", "-reverse", "--usb-latency=0", "--port", longest.c_str(), "--trace", "t.txt",
              "left over", "--sim-dut", "bandpass:1000:2", "--sim-mismatch=1.02:-3"});
    EXPECT_EQ(
        std::tuple(taken.status, taken.err, taken.line.ports, taken.line.simulator.captureMs,
                   taken.line.simulator.usbLatencyMs, taken.line.frameTrace),
        std::tuple(-1, "", std::vector<std::string>{"/dev/ttyUSB0", longest}, 1000u, 0u, "t.txt"));

    const sim::Circuit& circuit = taken.line.simulator.circuit;
    EXPECT_TRUE(circuit.kind == sim::CircuitKind::BandPass && circuit.cornerHertz == 1000 &&
                circuit.q == 2 && taken.line.simulator.mismatch.delayMicros == -3);

    const std::string ms = " takes a whole number of milliseconds from 0 to 1000: ";
    const std::string tooLong = longest + "p";
    const std::pair<std::vector<const char*>, std::string> refused[] = {
        {{"--capture-ms", "1001"}, "--capture-ms" + ms + "1001"},
        {{"--usb-latency", "5", "--usb-latency", "10000"}, "--usb-latency" + ms + "10000"},
        {{"--capture-ms=-1"}, "--capture-ms" + ms + "-1"},
        {{"--port", tooLong.c_str()}, "--port path too long (80 bytes, at most 79): " + tooLong},
        {{"--trace"}, "Missing value after '--trace'."},
        {{"--sim-mismatch", "1:2:3"},
         "--sim-mismatch takes GAIN:DELAY_US, a gain from 0.001 to 10 and a delay from -1000 to "
         "1000 microseconds, not '1:2:3'"},
        {{"--version=2"}, "Unexpected value after '--version'."},
        {{"-vx", "--platformx", "--help"}, "Unknown options: x, platformx."},
    };
    for (const auto& [args, why] : refused) {
        const Outcome outcome = Read(args);
        EXPECT_EQ(std::tuple(outcome.status, outcome.out, outcome.err),
                  std::tuple(2, "", "duruz: " + why + "\n"));
    }
}

// The version goes before the help; --help-all widens the names' column for the
// toolkit's listed options and wraps at column 79.
TEST(CommandLine, AnswersVersionAndHelpWithTheToolkitsOptions) {
    EXPECT_EQ(Read({"--help", "-v"}).out, "duruz " DURUZ_VERSION "\n");
    const Outcome help = Read({"--help-all"});
    EXPECT_EQ(help.status, 0);
    // The entries above are the end-to-end run's, in a narrower column.
    EXPECT_EQ(help.out.substr(help.out.find("  --usb-latency")),
              "  --usb-latency <MS>                   The built-in simulator delivers in\n"
              "                                       62-byte USB packets, a partial one after\n"
              "                                       MS ms (default off).\n"
              "  --sim-dut <CIRCUIT>                  The built-in simulator puts a circuit\n"
              "                                       between generator A and input 2, input 1\n"
              "                                       on generator A: lowpass:FC, highpass:FC,\n"
              "                                       bandpass:F0:Q or lowpass2:FC:Q.\n"
              "  --sim-mismatch <GAIN:DELAY_US>       The built-in simulator puts a gain error\n"
              "                                       and a delay on input 2, input 1 on\n"
              "                                       generator A.\n"
              "  --trace <FILE>                       Write each frame drawn and its settings\n"
              "                                       to FILE (soak runs).\n"
              "  --platform <platformName[:options]>  QPA plugin.\n");
}

} // namespace
