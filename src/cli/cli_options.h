#pragma once

#include "analysis/frequency_sweep.h"
#include "session/scope_settings.h"
#include "sim/simulated_instrument.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace duruz::cli {

// The tool's exit statuses, as --help and the README list them.
enum ExitStatus : int {
    kExitOk = 0,
    kExitOutputFailed = 1, // a missing folder, a full disk
    kExitUsage = 2,
    kExitPortNotOpened = 3,
    kExitNoFrame = 4,
    kExitDeviceGone = 5,
    kExitRecordingDamaged = 6, // info: read up to the damage, and what was read is printed
    kExitNotARecording = 7,    // info: not a recording, or it cannot be read
    kExitCalibration = 8, // bode: the calibration is damaged or unreadable, or none was measured
    kExitInterrupted = 130,
    kExitTerminated = 143,
};

enum class Command { Ports, Capture, Measure, Record, Info, Generator, Bode };
enum class OutputFormat { Csv, Jsonl };

// A setting the command line gives, each part left out keeping the value that the
// factory setting or --config gave. Range labels are looked up under the probe the
// channel ends up with, so they are kept as typed.
struct SettingFlags {
    std::optional<int> sweepRow;
    std::array<std::optional<int>, 2> probeRow;
    std::array<std::optional<std::string>, 2> rangeLabel;
    std::optional<int> sourceRow;
    std::optional<int> polarityRow;
    std::optional<int> level;    // -2000..2000, upward positive
    std::optional<int> position; // 0..2048, the trigger's sample index
    std::array<std::optional<int>, 2> waveformRow;
    std::array<std::optional<std::string>, 2> frequency;
    std::array<std::optional<std::string>, 2> amplitude;
};

// What one run of the tool is asked to do.
struct Request {
    Command command = Command::Capture;
    std::string port;       // --port PATH
    bool simulator = false; // --sim
    sim::InstrumentOptions simulatorOptions;
    std::string configPath; // --config FILE, read and never written
    double timeoutSeconds = 5.0;
    SettingFlags setting;
    int frames = 1;
    bool framesGiven = false;
    double durationSeconds = 0; // record --duration; 0 when --frames ends the run
    bool force = false;         // record --force: an existing file is replaced
    std::string recordingPath;  // info FILE
    OutputFormat format = OutputFormat::Csv;
    std::string output = "-";    // "-": standard output
    bool json = false;           // ports --json
    int generatorChannel = 0;    // gen A (0) or B (1)
    SweepRequest sweep;          // bode
    bool sweepGiven = false;     // a bode option came
    bool calibrate = false;      // bode --calibrate: the sweep measures the calibration
    bool uncalibrated = false;   // bode --uncalibrated: no calibration divided out
    std::string calibrationPath; // bode --calibration FILE; empty: beside the settings file
    std::string logPath;         // --log FILE: every command sent and the link's lines
};

// Either a request to carry out, a text to print before exiting with 0 (--help,
// --version), or the reason the command line is refused (exit kExitUsage).
struct ParsedCommandLine {
    std::optional<Request> request;
    std::string printAndExit;
    std::string error;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Applies the flags over `settings` (the factory setting or the file's). Gives the
// reason when a range label does not exist under the channel's probe.
std::optional<std::string> ApplySettingFlags(const SettingFlags& flags, ScopeSettings& settings);

std::string HelpText();

} // namespace duruz::cli
