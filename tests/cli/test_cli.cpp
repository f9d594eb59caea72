#include "cli/cli_options.h"

#include "session/config_table.h"
#include "session/recording_reader.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using duruz::cli::ParseCommandLine;
using testing_support::ReadFile;

// The lines of one frame in CSV: the tool's header line, the export's seven comment
// lines and its column line, and the samples.
constexpr std::size_t kCsvFrameLines = 1 + 7 + 1 + 2048;

std::string Refusal(std::vector<std::string> args) {
    args.insert(args.begin(), {"capture", "--sim"});
    return ParseCommandLine(args).error;
}

TEST(CliOptions, TakesValuesUpToTheirLimitsAndRefusesOnePast) {
    EXPECT_EQ(Refusal({"--freq-a", "1", "--freq-b=40000", "--trigger-level", "-2000",
                       "--trigger-position", "2048", "--ampl-b", "1.5"}),
              "");
    EXPECT_EQ(Refusal({"--freq-a", "0.999"}),
              "--freq-a takes a frequency from 1 to 40000 Hz, not '0.999'");
    EXPECT_NE(Refusal({"--freq-b", "40000.1"}), "");
    EXPECT_NE(Refusal({"--trigger-level", "2001"}), "");
    EXPECT_NE(Refusal({"--trigger-position", "-1"}), "");
    EXPECT_NE(Refusal({"--ampl-a", "1.51"}), "");
    EXPECT_NE(Refusal({"--capture-ms", "60001"}), "");
    EXPECT_EQ(Refusal({"--frobnicate"}), "unknown option '--frobnicate'");
    EXPECT_EQ(Refusal({"--force"}), "--duration and --force belong to record");
    EXPECT_EQ(
        ParseCommandLine({"record", "--sim", "--frames", "2", "--duration", "1", "-o", "f"}).error,
        "record needs either --duration SECONDS or --frames N");
    EXPECT_EQ(ParseCommandLine({"record", "--sim", "--duration", "1"}).error,
              "record needs -o FILE");
    EXPECT_EQ(Refusal({"--port", "/dev/pts/9"}), "give either --port PATH or --sim");
    EXPECT_EQ(ParseCommandLine({"capture", "--port", "p", "--dut", "highpass:50"}).error,
              "--dut and --mismatch belong to --sim");
    EXPECT_EQ(ParseCommandLine({"gen", "A", "--sim", "--wave", "Sine"}).error,
              "gen needs --wave, --freq and --ampl");

    const auto gen = ParseCommandLine(
        {"gen", "B", "--sim", "--wave", "sqr 10%", "--freq", "500", "--ampl", "0.5"});
    ASSERT_TRUE(gen.request);
    EXPECT_EQ(gen.request->setting.waveformRow[1], 7);
    EXPECT_EQ(gen.request->setting.frequency[1], "500");
    EXPECT_FALSE(gen.request->setting.waveformRow[0]);

    // A range label is looked up under the probe the channel ends with.
    auto capture =
        ParseCommandLine({"capture", "--sim", "--probe1", "x10", "--range1", "+/-200V", "--range2",
                          "\xC2\xB1"
                          "2 V"});
    ASSERT_TRUE(capture.request);
    duruz::ScopeSettings settings;
    settings.channels[1].probeRow = 1;
    EXPECT_EQ(duruz::cli::ApplySettingFlags(capture.request->setting, settings), std::nullopt);
    EXPECT_EQ(settings.channels[0].rangeRow, 1);
    EXPECT_EQ(settings.channels[1].rangeRow, 6);
    capture.request->setting.probeRow[0] = 1; // 200 V exists only under x10
    EXPECT_NE(duruz::cli::ApplySettingFlags(capture.request->setting, settings), std::nullopt);
}

TEST(CliOptions, RefusesEachBadSweepWithTheReason) {
    const auto bode = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"bode", "--sim"});
        return ParseCommandLine(args).error;
    };
    EXPECT_EQ(bode({"--start", "50", "--stop", "40000", "--ampl", "1.5", "--average", "1000"}), "");
    EXPECT_EQ(bode({"--start", "1000", "--stop", "1000", "--ampl", "1"}),
              "the start, 1000 Hz, must lie below the stop, 1000 Hz");
    EXPECT_EQ(bode({"--start", "49.9", "--stop", "100", "--ampl", "1"}),
              "the start, 49.9 Hz, is below 50 Hz, the lowest frequency with a whole period in a "
              "frame");
    EXPECT_EQ(bode({"--start", "50", "--stop", "40000.1", "--ampl", "1"}),
              "the stop, 40000.1 Hz, is above the generator's 40000 Hz");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100", "--ampl", "1.51"}),
              "the amplitude, 1.51 V, must lie above 0 V and at most at the generator's 1.5 V");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100", "--ampl", "1", "--points-per-decade", "0"}),
              "points per decade must be from 1 to 1000, not 0");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100", "--ampl", "1", "--linear", "1"}),
              "a linear sweep takes from 2 to 10000 points, not 1");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100", "--ampl", "1", "--average", "1001"}),
              "averaging takes from 1 to 1000 frames a point, not 1001");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100", "--ampl", "1", "--settle", "-1"}),
              "the extra settling time must be from 0 to 60 s, not -1 s");
    EXPECT_EQ(bode({"--start", "50", "--stop", "100"}),
              "bode needs --start HZ, --stop HZ and --ampl V");
    EXPECT_EQ(bode({"--start", "5O", "--stop", "100", "--ampl", "1"}),
              "--start takes a frequency in Hz, not '5O'");
    EXPECT_EQ(
        bode({"--start", "50", "--stop", "100", "--ampl", "1", "--calibrate", "--uncalibrated"}),
        "bode takes either --calibrate or --uncalibrated");
    EXPECT_EQ(Refusal({"--calibration", "f.cal"}),
              "--calibrate, --uncalibrated and --calibration belong to bode");
    EXPECT_EQ(Refusal({"--average", "2"}),
              "--start, --stop, --points-per-decade, --linear, --ampl, --average and --settle "
              "belong to bode");
}

// duruz-sim on a pseudo-terminal, its device path read from its first line.
struct Simulator {
    explicit Simulator(const std::string& options) {
        run = popen(("echo $$; exec " DURUZ_SIM_PATH " --capture-ms 0 " + options).c_str(), "r");
        char device[256] = {};
        if (std::fscanf(run, "%d %255s", &pid, device) == 2)
            path = device;
    }
    ~Simulator() {
        Stop();
        pclose(run);
    }
    void Stop() {
        if (pid > 0)
            kill(pid, SIGTERM);
        pid = 0;
    }
    FILE* run = nullptr;
    int pid = 0;
    std::string path;
};

// duruz-cli in the background, its data in out and its errors in err.
struct Cli {
    Cli(const std::string& args, const std::string& out) : out(out) {
        std::remove(out.c_str()); // a frame seen is this run's
        pid = fork();
        if (pid == 0) {
            const std::string line =
                "exec " DURUZ_CLI_PATH " " + args + " >" + out + " 2>" + out + ".err";
            execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
            _exit(127);
        }
    }
    // Waits for the output to hold a whole frame (or more), or for the tool to end.
    void WaitForFrames(std::size_t frames) {
        for (int tries = 0; tries < 3000 && Lines() < frames * kCsvFrameLines; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::size_t Lines() const {
        const std::string text = ReadFile(out);
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    int Status() {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string out;
    pid_t pid = 0;
};

TEST(CliEndToEnd, CapturesExactlyTheFramesAskedForAndEndsWithItsExitStatus) {
    testing_support::TempFolder folder;
    const std::string out = folder.Path() + "/frames.csv";
    Simulator sim("");
    ASSERT_FALSE(sim.path.empty());
    EXPECT_EQ(
        Cli("capture --frames 3 --wave-a Sine --freq-a 1000 --port " + sim.path + " -o -", out)
            .Status(),
        0);
    const std::string text = ReadFile(out);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 * kCsvFrameLines);
    for (const char* header :
         {"# frame 1, host time 20", "# frame 2, host time 20", "# frame 3, host time 20",
          "generator A Sine 1000 Hz 1.00 V, B Off 201 Hz 1.00 V, resyncs 0, stale 0, timeouts 0 "
          "empty 0 partial\n# RORU-Duruz frame\n",
          "# port: ", "# sync: Ch2 Rise, level 0, position 1024\nindex,time_s,"})
        EXPECT_NE(text.find(header), std::string::npos) << header;
    EXPECT_EQ(text.find("# frame 4"), std::string::npos);
    EXPECT_EQ(ReadFile(out + ".err"), "");

    EXPECT_EQ(Cli("gen B --wave Sine --freq 500 --ampl 1 --port " + sim.path, out).Status(), 0);
    // Rows in the window's order: the machine's devices, the paths given, the simulator.
    EXPECT_EQ(Cli("ports --json --port /nowhere/tty", out).Status(), 0);
    EXPECT_TRUE(ReadFile(out).ends_with(
        "{\"row\":\"/nowhere/tty\",\"name\":\"/nowhere/tty\",\"path\":\"/nowhere/tty\","
        "\"description\":\"\"},{\"row\":\"Simulator\",\"name\":\"Simulator\","
        "\"path\":\"Simulator\",\"description\":\"\"}]\n"));
    const std::string kept = folder.Path() + "/kept.csv";
    std::ofstream(kept) << "kept";
    EXPECT_EQ(Cli("capture --range1 5V --sim -o " + kept, out).Status(), 2);
    EXPECT_EQ(ReadFile(kept), "kept"); // a refused command line replaces no file
    EXPECT_EQ(Cli("capture --port " + folder.Path() + "/none", out).Status(), 3);
    EXPECT_EQ(ReadFile(out + ".err"),
              "duruz-cli: " + folder.Path() + "/none: failed, does not exist\n");
    Simulator silent("--ignore 1000");
    EXPECT_EQ(Cli("capture --timeout 0.5 --port " + silent.path, out).Status(), 4);
    EXPECT_EQ(Cli("capture --sim -o /dev/full", out).Status(), 1);
    // Unpaced, the simulator answers at once, whatever capture time it is given.
    EXPECT_EQ(Cli("capture --sim --unpaced --capture-ms 60000 --frames 2", out).Status(), 0);
}

// The simulator's first-order low-pass at 1 kHz, -3.01 dB and -45 degrees there, behind
// a 2 % and 2 us mismatch on input 2 that a calibration beside the settings file removes.
TEST(CliEndToEnd, BodeCalibratesBesideTheConfigFileAndMeasuresTheLowPassAndItsCorner) {
    testing_support::TempFolder folder;
    const std::string out = folder.Path() + "/bode.csv", config = folder.Path() + "/Config.Ini";
    const std::string cal = folder.Path() + "/FrequencyResponse.cal", pm = "\xC2\xB1";
    std::ofstream(config) << duruz::FormatConfig(duruz::ScopeSettings{});
    const std::string bode = "bode --sim --unpaced --mismatch 1.02:2 --start 100 --stop 10000 "
                             "--ampl 1 -o - --config " +
                             config;
    ASSERT_EQ(Cli(bode + " --dut none --calibrate", out).Status(), 0) << ReadFile(out + ".err");
    const std::string ranges = cal + ", measured on ranges (" + pm + "1 V, " + pm + "2 V), (" + pm +
                               "1 V, " + pm + "1 V)\n";
    EXPECT_EQ(ReadFile(out + ".err"), "duruz-cli: calibration written to " + ranges);
    EXPECT_TRUE(
        ReadFile(cal).starts_with("duruz frequency response calibration 1\nranges,7,6,21\n"));
    ASSERT_EQ(Cli(bode + " --dut lowpass:1000", out).Status(), 0);
    EXPECT_EQ(ReadFile(out + ".err"), "duruz-cli: using calibration " + ranges);
    const std::string text = ReadFile(out);
    EXPECT_TRUE(text.starts_with("frequency_hz,gain_db,phase_deg,group_delay_s,range1,range2,"
                                 "ch1_re_v,ch1_im_v,ch2_re_v,ch2_im_v,status,calibration\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 21 + 5);
    // 10 kHz (exactly -20.04 dB) on +-1 V and +-1 V, divided by that pair's own curve.
    EXPECT_NE(text.find("\n10000,-20.0"), std::string::npos) << text;
    EXPECT_NE(text.find(",measured," + pm + "1 V " + pm + "1 V\n# maximum gain: "),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("\n# calibration: " + ranges));
    double gain = 0, phase = 0, corner = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("\n1000,"), "\n1000,%lf,%lf", &gain, &phase), 2);
    EXPECT_NEAR(gain, -3.0103, 0.1);
    EXPECT_NEAR(phase, -45.0, 1.0);
    const std::size_t readout = text.find("# -3 dB above the maximum: ");
    ASSERT_NE(readout, std::string::npos);
    ASSERT_EQ(std::sscanf(text.c_str() + readout, "# -3 dB above the maximum: %lf", &corner), 1);
    EXPECT_NEAR(corner, 1000.0, 20.0);
    ASSERT_EQ(Cli(bode + " --dut lowpass:1000 --uncalibrated", out).Status(), 0);
    EXPECT_NE(ReadFile(out).find(",measured,none\n10000,-19.8"), std::string::npos);
    EXPECT_TRUE(ReadFile(out).ends_with("\n# calibration: none\n"));
    EXPECT_EQ(ReadFile(out + ".err"), "");

    // A damaged file stops the sweep before it starts, and no output is replaced.
    std::ofstream(cal, std::ios::app) << "50,1\n";
    ASSERT_EQ(Cli(bode + " -o " + out + ".kept", out).Status(), 8);
    EXPECT_EQ(ReadFile(out + ".err"), "duruz-cli: cannot use the calibration " + cal +
                                          ": line 46: expected \"ranges,ROW1,ROW2,POINTS\"\n");
    EXPECT_FALSE(std::filesystem::exists(out + ".kept"));
    EXPECT_EQ(Cli(bode + " --calibration " + folder.Path() + "/none.cal", out).Status(), 8);
}

TEST(CliEndToEnd, StartsFromAConfigFileUnderTheFlagsAndWritesJsonAndMeasurements) {
    testing_support::TempFolder folder;
    const std::string out = folder.Path() + "/out", config = folder.Path() + "/Config.Ini";
    duruz::ScopeSettings file;
    file.channels = {{{0, 3, true, false}, {1, 2, true, false}}};
    file.trigger = {0, 0, -300, 700};
    file.hold = true; // the tool asks for frames whatever the file says
    std::FILE* written = std::fopen(config.c_str(), "wb");
    std::fputs(duruz::FormatConfig(file).c_str(), written);
    std::fclose(written);
    const std::string sim = " --sim --capture-ms 0 --config " + config;
    EXPECT_EQ(Cli("capture --format jsonl --range2 4V --trigger-polarity Rise" + sim, out).Status(),
              0);
    const std::string json = ReadFile(out);
    EXPECT_TRUE(json.starts_with("{\"frame\":1,\"host_time\":\"20")) << json.substr(0, 80);
    EXPECT_NE(json.find("\"setting\":{\"sweep\":\"2 mSec/div\",\"trigger\":{\"source\":\"Ch1\","
                        "\"polarity\":\"Rise\",\"level\":300,\"position\":700},\"channels\":["
                        "{\"probe\":\"x10\",\"range\":\"\xC2\xB1"
                        "120V\"},{\"probe\":\"x1\",\"range\":\"\xC2\xB1"
                        "4 V\"}]"),
              std::string::npos);
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);
    EXPECT_EQ(ReadFile(config), duruz::FormatConfig(file)); // never written
    // A missing file is refused and not created.
    EXPECT_EQ(Cli("capture --sim --config " + folder.Path() + "/none.ini", out).Status(), 2);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/none.ini"));

    EXPECT_EQ(Cli("measure --frames 2 --no-demo" + sim, out).Status(), 0);
    const std::string rows = ReadFile(out);
    EXPECT_TRUE(rows.starts_with("frame,host_time,channel,frequency_hz,period_s,vpp_v,min_v,max_v,"
                                 "mean_v,rms_v,duty_percent,clipped\n1,20"));
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 5);
    EXPECT_NE(rows.find(",2,,,"), std::string::npos); // silence has no frequency
}

TEST(CliEndToEnd, EndsOnAWholeFrameWhenInterruptedAndSaysWhenTheDeviceWentAway) {
    testing_support::TempFolder folder;
    const std::string out = folder.Path() + "/frames.csv";
    for (const auto& [signal, status] : {std::pair(SIGINT, 130), std::pair(SIGTERM, 143)}) {
        Cli cli("capture --sim --capture-ms 0 --frames 1000", out);
        cli.WaitForFrames(1);
        kill(cli.pid, signal);
        EXPECT_EQ(cli.Status(), status);
        EXPECT_GE(cli.Lines(), kCsvFrameLines);
        EXPECT_EQ(cli.Lines() % kCsvFrameLines, 0u);
    }
    // bode: the points so far, and generator A, the ranges and the trigger sent back.
    const std::string log = folder.Path() + "/commands.log";
    Cli bode("bode --sim --unpaced --dut lowpass:1000 --start 50 --stop 40000 --ampl 1 "
             "--points-per-decade 100 --wave-a \"Sqr 50%\" --freq-a 500 --ampl-a 0.5 --range2 2V "
             "--log " +
                 log,
             out);
    // Start-up sends generators A and B once each, then each point a sine on A.
    for (int tries = 0; tries < 3000; ++tries) {
        const std::string sent = ReadFile(log);
        if (std::count(sent.begin(), sent.end(), 'G') >= 6)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(bode.pid, SIGINT);
    EXPECT_EQ(bode.Status(), 130);
    const std::string csv = ReadFile(out), sent = ReadFile(log);
    const long rows = std::count(csv.begin(), csv.end(), '\n') - 1 - 6;
    EXPECT_GE(rows, 3);
    EXPECT_NE(csv.find("\n# stopped after " + std::to_string(rows) + " points\n"),
              std::string::npos);
    EXPECT_TRUE(
        sent.ends_with("%G06500.000000,0.500000\nRange 7\n%X7\nRange 6\n%Y6\n%S11 1024    0\n"))
        << sent.substr(sent.size() - std::min<std::size_t>(sent.size(), 200));

    Simulator sim("");
    Cli cli("capture --frames 1000 --port " + sim.path, out);
    cli.WaitForFrames(1);
    sim.Stop();
    EXPECT_EQ(cli.Status(), 5);
    EXPECT_EQ(cli.Lines() % kCsvFrameLines, 0u);
    EXPECT_NE(ReadFile(out + ".err").find(": disconnected after "), std::string::npos);
}

TEST(CliEndToEnd, RecordsWithAMeasurementLogAndAKilledRecordingReadsBackWhole) {
    testing_support::TempFolder folder;
    const std::string rec = folder.Path() + "/run.rec", out = folder.Path() + "/out";
    EXPECT_EQ(Cli("record --sim --capture-ms 0 --frames 3 -o " + rec, out).Status(), 0);
    EXPECT_EQ(Cli("info " + rec, out).Status(), 0);
    EXPECT_NE(ReadFile(out).find("\nFrames: 3, 20"), std::string::npos) << ReadFile(out);
    EXPECT_NE(ReadFile(out).find("\nGaps: 0\n"), std::string::npos);
    EXPECT_NE(ReadFile(out).find("\nIntact: "), std::string::npos);
    const std::string log = ReadFile(rec + ".measure.csv"), kept = ReadFile(rec);
    EXPECT_TRUE(log.starts_with("frame,host_time,channel,frequency_hz,"));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 7);
    EXPECT_NE(log.find("\n3,20"), std::string::npos);
    EXPECT_EQ(Cli("record --sim --frames 1 -o " + rec, out).Status(), 1);
    EXPECT_EQ(ReadFile(rec), kept);
    EXPECT_EQ(ReadFile(rec + ".measure.csv"), log);
    std::ofstream(rec, std::ios::binary | std::ios::trunc) << kept.substr(0, kept.size() - 1);
    EXPECT_EQ(Cli("info " + rec, out).Status(), 6); // still says what it read
    EXPECT_NE(ReadFile(out).find("\nFrames: 2, 20"), std::string::npos);
    EXPECT_EQ(Cli("info " + rec + ".measure.csv", out).Status(), 7);
    // Killed at a different moment each time, after at least one frame.
    for (int kill = 0; kill < 3; ++kill) {
        std::remove(rec.c_str());
        Cli cli("record --sim --capture-ms 0 --frames 1000 --force -o " + rec, out + ".run");
        for (int tries = 0; tries < 3000 && ReadFile(rec).size() < 9000; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + 250 * kill));
        ::kill(cli.pid, SIGKILL);
        cli.Status();
        EXPECT_EQ(Cli("info " + rec, out).Status(), 0) << ReadFile(out);
        EXPECT_EQ(ReadFile(out).find("\nFrames: 0"), std::string::npos);
    }
}

// The recording's records in order: F a frame, S a settings change, t a time-out gap,
// r a reconnect gap.
std::string Records(const std::string& path) {
    auto opened = duruz::RecordingReader::Open(path);
    std::string kinds;
    for (duruz::RecordingRecord r; opened.Ok() && opened.Value()->Next(r);)
        kinds += r.kind == duruz::RecordKind::Frame ? 'F'
                 : r.kind == duruz::RecordKind::Gap ? "tr"[static_cast<int>(r.gap) - 1]
                                                    : 'S';
    return kinds;
}

TEST(CliEndToEnd, RecordsGapsAndGoesOnWhenTheDeviceComesBackOnItsPath) {
    testing_support::TempFolder folder;
    const std::string rec = folder.Path() + "/run.rec", out = folder.Path() + "/out";
    // The first request unanswered: a time-out gap record for each one counted.
    auto sim = std::make_unique<Simulator>("--ignore 1");
    EXPECT_EQ(
        Cli("record --frames 2 --timeout 30 --port " + sim->path + " -o " + rec, out).Status(), 0);
    EXPECT_EQ(Records(rec), "tFF");
    EXPECT_EQ(Cli("info " + rec, out).Status(), 0);
    EXPECT_NE(ReadFile(out).find("\nGaps: 1\n  20"), std::string::npos) << ReadFile(out);

    // The device goes and comes back on its path: opened again, a reconnect gap.
    const std::string link = folder.Path() + "/scope";
    sim = std::make_unique<Simulator>("--link " + link);
    Cli cli("record --frames 6 --timeout 20 --force --port " + link + " -o " + rec, out);
    for (int tries = 0; tries < 3000 && Records(rec) != "FF"; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sim.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sim = std::make_unique<Simulator>("--link " + link);
    EXPECT_EQ(cli.Status(), 0) << ReadFile(out + ".err");
    // Time-outs around the loss are counted too; one reconnect, frames on both sides.
    std::string kinds = Records(rec);
    std::erase(kinds, 't');
    EXPECT_TRUE(kinds.starts_with("FF") && kinds.ends_with('F') && kinds.find('S') == kinds.npos &&
                std::count(kinds.begin(), kinds.end(), 'r') == 1)
        << Records(rec);
    EXPECT_EQ(Cli("info " + rec, out).Status(), 0);
    EXPECT_NE(ReadFile(out).find("\nFrames: 6, 20"), std::string::npos);
    EXPECT_NE(ReadFile(out).find("Z reconnect\n"), std::string::npos) << ReadFile(out);

    // Gone for good: the recording ends at the time-out, with the reason. The
    // time-out leaves room for a frame (about 0.9 s on the paced line) on a loaded
    // machine, so that it is the device's loss that ends the run.
    std::remove(rec.c_str());
    Cli gone("record --frames 1000 --timeout 2 --force --port " + link + " -o " + rec, out);
    for (int tries = 0; tries < 3000 && Records(rec).empty(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sim.reset();
    EXPECT_EQ(gone.Status(), 5);
    EXPECT_NE(ReadFile(out + ".err").find(": disconnected after "), std::string::npos);
    EXPECT_TRUE(ReadFile(out + ".err").ends_with(" frames, not back within 2 s\n"));
}

} // namespace
