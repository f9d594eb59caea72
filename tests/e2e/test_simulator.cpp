// The real program against duruz-sim: the generator's square wave, looped back to
// input 1, comes back as frames and is drawn.

#include "e2e/child_process.h"
#include "e2e/config_text.h"
#include "e2e/program_run.h"
#include "e2e/temp_dir.h"
#include "e2e/trace_pixels.h"
#include "e2e/virtual_display.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The first line duruz-sim prints, its device path.
std::string FirstLine(const std::string& path, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    do {
        std::ifstream in(path);
        std::string line;
        if (std::getline(in, line) && !in.eof())
            return line;
        std::this_thread::sleep_for(20ms);
    } while (Clock::now() < deadline);
    return {};
}

// Per column of the trace area: whether channel 1 is drawn near the upper level,
// near the lower one, or both (a step).
struct Columns {
    int upper = 0;
    int lower = 0;
    int neither = 0;
};

Columns CountColumns(const e2e::Screenshot& shot, const e2e::TraceArea& area, int upperY,
                     int lowerY) {
    Columns count;
    for (int x = area.left; x < area.left + area.width - 1; ++x) {
        bool up = false, down = false;
        for (int dy = -2; dy <= 2; ++dy) {
            up = up || shot.Pixel(x, upperY + dy) == e2e::kRed;
            down = down || shot.Pixel(x, lowerY + dy) == e2e::kRed;
        }
        count.upper += up;
        count.lower += down;
        count.neither += !up && !down;
    }
    return count;
}

TEST(Simulator, GeneratorSquareWaveIsDrawnFromItsFrames) {
    if (!e2e::VirtualDisplay::ToolsAvailable())
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and xdotool";
    e2e::VirtualDisplay display;
    ASSERT_TRUE(display.Ok());
    e2e::TempDir simFolder;
    e2e::ChildLaunch simLaunch;
    simLaunch.argv = {DURUZ_SIM_PATH, "--no-noise"};
    simLaunch.outputPath = simFolder / "sim.txt";
    e2e::ChildProcess sim(simLaunch);
    ASSERT_TRUE(sim.Started());
    const std::string path = FirstLine(simLaunch.outputPath, 10s);
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    // Generator A: a 200 Hz square of 0.5 V peak, which on the 1 V range of
    // input 1 is half the screen's span; four periods in a frame. Generator B off.
    e2e::ProgramRun run({path}, display.Name());
    e2e::SavedSettings saved;
    saved.portPath = path;
    saved.syncSource = 0;
    saved.width = 1511;
    saved.height = 899;
    saved.wave1 = 6;
    saved.ampl1 = "0.50";
    saved.wave2 = 0;
    run.WriteConfig(e2e::ConfigText(saved));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();
    const auto window = display.FindWindow("RORU-Duruz Rev 1.36", 20s);
    ASSERT_TRUE(window.has_value());
    const e2e::TraceArea area = e2e::TraceAreaOf(window->width, window->height);
    // +0.5 V is drawn upwards: sample -1024 (or -1023 after rounding).
    const int upperY = e2e::SampleY(area, -1024);
    const int lowerY = e2e::SampleY(area, 1024);

    Columns columns{0, 0, area.width};
    const auto deadline = Clock::now() + 20s;
    do {
        std::this_thread::sleep_for(300ms);
        if (auto shot = display.Capture(*window))
            columns = CountColumns(*shot, area, upperY, lowerY);
    } while (columns.neither != 0 && Clock::now() < deadline);
    // Every column shows the trace at one of the two levels, each about half of
    // the width; a step is at most a few columns wide.
    EXPECT_EQ(columns.neither, 0);
    EXPECT_NEAR(columns.upper, area.width / 2, area.width / 10);
    EXPECT_NEAR(columns.lower, area.width / 2, area.width / 10);

    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0);
    sim.Signal(SIGTERM);
    EXPECT_TRUE(sim.WaitForExit(10s));
}

} // namespace
