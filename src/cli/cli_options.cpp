#include "cli/cli_options.h"

#include "link/commands.h"
#include "link/input_ranges.h"
#include "session/list_texts.h"
#include "sim/circuit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <span>

namespace duruz::cli {

namespace {

constexpr double kMaxTimeoutSeconds = 86400.0;
constexpr int kMaxFrames = 1000000000;
constexpr double kMaxDurationSeconds = 365.0 * 86400.0;

// A label as the user may type it: no case, no blanks, and the plus-minus sign in
// any spelling or left out.
std::string Folded(std::string_view text) {
    std::string folded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (text.substr(i).starts_with("+/-") || text.substr(i).starts_with("\xC2\xB1")) {
            i += text.substr(i).starts_with("+/-") ? 2 : 1;
            continue;
        }
        if (text.substr(i).starts_with("+-")) {
            ++i;
            continue;
        }
        if (c == 0xB1 || c == ' ')
            continue;
        folded += static_cast<char>(std::tolower(c));
    }
    return folded;
}

// The row whose label matches, or nothing.
std::optional<int> RowOf(std::span<const char* const> labels, std::string_view text) {
    for (std::size_t row = 0; row < labels.size(); ++row)
        if (!Folded(labels[row]).empty() && Folded(labels[row]) == Folded(text))
            return static_cast<int>(row);
    return std::nullopt;
}

std::string Choices(std::span<const char* const> labels) {
    std::string choices;
    for (const char* label : labels)
        if (Folded(label) != "")
            choices += (choices.empty() ? "" : ", ") + Utf8Text(label);
    return choices;
}

template <typename T> std::optional<T> NumberOf(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// What one flag does with its value; gives the reason a value is refused.
using FlagAction = std::function<std::optional<std::string>(Request&, const std::string&)>;

struct Flag {
    bool takesValue;
    FlagAction action;
};

std::optional<std::string> Refuse(const std::string& flag, const std::string& expected,
                                  const std::string& value) {
    return "--" + flag + " takes " + expected + ", not '" + value + "'";
}

Flag ListFlag(std::string name, std::span<const char* const> labels,
              std::function<std::optional<int>&(Request&)> field) {
    return {true, [=](Request& request, const std::string& value) -> std::optional<std::string> {
                if (const std::optional<int> row = RowOf(labels, value)) {
                    field(request) = row;
                    return std::nullopt;
                }
                return Refuse(name, "one of " + Choices(labels), value);
            }};
}

Flag IntegerFlag(std::string name, int low, int high,
                 std::function<std::optional<int>&(Request&)> field) {
    return {true, [=](Request& request, const std::string& value) -> std::optional<std::string> {
                const std::optional<int> number = NumberOf<int>(value);
                if (!number || *number < low || *number > high)
                    return Refuse(name,
                                  "a whole number from " + std::to_string(low) + " to " +
                                      std::to_string(high),
                                  value);
                field(request) = number;
                return std::nullopt;
            }};
}

Flag MillisecondsFlag(std::string name, std::uint32_t high,
                      std::function<std::uint32_t&(Request&)> field) {
    return {true, [=](Request& request, const std::string& value) -> std::optional<std::string> {
                const std::optional<std::uint32_t> ms = NumberOf<std::uint32_t>(value);
                if (!ms || *ms > high)
                    return Refuse(name, "milliseconds from 0 to " + std::to_string(high), value);
                field(request) = *ms;
                return std::nullopt;
            }};
}

Flag FrequencyFlag(std::string name, int channel) {
    return {true, [=](Request& request, const std::string& value) -> std::optional<std::string> {
                const std::optional<double> hz = NumberOf<double>(value);
                if (!hz || !(*hz >= kMinGeneratorHertz && *hz <= kMaxGeneratorHertz))
                    return Refuse(name, "a frequency from 1 to 40000 Hz", value);
                request.setting.frequency[static_cast<std::size_t>(channel)] = value;
                return std::nullopt;
            }};
}

Flag AmplitudeFlag(std::string name, int channel) {
    return {true, [=](Request& request, const std::string& value) -> std::optional<std::string> {
                const std::optional<double> volts = NumberOf<double>(value);
                if (!volts || !(*volts >= kMinGeneratorVolts && *volts <= kMaxGeneratorVolts))
                    return Refuse(name, "an amplitude from 0 to 1.5 V", value);
                request.setting.amplitude[static_cast<std::size_t>(channel)] = value;
                return std::nullopt;
            }};
}

Flag WaveformFlag(std::string name, int channel) {
    // Only the rows with a name: the blank rows send codes no user asks for by name.
    static constexpr std::array<const char*, 9> kNamed{
        kWaveformRowTexts[0], kWaveformRowTexts[1], kWaveformRowTexts[2],
        kWaveformRowTexts[3], kWaveformRowTexts[4], kWaveformRowTexts[5],
        kWaveformRowTexts[6], kWaveformRowTexts[7], kWaveformRowTexts[8]};
    return ListFlag(name, kNamed, [channel](Request& request) -> std::optional<int>& {
        return request.setting.waveformRow[static_cast<std::size_t>(channel)];
    });
}

std::map<std::string, Flag> Flags() {
    std::map<std::string, Flag> flags;
    flags["port"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                         if (v.empty())
                             return std::string("--port takes a device path");
                         r.port = v;
                         return std::nullopt;
                     }};
    flags["sim"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                        r.simulator = true;
                        return std::nullopt;
                    }};
    flags["no-demo"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                            r.simulatorOptions.demo = false;
                            return std::nullopt;
                        }};
    flags["no-noise"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                             r.simulatorOptions.noise = false;
                             return std::nullopt;
                         }};
    flags["unpaced"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                            r.simulatorOptions.paced = false;
                            return std::nullopt;
                        }};
    flags["dut"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                        if (std::optional<std::string> refusal =
                                sim::ParseCircuit(v, r.simulatorOptions.circuit))
                            return "--dut " + *refusal;
                        return std::nullopt;
                    }};
    flags["mismatch"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                             if (std::optional<std::string> refusal =
                                     sim::ParseMismatch(v, r.simulatorOptions.mismatch))
                                 return "--mismatch " + *refusal;
                             return std::nullopt;
                         }};
    flags["capture-ms"] =
        MillisecondsFlag("capture-ms", sim::kMaxCaptureMs,
                         [](Request& r) -> std::uint32_t& { return r.simulatorOptions.captureMs; });
    flags["usb-latency"] =
        MillisecondsFlag("usb-latency", sim::kMaxUsbLatencyMs, [](Request& r) -> std::uint32_t& {
            return r.simulatorOptions.usbLatencyMs;
        });
    flags["config"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                           r.configPath = v;
                           return std::nullopt;
                       }};
    flags["timeout"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                            const std::optional<double> s = NumberOf<double>(v);
                            if (!s || !(*s > 0 && *s <= kMaxTimeoutSeconds))
                                return Refuse("timeout", "seconds above 0, at most 86400", v);
                            r.timeoutSeconds = *s;
                            return std::nullopt;
                        }};
    flags["frames"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                           const std::optional<int> n = NumberOf<int>(v);
                           if (!n || *n < 1 || *n > kMaxFrames)
                               return Refuse("frames", "a whole number from 1 to 1000000000", v);
                           r.frames = *n;
                           r.framesGiven = true;
                           return std::nullopt;
                       }};
    flags["duration"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                             const std::optional<double> s = NumberOf<double>(v);
                             if (!s || !(*s > 0 && *s <= kMaxDurationSeconds))
                                 return Refuse("duration", "seconds above 0, at most 31536000", v);
                             r.durationSeconds = *s;
                             return std::nullopt;
                         }};
    flags["force"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                          r.force = true;
                          return std::nullopt;
                      }};
    flags["format"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                           if (v != "csv" && v != "jsonl")
                               return Refuse("format", "csv or jsonl", v);
                           r.format = v == "csv" ? OutputFormat::Csv : OutputFormat::Jsonl;
                           return std::nullopt;
                       }};
    flags["o"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                      if (v.empty())
                          return std::string("-o takes a file path, or - for standard output");
                      r.output = v;
                      return std::nullopt;
                  }};
    flags["json"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                         r.json = true;
                         return std::nullopt;
                     }};
    flags["sweep"] = ListFlag("sweep", kSweepRowTexts,
                              [](Request& r) -> std::optional<int>& { return r.setting.sweepRow; });
    flags["trigger-source"] =
        ListFlag("trigger-source", kSourceRowTexts,
                 [](Request& r) -> std::optional<int>& { return r.setting.sourceRow; });
    flags["trigger-polarity"] =
        ListFlag("trigger-polarity", kPolarityRowTexts,
                 [](Request& r) -> std::optional<int>& { return r.setting.polarityRow; });
    flags["trigger-level"] =
        IntegerFlag("trigger-level", -2000, 2000,
                    [](Request& r) -> std::optional<int>& { return r.setting.level; });
    flags["trigger-position"] =
        IntegerFlag("trigger-position", 0, 2048,
                    [](Request& r) -> std::optional<int>& { return r.setting.position; });
    for (int c = 0; c < 2; ++c) {
        const std::string n = std::to_string(c + 1);
        const std::string g(1, static_cast<char>('a' + c));
        const auto at = static_cast<std::size_t>(c);
        flags["probe" + n] =
            ListFlag("probe" + n, kProbeRowTexts,
                     [at](Request& r) -> std::optional<int>& { return r.setting.probeRow[at]; });
        flags["range" + n] = {true,
                              [at](Request& r, const std::string& v) -> std::optional<std::string> {
                                  r.setting.rangeLabel[at] = v;
                                  return std::nullopt;
                              }};
        flags["wave-" + g] = WaveformFlag("wave-" + g, c);
        flags["freq-" + g] = FrequencyFlag("freq-" + g, c);
        flags["ampl-" + g] = AmplitudeFlag("ampl-" + g, c);
    }
    const auto sweepNumber = [](std::string name, std::string expected,
                                std::function<void(Request&, double)> set) {
        return Flag{true, [=](Request& r, const std::string& v) -> std::optional<std::string> {
                        const std::optional<double> number = NumberOf<double>(v);
                        if (!number || !std::isfinite(*number))
                            return Refuse(name, expected, v);
                        set(r, *number);
                        r.sweepGiven = true;
                        return std::nullopt;
                    }};
    };
    // The values' limits are the sweep plan's, which says why a value is refused.
    flags["start"] = sweepNumber("start", "a frequency in Hz",
                                 [](Request& r, double v) { r.sweep.parameters.startHertz = v; });
    flags["stop"] = sweepNumber("stop", "a frequency in Hz",
                                [](Request& r, double v) { r.sweep.parameters.stopHertz = v; });
    flags["ampl"] = sweepNumber("ampl", "an amplitude in volts", [](Request& r, double v) {
        r.sweep.parameters.amplitudeVolts = v;
    });
    flags["settle"] = sweepNumber("settle", "seconds",
                                  [](Request& r, double v) { r.sweep.extraSettleSeconds = v; });
    const auto sweepCount = [](std::string name, std::function<void(Request&, int)> set) {
        return Flag{true, [=](Request& r, const std::string& v) -> std::optional<std::string> {
                        const std::optional<int> number = NumberOf<int>(v);
                        if (!number)
                            return Refuse(name, "a whole number", v);
                        set(r, *number);
                        r.sweepGiven = true;
                        return std::nullopt;
                    }};
    };
    flags["points-per-decade"] = sweepCount("points-per-decade", [](Request& r, int n) {
        r.sweep.parameters.spacing = FrequencySpacing::Logarithmic;
        r.sweep.parameters.pointsPerDecade = n;
    });
    flags["linear"] = sweepCount("linear", [](Request& r, int n) {
        r.sweep.parameters.spacing = FrequencySpacing::Linear;
        r.sweep.parameters.pointCount = n;
    });
    flags["average"] = sweepCount("average", [](Request& r, int n) { r.sweep.averageFrames = n; });
    flags["calibrate"] = {false, [](Request& r, const std::string&) -> std::optional<std::string> {
                              r.calibrate = true;
                              return std::nullopt;
                          }};
    flags["uncalibrated"] = {false,
                             [](Request& r, const std::string&) -> std::optional<std::string> {
                                 r.uncalibrated = true;
                                 return std::nullopt;
                             }};
    flags["calibration"] = {true,
                            [](Request& r, const std::string& v) -> std::optional<std::string> {
                                if (v.empty())
                                    return std::string("--calibration takes a file path");
                                r.calibrationPath = v;
                                return std::nullopt;
                            }};
    flags["log"] = {true, [](Request& r, const std::string& v) -> std::optional<std::string> {
                        if (v.empty())
                            return std::string("--log takes a file path");
                        r.logPath = v;
                        return std::nullopt;
                    }};
    return flags;
}

// The reason a bode command line cannot be carried out, or nothing.
std::optional<std::string> SweepRefusal(const std::vector<std::string>& args,
                                        const Request& request) {
    const auto given = [&](const char* flag) {
        return std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
            return arg == flag || arg.starts_with(std::string(flag) + "=");
        });
    };
    if (!given("--start") || !given("--stop") || !given("--ampl"))
        return "bode needs --start HZ, --stop HZ and --ampl V";
    if (given("--points-per-decade") && given("--linear"))
        return "bode takes either --points-per-decade N or --linear N";
    const Result<std::vector<double>> plan = PlanSweep(request.sweep);
    if (!plan.Ok())
        return plan.Reason();
    return std::nullopt;
}

// gen's own --wave, --freq and --ampl name the channel given after it.
std::string GeneratorFlagName(const std::string& name, const Request& request) {
    if (request.command == Command::Generator &&
        (name == "wave" || name == "freq" || name == "ampl"))
        return name + "-" + static_cast<char>('a' + request.generatorChannel);
    return name;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    Request request;
    const std::map<std::string, Flag> flags = Flags();
    static const std::map<std::string, Command> kCommands{
        {"ports", Command::Ports},   {"capture", Command::Capture}, {"measure", Command::Measure},
        {"record", Command::Record}, {"info", Command::Info},       {"gen", Command::Generator},
        {"bode", Command::Bode}};
    bool commandGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.printAndExit = HelpText();
            return parsed;
        }
        if (arg == "--version") {
            parsed.printAndExit = "duruz-cli " DURUZ_VERSION "\n";
            return parsed;
        }
        if (!arg.starts_with('-') || arg == "-") {
            if (commandGiven) {
                parsed.error = "unexpected argument '" + arg + "'";
                return parsed;
            }
            const auto command = kCommands.find(arg);
            if (command == kCommands.end()) {
                parsed.error = "unknown command '" + arg +
                               "' (ports, capture, measure, record, info, gen, bode)";
                return parsed;
            }
            commandGiven = true;
            request.command = command->second;
            if (request.command == Command::Info) {
                request.recordingPath = i + 1 < args.size() ? args[++i] : "";
                if (request.recordingPath.empty()) {
                    parsed.error = "info takes a recording's path";
                    return parsed;
                }
            }
            if (request.command == Command::Generator) {
                const std::string channel = i + 1 < args.size() ? args[++i] : "";
                if (channel != "A" && channel != "B" && channel != "a" && channel != "b") {
                    parsed.error = "gen takes the channel A or B, not '" + channel + "'";
                    return parsed;
                }
                request.generatorChannel = channel == "A" || channel == "a" ? 0 : 1;
            }
            continue;
        }
        const std::size_t dashes = arg.starts_with("--") ? 2 : 1;
        const std::size_t assign = arg.find('=');
        const std::string name =
            GeneratorFlagName(arg.substr(dashes, assign - std::min(assign, dashes)), request);
        const auto flag = flags.find(name);
        // -o alone is a one-dash flag; every other is spelt with two.
        if (flag == flags.end() || (dashes == 1) != (name == "o")) {
            parsed.error = "unknown option '" + arg.substr(0, assign) + "'";
            return parsed;
        }
        std::string value;
        if (!flag->second.takesValue) {
            if (assign != std::string::npos) {
                parsed.error = "'" + arg.substr(0, assign) + "' takes no value";
                return parsed;
            }
        } else if (assign != std::string::npos) {
            value = arg.substr(assign + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.error = "'" + arg + "' needs a value";
            return parsed;
        }
        if (std::optional<std::string> error = flag->second.action(request, value)) {
            parsed.error = *error;
            return parsed;
        }
    }
    if (!commandGiven)
        parsed.error =
            "no command given (ports, capture, measure, record, info, gen, bode); --help "
            "lists "
            "them";
    else if (request.command != Command::Ports && request.command != Command::Info &&
             request.simulator == !request.port.empty())
        parsed.error = "give either --port PATH or --sim";
    else if (!request.simulator && sim::WiresCircuit(request.simulatorOptions))
        parsed.error = "--dut and --mismatch belong to --sim";
    else if (request.command == Command::Generator &&
             (!request.setting.waveformRow[static_cast<std::size_t>(request.generatorChannel)] ||
              !request.setting.frequency[static_cast<std::size_t>(request.generatorChannel)] ||
              !request.setting.amplitude[static_cast<std::size_t>(request.generatorChannel)]))
        parsed.error = "gen needs --wave, --freq and --ampl";
    else if (request.command != Command::Record && (request.durationSeconds > 0 || request.force))
        parsed.error = "--duration and --force belong to record";
    else if (request.command == Command::Record &&
             request.framesGiven == (request.durationSeconds > 0))
        parsed.error = "record needs either --duration SECONDS or --frames N";
    else if (request.command == Command::Record && (request.output == "-"))
        parsed.error = "record needs -o FILE";
    else if (request.command != Command::Bode && request.sweepGiven)
        parsed.error = "--start, --stop, --points-per-decade, --linear, --ampl, --average and "
                       "--settle belong to bode";
    else if (request.command != Command::Bode &&
             (request.calibrate || request.uncalibrated || !request.calibrationPath.empty()))
        parsed.error = "--calibrate, --uncalibrated and --calibration belong to bode";
    else if (request.calibrate && request.uncalibrated)
        parsed.error = "bode takes either --calibrate or --uncalibrated";
    else if (request.command == Command::Bode && request.framesGiven)
        parsed.error = "--frames does not belong to bode: the sweep's points decide";
    else if (request.command == Command::Bode)
        parsed.error = SweepRefusal(args, request).value_or("");
    if (parsed.error.empty())
        parsed.request = std::move(request);
    return parsed;
}

std::optional<std::string> ApplySettingFlags(const SettingFlags& flags, ScopeSettings& settings) {
    settings.sweepRow = flags.sweepRow.value_or(settings.sweepRow);
    settings.trigger.sourceRow = flags.sourceRow.value_or(settings.trigger.sourceRow);
    settings.trigger.polarityRow = flags.polarityRow.value_or(settings.trigger.polarityRow);
    if (flags.level)
        settings.trigger.levelBar = -*flags.level; // the bar runs upward negative
    settings.trigger.positionBar = flags.position.value_or(settings.trigger.positionBar);
    for (std::size_t c = 0; c < 2; ++c) {
        ChannelSettings& channel = settings.channels[c];
        channel.probeRow = flags.probeRow[c].value_or(channel.probeRow);
        if (flags.rangeLabel[c]) {
            const std::array<const char*, kRangeRows> labels = RangeRowTexts(channel.probeRow);
            const std::optional<int> row = RowOf(labels, *flags.rangeLabel[c]);
            if (!row)
                return "--range" + std::to_string(c + 1) + " takes one of " + Choices(labels) +
                       " under probe " + (channel.probeRow == 0 ? "x10" : "x1") + ", not '" +
                       *flags.rangeLabel[c] + "'";
            channel.rangeRow = *row;
        }
        GeneratorChannelSettings& generator = settings.generator[c];
        generator.waveformRow = flags.waveformRow[c].value_or(generator.waveformRow);
        generator.frequency = flags.frequency[c].value_or(generator.frequency);
        generator.amplitude = flags.amplitude[c].value_or(generator.amplitude);
    }
    return std::nullopt;
}

std::string HelpText() {
    return R"(Usage: duruz-cli COMMAND [options]
Drives the two-channel oscilloscope and signal generator without a window.

Commands:
  ports                      the serial ports as the window lists them (--json)
  capture --frames N [--format csv|jsonl] [-o FILE|-]
                             exactly N frames, each with a header
  measure --frames N [-o FILE|-]
                             the status strip's measurements per frame and channel
  record (--duration S | --frames N) -o FILE [--force]
                             a recording appended frame by frame, readable up
                             to its last whole record whenever the run ends,
                             with its measurements beside it in FILE.measure.csv;
                             an existing file is replaced only with --force;
                             a time-out or a lost device that comes back on
                             its path is a gap record, and the recording goes on
  info FILE                  what a recording holds and whether it is intact
  gen A|B --wave W --freq HZ --ampl V
                             sets one generator channel and exits
  bode --start HZ --stop HZ --ampl V [--points-per-decade N | --linear N]
       [--average K] [--settle S] [-o FILE|-]
       [--calibrate | --uncalibrated] [--calibration FILE]
                             a frequency response: generator A drives the
                             circuit and input 1, input 2 takes its output;
                             from 50 Hz to 40 kHz, 10 points per decade unless
                             asked otherwise, K frames averaged a point (1),
                             S seconds of extra settling a point (0); writes
                             CSV, one line a point, then the readouts as #
                             lines; generator A, the ranges and the trigger go
                             back to the setting's when it ends or is stopped
    --calibrate              both inputs on generator A and no circuit: the
                             sweep measures input 2 against input 1, also on
                             input 2's other ranges the amplitude can fill,
                             and writes the calibration file once complete
    --calibration FILE       the calibration file (default FrequencyResponse.cal
                             beside --config's file, or in the current folder);
                             when it exists, every sweep divides it out
    --uncalibrated           measures without the calibration

Where:
  --port PATH                a serial device or pseudo-terminal
  --sim                      the built-in simulator, with
    --capture-ms MS          its capture time before each answer (default 20)
    --usb-latency MS         62-byte packets as from a USB adapter (default off)
    --no-demo                silence on inputs whose generator is off
    --no-noise               no noise on the inputs
    --dut CIRCUIT            a circuit from generator A to input 2, input 1
                             on generator A: lowpass:FC, highpass:FC,
                             bandpass:F0:Q or lowpass2:FC:Q, or none: input 2
                             straight on generator A too, to calibrate
    --mismatch GAIN:DELAY_US a gain error and a delay on input 2, input 1
                             on generator A
    --unpaced                answers at once, with no wire or capture time:
                             a test aid that measures the tool, not the line
  --timeout S                give up when no valid frame comes for S seconds
                             (default 5)
  --log FILE                 every command sent and every line of the link,
                             one a line, as the window's memo shows them

Setting (the factory setting, or --config FILE's, with these over it):
  --config FILE              read a Config.Ini; it is never written
  --sweep "XY Mode"|"2 mSec/div"
  --probe1, --probe2 x10|x1
  --range1, --range2 LABEL   as the window lists it under the probe: 20V, 2V, 200V...
  --trigger-source Ch1|Ch2   --trigger-polarity Rise|Fall
  --trigger-level N          -2000..2000, upward positive
  --trigger-position N       0..2048, the trigger's sample index
  --wave-a, --wave-b W       Off, Sine, Cosine, "Saw Rising", "Saw Falling",
                             "Saw Symmetrical", "Sqr 50%", "Sqr 10%", "Sqr 90%"
  --freq-a, --freq-b HZ      1..40000
  --ampl-a, --ampl-b V       0..1.5

Exit status:
  0 done, 1 the output cannot be written, 2 bad command line, 3 the port
  cannot be opened, 4 no valid frame within the time-out, 5 the device went
  away (record: and was not back within the time-out), 6 info: the
  recording is damaged (what was read is printed), 7 info:
  not a recording or unreadable, 8 bode: the calibration file is damaged or
  unreadable, or a calibration sweep measured nothing, 130 Ctrl+C, 143
  SIGTERM (after the output is complete up to the last whole frame; bode: the
  points so far are written once generator A, the ranges and the trigger are
  given back; a calibration sweep stopped writes no calibration).
Errors go to standard error; with -o - nothing but data goes to standard output.
)";
}

} // namespace duruz::cli
