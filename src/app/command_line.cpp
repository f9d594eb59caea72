#include "app/command_line.h"

#include "app/version.h"
#include "link/port_list.h"
#include "sim/circuit.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace duruz {

namespace {

constexpr int kMaxSimulatorMs = 1000;
constexpr std::string_view kProgramName = "duruz";
// The help's lines end at column 79; option names take at most 50 of them.
constexpr std::size_t kHelpWidth = 79;
constexpr std::size_t kMaxNameColumn = 50;

struct Option {
    std::string_view shortName; // one letter, or empty
    std::string_view name;
    std::string_view valueName; // empty for an option without a value
    std::string_view description;
};

constexpr std::array kOptions = {
    Option{"h", "help", "", "Displays help on commandline options."},
    Option{"", "help-all", "", "Displays help including Qt specific options."},
    Option{"v", "version", "", "Displays version information."},
    Option{"", "port", "PATH", "Add PATH (a pseudo-terminal or serial bridge) to the port list."},
    Option{"", "capture-ms", "MS",
           "The built-in simulator's capture time before each answer (default 20)."},
    Option{"", "usb-latency", "MS",
           "The built-in simulator delivers in 62-byte USB packets, a partial one after MS ms "
           "(default off)."},
    Option{"", "sim-dut", "CIRCUIT",
           "The built-in simulator puts a circuit between generator A and input 2, input 1 on "
           "generator A: lowpass:FC, highpass:FC, bandpass:F0:Q or lowpass2:FC:Q."},
    Option{"", "sim-mismatch", "GAIN:DELAY_US",
           "The built-in simulator puts a gain error and a delay on input 2, input 1 on "
           "generator A."},
    Option{"", "trace", "FILE", "Write each frame drawn and its settings to FILE (soak runs)."},
};

const Option* FindOption(std::string_view name) {
    for (const Option& option : kOptions)
        if (name == option.name || (!option.shortName.empty() && name == option.shortName))
            return &option;
    return nullptr;
}

// The values given for each option, by its long name, in command-line order.
struct Found {
    std::vector<std::pair<std::string_view, std::string>> values;
    std::vector<std::string> unknown;

    void Add(const Option& option, std::string value = {}) {
        values.emplace_back(option.name, std::move(value));
    }
    bool IsSet(std::string_view name) const {
        return std::ranges::any_of(values, [&](const auto& value) { return value.first == name; });
    }
    std::vector<std::string> All(std::string_view name) const {
        std::vector<std::string> all;
        for (const auto& [option, value] : values)
            if (option == name)
                all.push_back(value);
        return all;
    }
    // The last value given wins.
    std::string Last(std::string_view name) const {
        const std::vector<std::string> all = All(name);
        return all.empty() ? std::string() : all.back();
    }
};

// The arguments without the toolkit's own options and their values, which the
// application object takes for itself.
std::vector<std::string_view> ProgramArguments(int argc, const char* const argv[],
                                               std::span<const tk::ToolkitOption> toolkitOptions) {
    std::vector<std::string_view> kept;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const tk::ToolkitOption* toolkit = nullptr;
        if (argument.starts_with('-')) {
            std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
            name = name.substr(0, name.find('='));
            for (const tk::ToolkitOption& option : toolkitOptions)
                if (option.name == name)
                    toolkit = &option;
        }
        if (toolkit == nullptr)
            kept.push_back(argument);
        else if (!toolkit->valueName.empty() && argument.find('=') == std::string_view::npos)
            ++i; // and the value after it
    }
    return kept;
}

// Reads one option's value, from after '=' or from the next argument. Gives the
// error text when there is none, or when an option without a value has one.
std::optional<std::string> TakeValue(const Option& option, std::string_view argument,
                                     std::size_t& next, const std::vector<std::string_view>& args,
                                     Found& found) {
    const std::size_t assign = argument.find('=');
    if (option.valueName.empty()) {
        if (assign != std::string_view::npos)
            return "Unexpected value after '" + std::string(argument.substr(0, assign)) + "'.";
        found.Add(option);
    } else if (assign != std::string_view::npos) {
        found.Add(option, std::string(argument.substr(assign + 1)));
    } else if (next < args.size()) {
        found.Add(option, std::string(args[next++]));
    } else {
        return "Missing value after '" + std::string(argument) + "'.";
    }
    return std::nullopt;
}

// Options anywhere among the arguments; "--" ends them. Single-dash arguments are
// letters run together ("-vh"). Words that are no option are ignored. Gives the
// error text of a bad command line.
std::optional<std::string> Parse(const std::vector<std::string_view>& args, Found& found) {
    bool optionsEnded = false;
    for (std::size_t next = 0; next < args.size();) {
        const std::string_view argument = args[next++];
        if (optionsEnded || !argument.starts_with('-') || argument == "-")
            continue;
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> error;
        if (argument.starts_with("--")) {
            const std::string_view name = argument.substr(2, argument.find('=') - 2);
            if (const Option* option = FindOption(name))
                error = TakeValue(*option, argument, next, args, found);
            else
                found.unknown.emplace_back(name);
        } else {
            const Option* last = nullptr;
            for (std::size_t at = 1; at < argument.size(); ++at) {
                const std::string_view letter = argument.substr(at, 1);
                last = FindOption(letter);
                if (last == nullptr) {
                    found.unknown.emplace_back(letter);
                    continue;
                }
                if (at + 1 < argument.size() && argument[at + 1] == '=')
                    break;
                if (at + 1 < argument.size())
                    found.Add(*last); // a letter inside the run takes no value
            }
            if (last != nullptr)
                error = TakeValue(*last, argument, next, args, found);
        }
        if (error)
            return error;
    }
    if (found.unknown.size() == 1)
        return "Unknown option '" + found.unknown.front() + "'.";
    if (!found.unknown.empty()) {
        std::string names;
        for (const std::string& name : found.unknown)
            names += (names.empty() ? "" : ", ") + name;
        return "Unknown options: " + names + ".";
    }
    return std::nullopt;
}

// A whole number of milliseconds from 0 to kMaxSimulatorMs, in digits only.
std::optional<std::uint32_t> Milliseconds(const std::string& text) {
    if (text.empty() || text.size() > 4 ||
        !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int ms = std::stoi(text);
    return ms <= kMaxSimulatorMs ? std::optional(static_cast<std::uint32_t>(ms)) : std::nullopt;
}

// The description's words in lines of at most `width` characters, the last line one
// more; a longer word is cut.
std::vector<std::string_view> Wrap(std::string_view text, std::size_t width) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start + width;
        if (end + 1 >= text.size()) {
            end = text.size();
        } else {
            const std::size_t space = text.rfind(' ', end);
            if (space != std::string_view::npos && space > start)
                end = space;
        }
        lines.push_back(text.substr(start, end - start));
        start = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
    return lines;
}

std::string HelpText(std::string_view program, bool withToolkitOptions,
                     std::span<const tk::ToolkitOption> toolkitOptions) {
    std::vector<std::pair<std::string, std::string_view>> entries; // names, description
    for (const Option& option : kOptions) {
        std::string names;
        if (!option.shortName.empty())
            names.append("-").append(option.shortName).append(", ");
        names.append("--").append(option.name);
        if (!option.valueName.empty())
            names += " <" + std::string(option.valueName) + ">";
        entries.emplace_back(std::move(names), option.description);
    }
    if (withToolkitOptions)
        for (const tk::ToolkitOption& option : toolkitOptions)
            if (!option.description.empty())
                entries.emplace_back("--" + std::string(option.name) +
                                         (option.valueName.empty()
                                              ? ""
                                              : " <" + std::string(option.valueName) + ">"),
                                     option.description);
    std::size_t column = 0;
    for (const auto& entry : entries)
        column = std::max(column, entry.first.size() + 1);
    column = std::min(column, kMaxNameColumn);

    std::string text = "Usage: " + std::string(program) +
                       " [options]\nFront end of the two-channel oscilloscope and signal "
                       "generator on a serial port.\n\nOptions:\n";
    for (const auto& [names, description] : entries) {
        // Names wider than the column go on in it, a part on each line.
        std::size_t shownNames = 0;
        for (const std::string_view line : Wrap(description, kHelpWidth - column - 3)) {
            std::string part = names.substr(std::min(shownNames, names.size()), column);
            shownNames += part.size();
            part.resize(column, ' ');
            text += "  " + part + " " + std::string(line) + "\n";
        }
        for (; shownNames < names.size(); shownNames += column)
            text += "  " + names.substr(shownNames, column) + "\n";
    }
    return text;
}

} // namespace

std::optional<int> ReadCommandLine(int argc, const char* const argv[],
                                   std::span<const tk::ToolkitOption> toolkitOptions,
                                   CommandLine& line, std::ostream& out, std::ostream& err) {
    const auto refuse = [&err](const std::string& message) {
        err << kProgramName << ": " << message << "\n";
        return kBadCommandLine;
    };
    Found found;
    if (const std::optional<std::string> error =
            Parse(ProgramArguments(argc, argv, toolkitOptions), found))
        return refuse(*error);
    for (std::string& path : found.All("port")) {
        // A path that cannot be listed would leave the user with another port than
        // the one asked for.
        if (!PortPathFits(path))
            return refuse("--port path too long (" + std::to_string(path.size()) +
                          " bytes, at most " + std::to_string(kPortPathSize - 1) + "): " + path);
        line.ports.push_back(std::move(path));
    }
    for (const auto& [name, ms] : {std::pair("capture-ms", &line.simulator.captureMs),
                                   std::pair("usb-latency", &line.simulator.usbLatencyMs)}) {
        if (!found.IsSet(name))
            continue;
        const std::string text = found.Last(name);
        const std::optional<std::uint32_t> value = Milliseconds(text);
        if (!value)
            return refuse(std::string("--") + name + " takes a whole number of milliseconds from " +
                          "0 to " + std::to_string(kMaxSimulatorMs) + ": " + text);
        *ms = *value;
    }
    if (found.IsSet("sim-dut"))
        if (const std::optional<std::string> refusal =
                sim::ParseCircuit(found.Last("sim-dut"), line.simulator.circuit))
            return refuse("--sim-dut " + *refusal);
    if (found.IsSet("sim-mismatch"))
        if (const std::optional<std::string> refusal =
                sim::ParseMismatch(found.Last("sim-mismatch"), line.simulator.mismatch))
            return refuse("--sim-mismatch " + *refusal);
    line.frameTrace = found.Last("trace");
    const std::string_view program = argc > 0 ? argv[0] : kProgramName;
    if (found.IsSet("version")) {
        out << kProgramName << " " << DURUZ_VERSION << "\n";
        return 0;
    }
    if (found.IsSet("help") || found.IsSet("help-all")) {
        out << HelpText(program, !found.IsSet("help"), toolkitOptions);
        return 0;
    }
    return std::nullopt;
}

} // namespace duruz
