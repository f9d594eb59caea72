// Start-up and close of the real program: what reaches the instrument, and what
// Config.Ini holds afterwards.

#include "e2e/config_text.h"
#include "e2e/program_run.h"
#include "e2e/scripted_peer.h"
#include "e2e/virtual_display.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::chrono_literals;
using e2e::ConfigText;
using e2e::ProgramRun;
using e2e::SavedSettings;
using e2e::ScriptedPeer;

const std::string kCaptureRequest = "%z\r\n";

// True when the text is nothing but capture requests.
bool OnlyCaptureRequests(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += kCaptureRequest.size())
        if (bytes.compare(at, kCaptureRequest.size(), kCaptureRequest) != 0)
            return false;
    return true;
}

// The file with its Wleft and Wtopp lines (11 and 12) taken out.
std::string WithoutPosition(const std::string& config) {
    std::string kept;
    std::size_t start = 0;
    for (int line = 1; start < config.size(); ++line) {
        std::size_t end = config.find("\r\n", start);
        end = end == std::string::npos ? config.size() : end + 2;
        if (line != 11 && line != 12)
            kept += config.substr(start, end - start);
        start = end;
    }
    return kept;
}

// Runs the program until start-up has ended, then closes it; returns what
// Config.Ini holds afterwards.
std::string RunAndClose(ProgramRun& run) {
    if (!run.Start() || !run.WaitUntilReady(30s) || !run.Close(20s))
        return "the run failed: " + run.Output();
    return run.ReadConfig().value_or("no Config.Ini");
}

TEST(StartUp, WithoutConfigIniSendsTheDefaultsAndClosingSavesThem) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    // Left on the line from before: the open must drain it.
    const std::string stale = "stale bytes from an earlier session\r\n";
    peer.Preload(stale);
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Unread() == int(stale.size()); }, 5s));

    ProgramRun run({peer.SlavePath()});
    ASSERT_TRUE(run.Ok());
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitUntilReady(30s)) << run.Output();

    // Open (request), sweep and sync handlers (the first before the sync lists
    // are settled), both ranges, then each generator channel with its request.
    const std::string expected = kCaptureRequest + "%S// 1024    0\r" + "%S11 1024    0\r" +
                                 "%X7\r" + "%Y7\r" + "%G00200.000000,1.000000" + kCaptureRequest +
                                 "%G10201.000000,1.000000" + kCaptureRequest;
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Received().size() >= expected.size(); }, 10s))
        << peer.Received();
    EXPECT_EQ(peer.Received().substr(0, expected.size()), expected);
    EXPECT_EQ(peer.Unread(), 0) << "the stale bytes were not read";
    // The first run creates an empty settings file at once.
    EXPECT_EQ(run.ReadConfig(), std::string());

    ASSERT_TRUE(run.Close(20s)) << run.Output();
    EXPECT_EQ(run.Process().ExitCode(), 0) << run.Output();

    // The window's size as the offscreen platform reports it: the design client
    // area. Its position is left out here; see ARestartKeepsTheWindowWhereItWas.
    SavedSettings saved;
    saved.portPath = peer.SlavePath();
    saved.width = 1511;
    saved.height = 899;
    const std::string config = run.ReadConfig().value_or("");
    EXPECT_EQ(WithoutPosition(config), WithoutPosition(ConfigText(saved)));
    // Between start-up and close the program asked for frames and nothing else.
    const std::string after = peer.Received().substr(expected.size());
    EXPECT_TRUE(OnlyCaptureRequests(after)) << after;
    EXPECT_FALSE(std::filesystem::exists(run.DumpPath()));
}

TEST(StartUp, WithSavedSettingsSendsThemAndClosingWritesThemBack) {
    if (!e2e::VirtualDisplay::ToolsAvailable())
        GTEST_SKIP() << "needs Xvfb, ImageMagick's import and xdotool";
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    // X without a window manager: the window has no frame, so its outer size is
    // its client size and a saved geometry must come back unchanged.
    e2e::VirtualDisplay display;
    ASSERT_TRUE(display.Ok());
    ProgramRun onDisplay({peer.SlavePath()}, display.Name());

    SavedSettings saved;
    saved.syncSource = 0;
    saved.syncPolarity = 1;
    saved.portPath = "/dev/ttyUSB9"; // stale: the row decides, the path is rewritten
    saved.probe1 = 0;
    saved.scale1 = 3;
    saved.probe2 = 1;
    saved.scale2 = 5;
    saved.syncLevel = -500;
    saved.syncPosition = 300;
    saved.left = 10;
    saved.top = 20;
    saved.width = 1300;
    saved.height = 850;
    saved.scope2 = 0;
    saved.fft1 = 1;
    saved.wave1 = 1;
    saved.freq1 = "1000.5";
    saved.ampl1 = "0.75";
    saved.wave2 = 6;
    saved.freq2 = "50000"; // beyond the generator's 40 kHz
    saved.ampl2 = "2";     // beyond its 1.5 V
    onDisplay.WriteConfig(ConfigText(saved));

    ASSERT_TRUE(onDisplay.Start());
    ASSERT_TRUE(onDisplay.WaitUntilReady(30s)) << onDisplay.Output();
    const std::string expected = kCaptureRequest + "%S01  300 -500\r" + "%S01  300 -500\r" +
                                 "%X3\r" + "%Y5\r" + "%G011000.500000,0.750000" + kCaptureRequest +
                                 "%G1640000.000000,1.500000" + kCaptureRequest;
    ASSERT_TRUE(peer.WaitFor([&] { return peer.Received().size() >= expected.size(); }, 10s))
        << peer.Received();
    EXPECT_EQ(peer.Received().substr(0, expected.size()), expected);

    const auto window = display.FindWindow("RORU-Duruz Rev 1.36", 20s);
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->x, 10);
    EXPECT_EQ(window->y, 20);
    EXPECT_EQ(window->width, 1300);
    EXPECT_EQ(window->height, 850);

    ASSERT_TRUE(onDisplay.Close(20s)) << onDisplay.Output();
    EXPECT_EQ(onDisplay.Process().ExitCode(), 0) << onDisplay.Output();
    SavedSettings written = saved;
    written.portPath = peer.SlavePath();
    // A one-character text reads back with the space that followed it.
    written.ampl2 = "2 ";
    EXPECT_EQ(onDisplay.ReadConfig(), ConfigText(written));
}

// Known fault, left to the form's owner: when the window is maximised, the
// position it saves is the design position less the frame margins, so each
// restart moves it up and left by them (0,277 then -2,275, -4,273 on the
// offscreen platform). Enable once the form saves the position it was given.
TEST(StartUp, ARestartKeepsTheWindowWhereItWas) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    ProgramRun first({peer.SlavePath()});
    const std::string saved = RunAndClose(first);
    ProgramRun second({peer.SlavePath()});
    second.WriteConfig(saved);
    EXPECT_EQ(RunAndClose(second), saved);
    EXPECT_NE(saved.find("Wleft 0                \r\nWtopp 277                \r\n"),
              std::string::npos)
        << saved;
}

} // namespace
